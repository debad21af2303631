#include "decode/orphan_row_decoder.h"

#include <algorithm>

#include "decode/long_value.h"
#include "decode/row_text.h"
#include "decode/value_decoders.h"
#include "decode/value_renderer.h"
#include "format/row_structure.h"
#include "reader/mdb_file.h"
#include "reader/orphan_tables.h"

namespace {

// Bytes of no known kind: a Binary value, shown in hexadecimal ("0A 1B 2C";
// NULL for no bytes) since nothing tells what they are.
void SetBytes(ByteSpan bytes, CellSlot& cell) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (bytes.empty()) return SetCellNull(cell);
  cell.value.Clear();
  cell.value.kind = ValueKind::Binary;
  cell.value.bytes.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  cell.text.clear();
  for (uint8_t b : bytes) {
    if (!cell.text.empty()) cell.text += ' ';
    cell.text += kDigits[b >> 4];
    cell.text += kDigits[b & 0xF];
  }
}

void DecodeOrphanValue(const MdbFile& db, ByteSpan page, int64_t from, int64_t to, CellSlot& cell) {
  const int64_t length = to - from;
  switch (ClassifyOrphanValue(db, page, from, length)) {
    case OrphanValue::Empty: return SetCellNull(cell);
    case OrphanValue::Text: DecodeText(db.Text(), page, from, length, cell.value); break;
    case OrphanValue::LongValue:
      if (DecodeMemo(db, page, from, length, cell.value) == 1) break;
      return SetBytes(BytesInside(page, from, length), cell);
    case OrphanValue::Bytes: return SetBytes(BytesInside(page, from, length), cell);
  }
  RenderValueText(cell.value, cell.text);
}

// A guessed fixed column, rendered as its type renders; outside the row's
// fixed area it is absent, and so are a guessed date's zero bytes.
void DecodeGuessedValue(ByteSpan page, const RowStructure& row, const ColumnDef& column, CellSlot& cell) {
  if (column.type == ColumnType::Bit) return SetCellBoolean(row.Present(page, column.maskBit), cell);
  if (column.maskBit >= 0 && !row.Present(page, column.maskBit)) return SetCellNull(cell);
  const int64_t at = row.fixedStart + column.fixedOffset;
  ByteSpan bytes = BytesInside(page, at, column.length);
  if (at + column.length > row.FixedEnd() || static_cast<int64_t>(bytes.size()) != column.length) return SetCellNull(cell);
  switch (column.type) {
    case ColumnType::Date:
      if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) return SetCellNull(cell);
      DecodeDate(page, at, cell.value);
      break;
    case ColumnType::Currency: DecodeCurrency(page, at, cell.value); break;
    case ColumnType::Long: DecodeLong(page, at, cell.value); break;
    case ColumnType::Single: DecodeSingle(page, at, cell.value); break;
    case ColumnType::Double: DecodeDouble(page, at, cell.value); break;
    default: DecodeInt(page, at, cell.value); break;
  }
  RenderValueText(cell.value, cell.text);
}

}  // namespace

int DecodeOrphanRow(const MdbFile& db, ByteSpan page, const TableDef& table, int64_t start, int64_t end,
                    RowCells& cells, std::string& out) {
  RowStructure row;
  if (!ReadOrphanRow(page, db.Layout(), start, end, {RowStructure::kMaxColumns, table.varColumnCount > 0, true}, row))
    return -1;
  if (cells.size() < table.columns.size()) cells.resize(table.columns.size());
  std::string text;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    CellSlot& cell = cells[i];
    const ColumnDef& column = table.columns[i];
    if (i == 0)
      SetBytes(BytesInside(page, row.fixedStart, row.FixedEnd() - row.fixedStart), cell);
    else if (column.inferred)
      DecodeGuessedValue(page, row, column, cell);
    else if (column.varIndex >= 0 && column.varIndex < row.VariableCount()) {
      auto [from, to] = row.Variable(column.varIndex);
      DecodeOrphanValue(db, page, from, to, cell);
    } else
      SetCellNull(cell);
    cell.present = !cell.value.IsNull();
    text += cell.text;
    text += kFieldSeparator;
  }
  out = std::move(text);
  return row.VariableCount() + 1;
}
