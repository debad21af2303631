// Values as the database outputs write them: exact numbers as their
// decimal text, dates as ISO 8601 text, bytes as bytes, and each of them as
// a literal of a SQL script or a field of PostgreSQL's COPY text format.
// One rule per kind for every output, so that a SQLite file, the scripts
// and a server hold the same values.
#pragma once

#include <string>

#include "export/sql_dialect.h"
#include "format/row_cells.h"

// Currency (the amount times 10,000: "-12.3400") and Decimal values,
// exact, with every place the value has after the point. Appended to out.
void AppendExactNumber(const Value& value, std::string& out);

// A Single by the digits that give its stored float back ("0.1", not
// "0.100000001490116"), a Double by the digits that give it back. NaN and
// the infinities as "NaN", "Infinity", "-Infinity".
void AppendRealNumber(const Value& value, std::string& out);
// The same number as a double: a Single through its shortest digits.
double RealNumber(const Value& value);

// "YYYY-MM-DD HH:MM:SS", and for an extended date/time the fraction of
// the second after a point, with at most fractionDigits digits (7 holds
// every one; 6 for the microseconds of PostgreSQL and MySQL). False, with
// out unchanged, for a value that holds no date.
bool AppendIsoDateTime(const Value& value, int fractionDigits, std::string& out);

// The text a cell's value is written as in a text column, or in SQLite
// whatever the column: a GUID in its registry form, a marker's text, the
// files of an attachment by name.
const std::string& CellValueText(const CellSlot& cell);

// The cell's value as a literal of a script in the dialect (SQLite or
// MySQL): NULL, numbers, quoted text with every character kept (a zero
// character too), X'..' for bytes. A marker stands in a text column as its
// text, and as NULL in a MySQL column of another type, which refuses it.
void AppendSqlLiteral(SqlDialect dialect, const ColumnDef& column, const CellSlot& cell, std::string& out);

// The cell's value as a field of PostgreSQL's COPY text format: \N for
// NULL (and for a marker outside a text column), backslash escapes for
// the separators, bytea as \\x.. hexadecimal. A zero character, which
// PostgreSQL's text cannot hold, is left out.
void AppendCopyField(const ColumnDef& column, const CellSlot& cell, std::string& out);
