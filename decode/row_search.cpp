#include "decode/row_search.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "decode/row_decoder.h"
#include "decode/row_lookup.h"
#include "decode/row_reader.h"
#include "reader/table_def.h"

namespace {

constexpr int64_t kRowsPerReport = 20000;

// The first searched column of the row just decoded that matches, from
// `first` on; -1 when none does. An absent value shows blank and matches
// nothing.
int64_t MatchingColumn(const RowDecoder& decoder, const TableDef& table, const RowSearch& search, size_t first,
                       size_t last) {
  const RowCells& cells = decoder.cells();
  for (size_t column : search.columns) {
    if (column < first || column > last) continue;
    // The orphan reader keeps its cells by position.
    const size_t cell = table.orphan ? column : static_cast<size_t>(table.columns[column].columnNumber);
    if (cell >= cells.size() || cells[cell].value.IsNull()) continue;
    if (search.matches(cells[cell].text)) return static_cast<int64_t>(column);
  }
  return -1;
}

std::vector<int32_t> ColumnNumbers(const TableDef& table, const RowSearch& search) {
  std::vector<int32_t> numbers;
  for (size_t column : search.columns) numbers.push_back(table.columns[column].columnNumber);
  return numbers;
}

// The table's own order: one walk. A match before the start is kept for
// the way round, in case nothing matches after it.
int FindInTableOrder(RowDecoder& decoder, TableDef& table, const RowSearch& search, RowMatch& found) {
  TableRowWalk walk(decoder, table);
  std::string text;
  bool roundAgain = false;  // found holds the first match before the start
  std::optional<RowMatch> startRowEarlier;  // in the start row, up to its column
  int got = 0;
  while ((got = walk.Next(text)) == 1) {
    const int64_t row = walk.cursor().nextRow - 1;
    if (search.progress && (row + 1) % kRowsPerReport == 0) search.progress(row + 1);
    if (row < search.fromRow && roundAgain) continue;
    const RowCursor& at = walk.cursor();
    auto matchAt = [&](int64_t column) {
      return RowMatch{row, static_cast<size_t>(column), {row, at.dataPageIndex, at.pageSlot - 1}};
    };
    if (row < search.fromRow) {
      const int64_t column = MatchingColumn(decoder, table, search, 0, SIZE_MAX);
      if (column >= 0) {
        found = matchAt(column);
        roundAgain = true;
      }
      continue;
    }
    const size_t first = row == search.fromRow ? search.fromColumn + 1 : 0;
    const int64_t column = MatchingColumn(decoder, table, search, first, SIZE_MAX);
    if (column >= 0) {
      found = matchAt(column);
      return 1;
    }
    if (row == search.fromRow && !roundAgain) {
      const int64_t earlier = MatchingColumn(decoder, table, search, 0, search.fromColumn);
      if (earlier >= 0) startRowEarlier = matchAt(earlier);
    }
  }
  if (got < 0) return -1;
  if (roundAgain) return 1;
  if (!startRowEarlier) return 0;
  found = *startRowEarlier;
  return 1;
}

int FindInOrder(RowDecoder& decoder, TableDef& table, const RowSearch& search, RowMatch& found) {
  const std::vector<RowPosition>& order = *search.order;
  const int64_t count = static_cast<int64_t>(order.size());
  if (count == 0) return 0;
  RowLookup lookup(decoder, table);
  std::string text;
  const int64_t start = std::max<int64_t>(search.fromRow, 0);
  // From the start row after its column, round to the start row again up
  // to and including its column.
  for (int64_t i = 0; i <= count; ++i) {
    const int64_t row = (start + i) % count;
    if (search.progress && (i + 1) % kRowsPerReport == 0) search.progress(i + 1);
    const int read = lookup.Read(order[static_cast<size_t>(row)], text);
    if (read < 0) return -1;
    if (read == 0) continue;
    size_t first = 0, last = SIZE_MAX;
    if (search.fromRow >= 0 && i == 0) first = search.fromColumn + 1;
    if (search.fromRow >= 0 && i == count) last = search.fromColumn;
    if (search.fromRow < 0 && i == count) break;
    const int64_t column = MatchingColumn(decoder, table, search, first, last);
    if (column < 0) continue;
    found = {row, static_cast<size_t>(column), order[static_cast<size_t>(row)]};
    return 1;
  }
  return 0;
}

}  // namespace

int FindCell(RowDecoder& decoder, TableDef& table, const RowSearch& search, RowMatch& found) {
  if (search.columns.empty() || !search.matches) return 0;
  if (!table.orphan) decoder.SetColumnsWanted(ColumnNumbers(table, search));
  const int result = search.order != nullptr ? FindInOrder(decoder, table, search, found)
                                             : FindInTableOrder(decoder, table, search, found);
  decoder.SetColumnsWanted({});
  return result;
}
