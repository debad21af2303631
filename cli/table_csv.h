// A table's rows as the rows command prints them: CSV (RFC 4180, CRLF line
// ends) with a header of column names, cell bytes as they are. Kept apart
// from the command so that the benchmark times exactly this part.
#pragma once

#include <cstdio>

#include "export/table_sheet_writer.h"

class RowDecoder;
struct TableDef;

// page 0: every row of the set as the sheets get them; page N: the rows of
// the record browser's Nth page (live rows only). Writes to out; false when
// writing failed.
bool WriteTableCsv(RowDecoder& rows, TableDef& table, long page, std::FILE* out, RowSet rowSet = RowSet::Live);
