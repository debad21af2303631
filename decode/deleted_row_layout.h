// Whether the bytes a deleted slot still points at form a row of the table.
// Access leaves a deleted row's bytes in place until the database is
// compacted, but the space may have been written over since; so a deleted
// row is given only when every measure its layout offers adds up (column
// count, null mask, offsets in order, every value inside the row and within
// its column's size). Nothing is guessed: a row that fails any of them is
// left out whole.
#pragma once

#include <cstdint>
#include <vector>

#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "format/text_decoder.h"
#include "reader/table_def.h"

// Where one column's value lies in the row; length 0 for an absent value.
struct CellExtent {
  bool present = false;
  int64_t position = 0;  // page offset
  int64_t length = 0;
};

// The extents of the row spanning page bytes start to end (inclusive), by
// position in table.columns; false when the bytes do not hold up as a row
// of the layout whose text reads as text does.
bool ReadDeletedRowLayout(ByteSpan page, const JetLayout& layout, const TextDecoder& text, const TableDef& table,
                          int64_t start, int64_t end, std::vector<CellExtent>& cells);
