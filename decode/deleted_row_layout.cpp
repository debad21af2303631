#include "decode/deleted_row_layout.h"

#include <algorithm>

namespace {

// Jet keeps text up to 255 characters in UCS-2; the table definition's
// length of a text column is cut at 255 bytes when read.
constexpr int64_t kMaxTextBytes = 510;
constexpr int64_t kCutTextLength = 255;

// The most bytes a variable value of column may take; -1 for no limit.
int64_t MaxValueBytes(const ColumnDef& column) {
  switch (column.type) {
    case ColumnType::Text: return column.length < kCutTextLength ? column.length : kMaxTextBytes;
    case ColumnType::Binary: return column.length;
    default: return -1;
  }
}

// Long values start with their 12-byte field; text is UCS-2 unless it
// carries the compression mark.
bool ValueFits(ByteSpan page, const ColumnDef& column, int64_t position, int64_t length) {
  constexpr int64_t kLongValueField = 12;
  // A calculated value is wrapped: its 20-byte header comes first.
  constexpr int64_t kCalculatedHeader = 20;
  if (column.calculated) return length >= (column.type == ColumnType::Memo ? kLongValueField : kCalculatedHeader);
  if (column.type == ColumnType::Memo || column.type == ColumnType::Ole) return length >= kLongValueField;
  int64_t limit = MaxValueBytes(column);
  if (limit >= 0 && length > limit) return false;
  if (column.type == ColumnType::Text) {
    bool compressed = length >= 2 && ReadWord(page, position) == 0xFEFF;
    return compressed || length % 2 == 0;
  }
  return true;
}

}  // namespace

bool ReadDeletedRowLayout(ByteSpan page, const TableDef& table, int64_t start, int64_t end,
                          std::vector<CellExtent>& cells) {
  cells.assign(table.columns.size(), CellExtent{});
  if (start < 0 || end < start || end >= static_cast<int64_t>(page.size())) return false;
  // A row stores the table's column count when it is written; a row from
  // before a column was added cannot be told from a damaged one.
  int32_t n = ReadUInt16(page, start);
  if (n == 0 || n != table.maxColumns) return false;
  int64_t maskBytes = (int64_t{n} + 7) / 8;
  int64_t mask = end - maskBytes + 1;
  if (mask < start + 2) return false;
  // The mask's bits past the last column are never set.
  if (n % 8 != 0 && (page[static_cast<size_t>(end)] >> (n % 8)) != 0) return false;
  auto present = [&](int32_t number) { return (page[static_cast<size_t>(mask + number / 8)] >> (number % 8) & 1) != 0; };

  bool anyVariable = std::any_of(table.columns.begin(), table.columns.end(),
                                 [](const ColumnDef& column) { return !column.isFixed; });
  // The variable offsets (relative to the row), the end of the data last.
  std::vector<int64_t> offsets;
  int64_t dataStart = mask - start;
  if (anyVariable) {
    int64_t v = ReadUInt16(page, mask - 2);
    int64_t endEntry = mask - 4 - 2 * v;
    if (v > n || endEntry < start + 2) return false;
    for (int64_t i = 0; i <= v; ++i) offsets.push_back(ReadUInt16(page, mask - 4 - 2 * i));
    if (!std::is_sorted(offsets.begin(), offsets.end()) || offsets.back() > endEntry - start) return false;
    dataStart = offsets.front();
  }

  for (size_t k = 0; k < table.columns.size(); ++k) {
    const ColumnDef& column = table.columns[k];
    if (column.columnNumber < 0 || column.columnNumber >= n) return false;
    CellExtent& cell = cells[k];
    cell.present = present(column.columnNumber);
    if (column.isFixed) {
      if (column.type == ColumnType::Bit) continue;
      // A fixed value keeps its bytes when it is null.
      if (column.fixedOffset < 0 || column.length <= 0 || 2 + column.fixedOffset + column.length > dataStart)
        return false;
      if (cell.present) cell = {true, start + 2 + column.fixedOffset, column.length};
      continue;
    }
    int64_t i = column.varIndex;
    bool stored = i >= 0 && i + 1 < static_cast<int64_t>(offsets.size());
    if (!stored) {
      if (cell.present) return false;
      continue;
    }
    int64_t from = offsets[static_cast<size_t>(i)], length = offsets[static_cast<size_t>(i) + 1] - from;
    // A null value takes no bytes.
    if (!cell.present) {
      if (length != 0) return false;
      continue;
    }
    if (length > 0 && !ValueFits(page, column, start + from, length)) return false;
    cell = {true, start + from, length};
  }
  return true;
}
