#include "xls/file_output.h"

namespace xls {

FileOutput::FileOutput(const std::string& path, bool onThread) {
  out_.open(path, std::ios::binary | std::ios::trunc);
  open_ = static_cast<bool>(out_);
  if (open_ && onThread) writing_.Start();
}

FileOutput::~FileOutput() { Close(); }

void FileOutput::Write(const std::vector<char>& bytes) {
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) failed_ = true;
}

bool FileOutput::Append(std::vector<char>& bytes) {
  if (!open_) return false;
  writing_.WaitIdle();
  if (failed_) return false;
  writing_.Give(bytes);
  return true;
}

bool FileOutput::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!open_) return false;
  writing_.WaitIdle();
  if (failed_) return false;
  out_.seekp(static_cast<std::streamoff>(offset));
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out_.seekp(0, std::ios::end);
  if (!out_) failed_ = true;
  return !failed_;
}

bool FileOutput::Close() {
  writing_.Stop();
  if (!open_) return false;
  open_ = false;
  out_.close();
  return !failed_ && static_cast<bool>(out_);
}

}  // namespace xls
