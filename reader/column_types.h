// The names of the Jet column types, as the table tree, the sheets and the
// command line show them.
#pragma once

#include <string>

#include "reader/table_def.h"

// "TEXT", "LONG", ...; a long integer numbered 0 is the table's "COUNTER";
// unknown codes read "UNKNOWN-DATATYPE = 0x%x".
std::string ColumnTypeName(const ColumnDef& column);

// The column as the table tree shows it: "Born [DATE]", "Title [TEXT(50)]";
// "Price [CURRENCY?]" for a type read from the column's length.
std::string ColumnTreeText(const ColumnDef& column);
