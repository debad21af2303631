// Decodes one stored value by its column's type, and renders the text the
// record list and the sheets show from it. A value that cannot be read
// becomes a Marker (an empty text, a marker or the type's name), never a
// fault: the row walk goes on with the next column.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/row_cells.h"
#include "format/value.h"
#include "reader/table_def.h"

class MdbFile;
class OleFileWriter;

// The value of column at position of page (a fixed column's length, or the
// length of a variable value) into out. 1 when a decoder ran, -1 for a type
// code without one (out then holds a Marker "UNKNOWN-DATATYPE = 0x.."). Long
// values are looked up in the session; OLE objects go to oleFiles.
int DecodeValue(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
                int64_t position, int64_t length, Value& out);

// DecodeValue into the cell's value, and the cell's text rendered from it.
int DecodeCell(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
               int64_t position, int64_t length, CellSlot& cell);

// An absent value's cell, and a boolean's cell from its presence bit.
void SetCellNull(CellSlot& cell);
void SetCellBoolean(bool set, CellSlot& cell);
