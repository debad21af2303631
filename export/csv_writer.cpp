#include "export/csv_writer.h"

namespace {

bool NeedsQuotes(std::string_view value) {
  for (char c : value)
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  return false;
}

}  // namespace

void CsvWriter::Field(std::string_view value) {
  if (!lineStart_) buffer_.push_back(',');
  lineStart_ = false;
  if (!NeedsQuotes(value)) {
    buffer_.append(value);
    return;
  }
  buffer_.push_back('"');
  for (char c : value) {
    if (c == '"') buffer_.push_back('"');
    buffer_.push_back(c);
  }
  buffer_.push_back('"');
}

void CsvWriter::EndLine() {
  buffer_.append("\r\n");
  lineStart_ = true;
  if (buffer_.size() >= kFlushSize) Flush();
}

void CsvWriter::Flush() {
  std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
  buffer_.clear();
}
