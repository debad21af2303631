// Renders one stored value as the text the record list and the sheets show:
// the decoder is chosen by the column's type. A value that cannot be
// shown becomes "NULL", an empty text, a marker or the type's name, never a
// fault: the row walk goes on with the next column.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/row_cells.h"
#include "reader/table_def.h"

class MdbFile;
class OleFileWriter;

// The value of column at position of page (a fixed column's length, or the
// length of a variable value) into out. 1 when a decoder ran, -1 for a type
// code without one (out then holds "UNKNOWN-DATATYPE = 0x.."). Long values
// are looked up in the session; OLE objects go to oleFiles.
int DecodeValue(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
                int64_t position, CellText& out, int64_t length);
