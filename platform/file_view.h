// A window of a read-only file mapped into memory: its bytes are the system's
// cached pages themselves, where a read would copy them. Scanning a warm file
// through windows costs a fraction of reading it.
//
// A mapped file can shrink under the window (another program cuts it) or
// fail to be read (a failing disk): what cannot be had then reads as zeros,
// as past the end of a read, rather than ending the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

class ReadOnlyFile;

class FileView {
 public:
  FileView() = default;
  ~FileView() { Unmap(); }
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  // Maps the n bytes at offset, which must lie within the file; false (and
  // nothing mapped) when they do not or the system will not map them: the
  // caller reads them instead. Replaces what was mapped before.
  bool Map(const ReadOnlyFile& file, int64_t offset, size_t n);
  void Unmap();
  // The bytes mapped; empty when none. Valid until Map or Unmap.
  std::span<const uint8_t> Bytes() const { return bytes_; }

 private:
  void* base_ = nullptr;  // the mapping, from a boundary of the system's pages
  size_t length_ = 0;
  int guard_ = -1;  // the slot that lets a fault within the mapping read zeros
  std::span<const uint8_t> bytes_;
};

}  // namespace platform
