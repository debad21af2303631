// Rows of a table whose definition is lost (reader/orphan_tables.h), decoded
// from what each row says of itself: its fixed data in hexadecimal, the
// fixed columns guessed from the rows' bytes by their guessed types, then
// each variable value as text, as the text of the memo it points to, or in
// hexadecimal, whichever the value is.
#pragma once

#include <cstdint>
#include <string>

#include "format/field_readers.h"
#include "format/row_cells.h"
#include "reader/table_def.h"

class MdbFile;

// The row spanning page bytes start to end (inclusive) into out (the row
// text) and cells; the number of values it holds, or -1 with out untouched
// when the row's structure does not hold.
int DecodeOrphanRow(const MdbFile& db, ByteSpan page, const TableDef& table, int64_t start, int64_t end,
                    RowCells& cells, std::string& out);
