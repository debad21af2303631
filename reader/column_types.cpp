#include "reader/column_types.h"

#include <algorithm>
#include <cstdio>

#include "reader/mdb_file.h"

std::string ColumnTypeName(const ColumnDef& column) {
  switch (column.typeCode) {
    case 1: return "BIT";
    case 2: return "BYTE";
    case 3: return "INT";
    case 4: return column.columnNumber == 0 ? "COUNTER" : "LONG";
    case 5: return "CURRENCY";
    case 6: return "SINGLE";
    case 7: return "DOUBLE";
    case 8: return "DATE";
    case 9: return "BINARY";
    case 10: return "TEXT";
    case 11: return "OLEOBJECT";
    case 12: return "MEMO";
    case 15: return "GUID";
    case 16: return "LONG";
    default: {
      char text[48];
      std::snprintf(text, sizeof text, "UNKNOWN-DATATYPE = 0x%x", static_cast<unsigned>(column.typeCode));
      return text;
    }
  }
}

std::string ColumnTreeText(const ColumnDef& column) {
  std::string type = ColumnTypeName(column);
  if (type == "TEXT") return column.name + " [TEXT(" + std::to_string(column.length) + ")]";
  return column.name + " [" + type + "]";
}

// Columns in column-number order are the order of the values in a row.
int MdbFile::SortColumns() {
  // Stable, so that a damaged definition whose columns all carry the same
  // number keeps its record order and still sorts in n log n.
  for (auto& table : tables)
    std::stable_sort(table->columns.begin(), table->columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.columnNumber < b.columnNumber; });
  return 1;
}
