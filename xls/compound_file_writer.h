// The container of an Excel 97-2003 workbook: a compound file (version 3,
// 512-byte sectors) whose one stream is "Workbook". The stream goes to disk
// as it is produced, laid out in consecutive sectors; the allocation table
// (with DIFAT sectors once it outgrows the header's 109 entries), the
// directory and the header follow when it ends. A stream shorter than 4,096
// bytes is padded with zeros to that size, so that it never belongs in the
// mini stream.
//
// The file is written beside its final name and takes that name only when
// complete: a save that fails leaves an earlier file as it was.
#pragma once

#include <string>
#include <vector>

#include "xls/byte_sink.h"
#include "xls/file_output.h"

namespace xls {

class CompoundFileWriter : public ByteSink {
 public:
  // Throws AutomationError when the file cannot be created.
  explicit CompoundFileWriter(const std::string& path);
  ~CompoundFileWriter() override;
  CompoundFileWriter(const CompoundFileWriter&) = delete;
  CompoundFileWriter& operator=(const CompoundFileWriter&) = delete;

  // Bytes of the "Workbook" stream.
  void Put(const void* data, size_t size) override;
  // Replaces bytes of the stream already put.
  void Patch(uint64_t position, const void* data, size_t size);
  // Ends the stream, writes the rest of the container and gives the file its
  // name; throws AutomationError when that fails.
  void Finish();

 private:
  void Flush();
  [[noreturn]] void Fail(const std::string& why);

  std::string path_;
  std::string partPath_;
  FileOutput out_;
  std::vector<char> buffer_;
  uint64_t flushed_ = 0;  // stream bytes already in the file
  bool finished_ = false;
};

}  // namespace xls
