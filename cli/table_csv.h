// A table's rows as the rows command prints them: CSV (export/csv_writer.h)
// with a header of column names. Kept apart from the command so that the
// benchmark times exactly this part.
#pragma once

#include <cstdio>

class MdbFile;
struct TableDef;

// page 0: every row as the sheets get them; page N: the rows of the record
// browser's Nth page. Writes to out; false when writing failed.
bool WriteTableCsv(MdbFile& file, TableDef& table, long page, std::FILE* out);
