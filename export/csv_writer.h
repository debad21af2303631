// CSV as `brevantis-cli rows` prints it and the CSV export writes it:
// RFC 4180 lines, comma-separated, fields quoted where they hold a comma, a
// quote or a line break, CRLF at the end; the bytes of a value as they are
// (UTF-8). One formatting for both, so that an exported file equals the
// rows command's output byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "export/sheet_target.h"

class CsvWriter {
 public:
  // out must stay open while the writer lives; it is flushed at the end.
  explicit CsvWriter(std::FILE* out) : out_(out) {}
  ~CsvWriter() { Flush(); }
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  void Field(std::string_view value);
  void EndLine();
  void Flush();

  // A whole line, a field per value.
  template <typename Values>
  void Line(const Values& values) {
    for (const auto& value : values) Field(value);
    EndLine();
  }

 private:
  static constexpr size_t kFlushSize = 1 << 20;

  std::FILE* out_;
  std::string buffer_;
  bool lineStart_ = true;
};

// A sheet without end: the header line, then a line per row.
class CsvSheet : public SheetTarget {
 public:
  explicit CsvSheet(std::FILE* out) : csv_(out) {}
  int32_t RowsPerSheet() const override { return std::numeric_limits<int32_t>::max(); }
  void WriteHeader(const std::vector<std::string>& names, bool) override { csv_.Line(names); }
  void WriteRow(int32_t, const std::vector<std::string_view>& values) override { csv_.Line(values); }
  void Flush() { csv_.Flush(); }

 private:
  CsvWriter csv_;
};
