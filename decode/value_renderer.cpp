#include "decode/value_renderer.h"

#include "decode/long_value.h"
#include "decode/value_decoders.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"

int DecodeValue(MdbFile& db, ByteSpan page, const ColumnDef& column, int64_t position, CellText& out,
                int64_t length) {
  switch (column.typeCode) {
    case 2: return DecodeByte(page, position, out);
    case 3: return DecodeInt(page, position, out);
    case 4: return DecodeLong(page, position, out);
    case 5: return DecodeCurrency(page, position, out);
    case 6: return DecodeSingle(page, position, out);
    case 7: return DecodeDouble(page, position, out);
    case 8: DecodeDate(page, position, out); return 1;
    case 10: return DecodeText(page, position, out, length);
    case 15: return DecodeGuid(page, position, out);
    case 16: return DecodeNumeric(page, position, out, column.precision, column.scale);
    case 9:
    case 11:
    case 12:
      // The type's name stays in the cell when the decoder fails before
      // writing.
      out = ColumnTypeName(column);
      if (column.typeCode == 9) DecodeBinary(page, position, out, length);
      else if (column.typeCode == 11) DecodeOle(db, page, position, out, length);
      else DecodeMemo(db, page, position, out, length);
      return 1;
    default:
      // BIT reaches here only if the row walk let it; it shows its name.
      out = ColumnTypeName(column);
      return column.typeCode == 1 ? 1 : -1;
  }
}
