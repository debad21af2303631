#include "reader/column_types.h"

#include <cstdio>

std::string ColumnTypeName(const ColumnDef& column) {
  switch (column.type) {
    case ColumnType::Bit: return "BIT";
    case ColumnType::Byte: return "BYTE";
    case ColumnType::Int: return "INT";
    case ColumnType::Long: return column.columnNumber == 0 ? "COUNTER" : "LONG";
    case ColumnType::Currency: return "CURRENCY";
    case ColumnType::Single: return "SINGLE";
    case ColumnType::Double: return "DOUBLE";
    case ColumnType::Date: return "DATE";
    case ColumnType::Binary: return "BINARY";
    case ColumnType::Text: return "TEXT";
    case ColumnType::Ole: return "OLEOBJECT";
    case ColumnType::Memo: return "MEMO";
    case ColumnType::Guid: return "GUID";
    case ColumnType::Numeric: return "NUMERIC";
    case ColumnType::BigInt: return "BIGINT";
    case ColumnType::DateTimeExtended: return "DATETIME2";
    case ColumnType::Complex: return column.complexKind == ComplexKind::Attachment ? "ATTACHMENT" : "COMPLEX";
  }
  char text[48];
  std::snprintf(text, sizeof text, "UNKNOWN-DATATYPE = 0x%x", static_cast<unsigned>(ColumnTypeCode(column.type)));
  return text;
}

std::string ColumnTreeText(const ColumnDef& column) {
  std::string type = ColumnTypeName(column);
  if (type == "TEXT") return column.name + " [TEXT(" + std::to_string(column.length) + ")]";
  // A calculated decimal has no precision of its own.
  if (type == "NUMERIC" && column.precision > 0)
    return column.name + " [NUMERIC(" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")]";
  // A type worked out from the rows, or read from the column's length
  // against what the record states, is a guess and says so.
  return column.name + " [" + type + (column.inferred || column.typeFromLength ? "?" : "") + "]";
}
