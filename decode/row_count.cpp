#include "decode/row_count.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_text.h"
#include "reader/mdb_file.h"

int32_t CountReadableRows(RowDecoder& decoder, TableDef& table) {
  // The live walk's rows (row_reader.h). A page the scan's summary settles
  // gives its count as it stands; the others are read a run of neighbours
  // at a time and decoded where they were read, since a large table would
  // otherwise cost a read and a copy per page.
  constexpr size_t kRunPages = 64;
  const MdbFile& db = decoder.db();
  const size_t pageSize = decoder.page().size();
  const bool variableColumns = table.HasVariableColumns();
  std::vector<int32_t> unsettled;
  int64_t rows = 0;
  for (int32_t page : table.dataPages) {
    if (decoder.StopRequested()) return -1;
    const PageEntry& entry = db.pages[static_cast<size_t>(page)];
    const int32_t read = table.orphan ? -1 : entry.rows.RowsRead(table.maxColumns, variableColumns);
    if (read >= 0)
      rows += read;
    else
      unsettled.push_back(page);
  }
  if (unsettled.empty()) return static_cast<int32_t>(std::min<int64_t>(rows, INT32_MAX));

  std::vector<uint8_t> run(kRunPages * pageSize);
  decoder.ResetCells(table);
  decoder.SetCountOnly(true);
  std::string text;
  for (size_t first = 0; first < unsettled.size() && rows >= 0;) {
    size_t count = 1;
    while (first + count < unsettled.size() && count < kRunPages &&
           unsettled[first + count] == unsettled[first] + int32_t(count))
      ++count;
    db.ReadPages(run.data(), unsettled[first], static_cast<int64_t>(count));
    for (size_t i = 0; i < count && rows >= 0; ++i) {
      decoder.ShowPage(ByteSpan(run.data() + i * pageSize, pageSize));
      const int32_t slots = std::max<int32_t>(0, db.pages[static_cast<size_t>(unsettled[first + i])].rowCount);
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
  return static_cast<int32_t>(std::min<int64_t>(rows, INT32_MAX));
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
