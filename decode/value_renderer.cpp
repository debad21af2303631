#include "decode/value_renderer.h"

#include "decode/calculated_value.h"
#include "decode/long_value.h"
#include "decode/value_decoders.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"

namespace {

// The type's name stands in for a value whose decoder failed before it
// could give one.
void SetTypeName(const ColumnDef& column, Value& out) {
  out.Clear();
  out.kind = ValueKind::Marker;
  out.text = ColumnTypeName(column);
}

}  // namespace

int DecodeValue(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
                int64_t position, int64_t length, Value& out) {
  if (column.calculated) {
    DecodeCalculated(db, oleFiles, page, column, position, length, out);
    return 1;
  }
  switch (column.type) {
    case ColumnType::Byte: DecodeByte(page, position, out); return 1;
    case ColumnType::Int: DecodeInt(page, position, out); return 1;
    case ColumnType::Long: DecodeLong(page, position, out); return 1;
    case ColumnType::BigInt: DecodeBigInt(page, position, out); return 1;
    case ColumnType::DateTimeExtended: DecodeExtendedDate(page, position, out); return 1;
    case ColumnType::Currency: DecodeCurrency(page, position, out); return 1;
    case ColumnType::Single: DecodeSingle(page, position, out); return 1;
    case ColumnType::Double: DecodeDouble(page, position, out); return 1;
    case ColumnType::Date: DecodeDate(page, position, out); return 1;
    case ColumnType::Text: DecodeText(db.Text(), page, position, length, out); return 1;
    case ColumnType::Guid: DecodeGuid(page, position, out); return 1;
    case ColumnType::Numeric: DecodeNumeric(page, position, column.scale, out); return 1;
    case ColumnType::Binary:
      if (DecodeBinary(page, position, length, out) < 0) SetTypeName(column, out);
      return 1;
    case ColumnType::Memo:
      if (DecodeMemo(db, page, position, length, out) < 0) SetTypeName(column, out);
      return 1;
    case ColumnType::Ole:
      // A flag word it does not know gives its own message.
      SetTypeName(column, out);
      DecodeOle(db, oleFiles, page, position, length, out);
      return 1;
    case ColumnType::Bit:
      // Only if the row walk let it; it shows its name.
      SetTypeName(column, out);
      return 1;
  }
  SetTypeName(column, out);
  return -1;
}

int DecodeCell(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
               int64_t position, int64_t length, CellSlot& cell) {
  int result = DecodeValue(db, oleFiles, page, column, position, length, cell.value);
  RenderValueText(cell.value, cell.text);
  return result;
}

void SetCellNull(CellSlot& cell) {
  cell.value.Clear();
  RenderValueText(cell.value, cell.text);
}

void SetCellBoolean(bool set, CellSlot& cell) {
  cell.value.Clear();
  cell.value.kind = ValueKind::Boolean;
  cell.value.integer = set ? 1 : 0;
  RenderValueText(cell.value, cell.text);
}
