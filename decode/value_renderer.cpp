#include "decode/value_renderer.h"

#include "decode/long_value.h"
#include "decode/value_decoders.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"

int DecodeValue(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
                int64_t position, CellText& out, int64_t length) {
  switch (column.type) {
    case ColumnType::Byte: return DecodeByte(page, position, out);
    case ColumnType::Int: return DecodeInt(page, position, out);
    case ColumnType::Long: return DecodeLong(page, position, out);
    case ColumnType::Currency: return DecodeCurrency(page, position, out);
    case ColumnType::Single: return DecodeSingle(page, position, out);
    case ColumnType::Double: return DecodeDouble(page, position, out);
    case ColumnType::Date: DecodeDate(page, position, out); return 1;
    case ColumnType::Text: return DecodeText(db.Text(), page, position, out, length);
    case ColumnType::Guid: return DecodeGuid(page, position, out);
    case ColumnType::Numeric: return DecodeNumeric(page, position, out, column.precision, column.scale);
    case ColumnType::Binary:
    case ColumnType::Ole:
    case ColumnType::Memo:
      // The type's name stays in the cell when the decoder fails before
      // writing.
      out = ColumnTypeName(column);
      if (column.type == ColumnType::Binary) DecodeBinary(page, position, out, length);
      else if (column.type == ColumnType::Ole) DecodeOle(db, oleFiles, page, position, out, length);
      else DecodeMemo(db, page, position, out, length);
      return 1;
    case ColumnType::Bit:
      // Only if the row walk let it; it shows its name.
      out = ColumnTypeName(column);
      return 1;
  }
  out = ColumnTypeName(column);
  return -1;
}
