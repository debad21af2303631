// brevantis-cli rows FILE TABLE [--page N | --all]: one table as CSV, a
// header of column names and one line per row, the values as rendered.
// --all gives every row as the sheets get them; --page N the rows of the
// record browser's Nth page.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/progress_channel.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "decode/row_reader.h"
#include "decode/row_text.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"

namespace {

const char kUsage[] = "usage: brevantis-cli rows FILE TABLE [--page N | --all]\n";

// RFC 4180 lines: comma-separated, fields quoted where they hold a comma, a
// quote or a line break, CRLF at the end. The bytes are written as they are.
class CsvWriter {
 public:
  ~CsvWriter() { Flush(); }
  void Field(std::string_view value) {
    if (!lineStart_) buffer_.push_back(',');
    lineStart_ = false;
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
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
    std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    buffer_.clear();
  }

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  std::string buffer_;
  bool lineStart_ = true;
};

// One value per column; a column without a piece of the row gets an empty
// value, pieces beyond the last column are not shown.
void WriteRow(CsvWriter& csv, const TableDef& table, const std::vector<std::string_view>& values) {
  for (size_t k = 0; k < table.columns.size(); ++k) csv.Field(k < values.size() ? values[k] : std::string_view());
  csv.EndLine();
}

void WriteAllRows(MdbFile& file, TableDef& table, CsvWriter& csv) {
  TableRowWalk walk(file, table);
  std::string text;
  std::vector<std::string_view> values;
  while (walk.Next(text) == 1) {
    SplitRowText(text, values);
    WriteRow(csv, table, values);
  }
}

// The record browser's fetches from a zeroed cursor; the page's rows as its
// list shows them: markers and rows without any value left out.
void WritePage(MdbFile& file, TableDef& table, long page, CsvWriter& csv) {
  table.nextRow = 0;
  table.pageSlot = 0;
  table.dataPageIndex = 0;
  std::vector<std::string> texts;
  for (long fetch = 1; fetch <= page; ++fetch) {
    texts.assign(100, std::string());
    if (FetchRowPage(file, table, texts) == -1) texts.clear();
  }
  std::vector<std::string_view> values;
  for (const std::string& text : texts) {
    if (IsSkippedRowText(text)) continue;
    SplitRowText(text, values);
    values.resize(std::min(values.size(), table.columns.size()));
    bool anyValue = false;
    for (std::string_view value : values) anyValue = anyValue || !value.empty();
    if (anyValue) WriteRow(csv, table, values);
  }
}

}  // namespace

int RunRowsCommand(const std::vector<std::string>& args) {
  long page = 0;  // 0: every row
  if (args.size() == 4 && args[2] == "--page") {
    char* end = nullptr;
    page = std::strtol(args[3].c_str(), &end, 10);
    if (*end != '\0' || page < 1) page = -1;
  } else if (!(args.size() == 2 || (args.size() == 3 && args[2] == "--all"))) {
    page = -1;
  }
  if (page < 0 || args[0].empty()) {
    std::fputs(kUsage, stderr);
    return 1;
  }

  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file(progress, dialogs);
  AnalysisResult result = RunAnalysis(file, progress, args[0]);
  if (result != AnalysisResult::Read) return AnalysisExitCode(result);

  TableDef* table = nullptr;
  for (auto& candidate : file.tables)
    if (candidate->name == args[1]) {
      table = candidate.get();
      break;
    }
  if (!table) {
    std::fprintf(stderr, "unknown table: %s\n", args[1].c_str());
    return 1;
  }

  CsvWriter csv;
  for (const ColumnDef& column : table->columns) csv.Field(column.name);
  csv.EndLine();
  if (page == 0)
    WriteAllRows(file, *table, csv);
  else
    WritePage(file, *table, page, csv);
  csv.Flush();
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
