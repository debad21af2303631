#include "decode/row_count.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_text.h"
#include "reader/mdb_file.h"

int32_t CountReadableRows(RowDecoder& decoder, TableDef& table) {
  // The live walk's rows (row_reader.h), with the table's pages read a run
  // of neighbours at a time and decoded where they were read: a large table
  // would otherwise cost a read and a copy per page.
  constexpr size_t kRunPages = 64;
  const MdbFile& db = decoder.db();
  const size_t pageSize = decoder.page().size();
  std::vector<uint8_t> run(kRunPages * pageSize);
  decoder.ResetCells(table);
  decoder.SetCountOnly(true);
  int32_t rows = 0;
  std::string text;
  const std::vector<int32_t>& pages = table.dataPages;
  for (size_t first = 0; first < pages.size() && rows >= 0;) {
    size_t count = 1;
    while (first + count < pages.size() && count < kRunPages && pages[first + count] == pages[first] + int32_t(count))
      ++count;
    db.ReadPages(run.data(), pages[first], static_cast<int64_t>(count));
    for (size_t i = 0; i < count && rows >= 0; ++i) {
      decoder.ShowPage(ByteSpan(run.data() + i * pageSize, pageSize));
      const int32_t slots = std::max<int32_t>(0, db.pages[static_cast<size_t>(pages[first + i])].rowCount);
      for (int32_t slot = 0; slot < slots; ++slot) {
        if (decoder.StopRequested()) {
          rows = -1;
          break;
        }
        if (decoder.ReadRow(table, slot, text) == 0) continue;
        if (!IsSkippedRowText(text)) ++rows;
      }
    }
    first += count;
  }
  decoder.SetCountOnly(false);
  return rows;
}

RowCounter MakeRowCounter(const MdbFile& db, const std::atomic<uint8_t>& stopRequested) {
  struct Counter {
    OleFileWriter noFiles{std::string()};
    std::optional<RowDecoder> rows;
  };
  auto counter = std::make_shared<Counter>();
  return [counter, &db, &stopRequested](TableDef& table) {
    if (!counter->rows) counter->rows.emplace(db, stopRequested, counter->noFiles);
    return CountReadableRows(*counter->rows, table);
  };
}
