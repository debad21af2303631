// A file opened for reading only, read by position. Never written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Why the path cannot be opened as ReadOnlyFile: the system's reason, or "not
// a regular file"; an empty text when it can. Never waits: a FIFO or a
// device is refused, not opened.
std::string ReadableFileProblem(const std::string& path);

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile() { Close(); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // False when the path cannot be opened for reading or is not a regular file.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Size in bytes, or -1 when no file is open.
  int64_t Size() const;
  // Reads up to n bytes at offset; returns the count read (0 at or past the
  // end), or -1 when no file is open or the read fails.
  int64_t ReadAt(void* buffer, size_t n, int64_t offset) const;

 private:
  friend class FileView;
  int fd_ = -1;
};

}  // namespace platform
