#include "decode/row_count.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_text.h"
#include "reader/mdb_file.h"

namespace {

// Neighbouring pages are read a run at a time: a read per page costs more
// in system calls than the count itself.
constexpr int64_t kRunBytes = int64_t{256} << 10;
// A table of fewer pages is not worth a second thread.
constexpr size_t kPagesToShare = 1024;

// The live rows that read on pages [first, last) of the table's page list;
// -1 when a stop was requested.
int32_t CountPages(RowDecoder& decoder, TableDef& table, size_t first, size_t last) {
  const MdbFile& db = decoder.db();
  const size_t pageSize = decoder.page().size();
  if (pageSize == 0) return 0;
  const size_t runPages = static_cast<size_t>(std::max<int64_t>(1, kRunBytes / static_cast<int64_t>(pageSize)));
  std::vector<uint8_t> run(std::min(runPages, std::max<size_t>(last - first, 1)) * pageSize);
  decoder.ResetCells(table);
  decoder.SetCountOnly(true);
  int32_t rows = 0;
  std::string text;
  const std::vector<int32_t>& pages = table.dataPages;
  for (size_t at = first; at < last && rows >= 0;) {
    size_t count = 1;
    while (at + count < last && count < runPages && pages[at + count] == pages[at] + int32_t(count)) ++count;
    db.ReadPages(run.data(), pages[at], static_cast<int64_t>(count));
    for (size_t i = 0; i < count && rows >= 0; ++i) {
      decoder.ShowPage(ByteSpan(run.data() + i * pageSize, pageSize));
      const int32_t slots = std::max<int32_t>(0, db.pages[static_cast<size_t>(pages[at + i])].rowCount);
      for (int32_t slot = 0; slot < slots; ++slot) {
        if (decoder.StopRequested()) {
          rows = -1;
          break;
        }
        if (decoder.ReadRow(table, slot, text) == 0) continue;
        if (!IsSkippedRowText(text)) ++rows;
      }
    }
    at += count;
  }
  decoder.SetCountOnly(false);
  return rows;
}

}  // namespace

int32_t CountReadableRows(RowDecoder& decoder, TableDef& table, RowDecoder* second) {
  // The live walk's rows (row_reader.h).
  const size_t pages = table.dataPages.size();
  if (!second || pages < kPagesToShare) return CountPages(decoder, table, 0, pages);
  // The second half on a thread of its own, with a copy of the table: the
  // walk adds moved rows to the table's count, and the copy's additions are
  // added after.
  TableDef copy = table;
  const int32_t before = copy.rowCount;
  int32_t secondRows = 0;
  std::thread other([&] { secondRows = CountPages(*second, copy, pages / 2, pages); });
  const int32_t firstRows = CountPages(decoder, table, 0, pages / 2);
  other.join();
  table.AddRows(int64_t{copy.rowCount} - before);
  if (firstRows < 0 || secondRows < 0) return -1;
  return firstRows + secondRows;
}

RowCounter MakeRowCounter(const MdbFile& db, const std::atomic<uint8_t>& stopRequested) {
  struct Counter {
    OleFileWriter noFiles{std::string()};
    std::optional<RowDecoder> rows, second;
  };
  auto counter = std::make_shared<Counter>();
  return [counter, &db, &stopRequested](TableDef& table) {
    if (!counter->rows) {
      counter->rows.emplace(db, stopRequested, counter->noFiles);
      if (std::thread::hardware_concurrency() >= 2) counter->second.emplace(db, stopRequested, counter->noFiles);
    }
    return CountReadableRows(*counter->rows, table, counter->second ? &*counter->second : nullptr);
  };
}
