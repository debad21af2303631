#include "decode/row_count.h"

#include <memory>
#include <optional>
#include <string>

#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_reader.h"

int32_t CountReadableRows(RowDecoder& decoder, TableDef& table) {
  decoder.SetCountOnly(true);
  TableRowWalk walk(decoder, table);
  std::string text;
  int result = 0;
  while ((result = walk.Next(text)) == 1) {
  }
  decoder.SetCountOnly(false);
  return result < 0 ? -1 : walk.cursor().nextRow;
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
