// The zip container of an .xlsx workbook, written front to back: each
// entry is deflated as its bytes come (zlib at level 1, the fastest, since
// a sheet's XML is most of the work of an export), its CRC and sizes
// patched into its local header once it ends, and the central directory
// written last. Entries that pass 4 GiB, and archives whose directory
// starts past it, take the zip64 records. Memory is a few buffers whatever
// the size of an entry. With two cores or more, a thread of its own
// deflates and writes each piece while the caller makes the next one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <zlib.h>

#include "xls/hand_off.h"

class XlsxZip {
 public:
  XlsxZip();
  ~XlsxZip();
  XlsxZip(const XlsxZip&) = delete;
  XlsxZip& operator=(const XlsxZip&) = delete;

  // A file that cannot be made fails the archive: Finish says why.
  void Open(const std::string& path);
  void BeginEntry(const std::string& name);
  // Takes the bytes of piece, leaving it empty (with the capacity of an
  // earlier piece, for the caller to fill again).
  void Write(std::string& piece);
  void EndEntry();
  // Writes the directory and closes the file. False, with the reason of the
  // first failure (of any write since Open), when the archive is not whole.
  bool Finish(std::string& problem);
  // Closes the file as it is, on a workbook given up.
  void Abandon();

  bool failed() const { return !problem_.empty(); }

 private:
  struct Entry {
    std::string name;
    uint64_t offset = 0;
    uint32_t crc = 0;
    uint64_t compressed = 0;
    uint64_t size = 0;
  };

  void Compress(std::string_view bytes);
  void Deflate(int flush);
  void Put(const void* bytes, size_t size);
  void Drain();
  void Patch(const Entry& entry);
  void Fail(const char* what);

  int fd_ = -1;
  z_stream zip_{};
  bool inEntry_ = false;
  std::vector<Entry> entries_;
  std::vector<unsigned char> out_;
  size_t used_ = 0;
  uint64_t written_ = 0;  // bytes in the file, out_ not counted
  std::string problem_;

  // Deflates and writes the pieces; until it is idle nothing else may touch
  // the stream.
  xls::HandOff<std::string> compressing_{[this](std::string& piece) { Compress(piece); }};
};
