#include "decode/deleted_row_layout.h"

#include <algorithm>

#include "format/row_structure.h"

namespace {

// Two-byte text keeps up to 255 characters in 510 bytes; the table
// definition's length of a text column is cut at 255 bytes when read.
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

// Long values start with their field; a calculated value is wrapped in its
// 20-byte header; text must be whole in its stored form.
bool ValueFits(ByteSpan page, const JetLayout& layout, const TextDecoder& text, const ColumnDef& column,
               int64_t position, int64_t length) {
  constexpr int64_t kCalculatedHeader = 20;
  if (column.calculated)
    return length >= (column.type == ColumnType::Memo ? layout.longValueFieldSize : kCalculatedHeader);
  if (column.type == ColumnType::Memo || column.type == ColumnType::Ole) return length >= layout.longValueFieldSize;
  int64_t limit = MaxValueBytes(column);
  if (limit >= 0 && length > limit) return false;
  return column.type != ColumnType::Text || text.CanBeWhole(BytesInside(page, position, length));
}

}  // namespace

bool ReadDeletedRowLayout(ByteSpan page, const JetLayout& layout, const TextDecoder& text, const TableDef& table,
                          int64_t start, int64_t end, std::vector<CellExtent>& cells) {
  cells.assign(table.columns.size(), CellExtent{});
  bool anyVariable = std::any_of(table.columns.begin(), table.columns.end(),
                                 [](const ColumnDef& column) { return !column.isFixed; });
  RowStructure row;
  if (!ReadRowStructure(page, layout, start, end, {table.maxColumns, anyVariable, true}, row)) return false;
  // A row stores the table's column count when it is written; a row from
  // before a column was added cannot be told from a damaged one.
  const int32_t n = row.columnCount;
  if (n != table.maxColumns) return false;
  const int64_t dataStart = row.FixedEnd() - start;
  const int64_t fixedStart = row.fixedStart - start;

  for (size_t k = 0; k < table.columns.size(); ++k) {
    const ColumnDef& column = table.columns[k];
    if (column.columnNumber < 0 || column.columnNumber >= n) return false;
    CellExtent& cell = cells[k];
    cell.present = row.Present(page, column.columnNumber);
    if (column.isFixed) {
      if (column.type == ColumnType::Bit) continue;
      // A fixed value keeps its bytes when it is null.
      if (column.fixedOffset < 0 || column.length <= 0 || fixedStart + column.fixedOffset + column.length > dataStart)
        return false;
      if (cell.present) cell = {true, row.fixedStart + column.fixedOffset, column.length};
      continue;
    }
    int32_t i = column.varIndex;
    if (i < 0 || i >= row.VariableCount()) {
      if (cell.present) return false;
      continue;
    }
    auto [from, to] = row.Variable(i);
    // A null value takes no bytes.
    if (!cell.present) {
      if (to != from) return false;
      continue;
    }
    if (to > from && !ValueFits(page, layout, text, column, from, to - from)) return false;
    cell = {true, from, to - from};
  }
  return true;
}
