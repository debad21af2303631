// sort-find-bench FILE TABLE: how long the record browser's sort and find
// take over a whole table, as the desktop program runs them on its worker:
// a sort by each of a number, a date and a text column (every row read, its
// key kept, the keys ordered), and a find of a text held only by the last
// row, searched from the first. Figures go to stderr.
#include <QString>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/record_tasks.h"
#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_order.h"
#include "decode/row_search.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"
#include "report/progress_channel.h"
#include "cli/console_watchers.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

size_t ColumnNamed(const TableDef& table, const std::string& name) {
  for (size_t c = 0; c < table.columns.size(); ++c)
    if (table.columns[c].name == name) return c;
  return table.columns.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: sort-find-bench FILE TABLE\n", stderr);
    return 1;
  }
  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  if (RunAnalysis(file, progress, dialogs, argv[1]) != AnalysisResult::Read) return 1;
  TableDef* table = nullptr;
  for (auto& candidate : file.tables)
    if (candidate->name == argv[2]) table = candidate.get();
  if (table == nullptr) return 1;
  OleFileWriter oleFiles{OleFileWriter::BrowserFolder()};
  std::atomic<uint8_t> stop{0};
  RowDecoder decoder(file, stop, oleFiles);

  for (const char* name : {"Amount", "Created", "Name"}) {
    const size_t column = ColumnNamed(*table, name);
    if (column == table->columns.size()) continue;
    RowOrder order;
    const auto start = std::chrono::steady_clock::now();
    order.Build(decoder, *table, column, false, {});
    const double seconds = Seconds(start);
    std::fprintf(stderr, "sort by %-8s %8.3f s  %zu rows  target 5 s: %s\n", name, seconds, order.rows().size(),
                 seconds <= 5 ? "met" : "NOT met");
  }

  // The last row's note is the only cell that holds its own number.
  RowSearch search;
  for (size_t c = 0; c < table->columns.size(); ++c)
    if (IsSortableColumn(*table, c)) search.columns.push_back(c);
  const int64_t rows = table->rowCount;
  search.matches = CellMatcher(QStringLiteral("note for row %1").arg(rows));
  RowMatch found;
  const auto start = std::chrono::steady_clock::now();
  const int result = FindCell(decoder, *table, search, found);
  const double seconds = Seconds(start);
  std::fprintf(stderr, "find, last row    %8.3f s  %s at row %lld\n", seconds, result == 1 ? "found" : "NOT found",
               static_cast<long long>(found.row + 1));
  return 0;
}
