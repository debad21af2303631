#include "cli/table_csv.h"

#include <string>
#include <string_view>
#include <vector>

#include "decode/row_reader.h"
#include "decode/row_text.h"

namespace {

// RFC 4180 lines: comma-separated, fields quoted where they hold a comma, a
// quote or a line break, CRLF at the end. The bytes are written as they are.
class CsvWriter {
 public:
  explicit CsvWriter(std::FILE* out) : out_(out) {}
  ~CsvWriter() { Flush(); }
  void Field(std::string_view value) {
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
  void EndLine() {
    buffer_.append("\r\n");
    lineStart_ = true;
    if (buffer_.size() >= kFlushSize) Flush();
  }
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
  }

 private:
  static constexpr size_t kFlushSize = 1 << 20;

  static bool NeedsQuotes(std::string_view value) {
    for (char c : value)
      if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    return false;
  }

  std::FILE* out_;
  std::string buffer_;
  bool lineStart_ = true;
};

// One value per column; a column without a piece of the row gets an empty
// value, pieces beyond the last column are not shown.
void WriteRow(CsvWriter& csv, const TableDef& table, const std::vector<std::string_view>& values) {
  for (size_t k = 0; k < table.columns.size(); ++k) csv.Field(k < values.size() ? values[k] : std::string_view());
  csv.EndLine();
}

void WriteAllRows(RowDecoder& rows, TableDef& table, CsvWriter& csv) {
  TableRowWalk walk(rows, table);
  std::string text;
  std::vector<std::string_view> values;
  while (walk.Next(text) == 1) {
    SplitRowText(text, values);
    WriteRow(csv, table, values);
  }
}

// The record browser's fetches from a zeroed cursor; the page's rows as its
// list shows them: markers and rows without any value left out.
void WritePage(RowDecoder& rows, TableDef& table, long page, CsvWriter& csv) {
  RowCursor cursor;
  std::vector<std::string> texts;
  for (long fetch = 1; fetch <= page; ++fetch) {
    int32_t row = cursor.nextRow, slot = cursor.pageSlot;
    texts.assign(100, std::string());
    if (FetchRowPage(rows, table, cursor, texts) == -1) texts.clear();
    // A fetch that did not move the cursor read nothing, and so would every
    // fetch after it.
    if (cursor.nextRow == row && cursor.pageSlot == slot) {
      if (fetch < page) texts.clear();
      break;
    }
  }
  std::vector<std::string_view> values;
  for (const std::string& text : texts) {
    if (IsSkippedRowText(text)) continue;
    SplitRowText(text, values);
    bool anyValue = false;
    for (std::string_view value : values) anyValue = anyValue || !value.empty();
    if (anyValue) WriteRow(csv, table, values);
  }
}

}  // namespace

bool WriteTableCsv(RowDecoder& rows, TableDef& table, long page, std::FILE* out) {
  {
    CsvWriter csv(out);
    for (const ColumnDef& column : table.columns) csv.Field(column.name);
    csv.EndLine();
    if (page == 0)
      WriteAllRows(rows, table, csv);
    else
      WritePage(rows, table, page, csv);
  }
  return !std::ferror(out);
}

