// What a data page's rows give of themselves, before their table is known:
// how many of them a table reads, under each of the two row layouts a table
// can have. The page inventory keeps this for every data page, so that
// counting a table's rows (decode/row_count.h) needs to decode only the
// pages it does not settle.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/jet_layout.h"

struct PageRowSummary {
  // The counts stand for every slot: no slot is marked deleted, none lies
  // past the offset table's room, and no row that reads has a null mask of
  // zeros, which only the table's columns can judge.
  bool settled = false;
  uint16_t widest = 0;             // the most columns a slot's row stores
  uint16_t readWithOffsets = 0;    // rows that read when the table has variable columns
  uint16_t readWithoutOffsets = 0; // and when it has none

  // The rows a table read from the page, for a table whose rows store at
  // most maxColumns columns; -1 when the page must be decoded to know.
  int32_t RowsRead(int32_t maxColumns, bool variableColumns) const {
    if (!settled || widest > maxColumns) return -1;
    return variableColumns ? readWithOffsets : readWithoutOffsets;
  }
};

// The summary of the data page's first `slots` slots. A row reads as the
// row decoder's count reads it: bytes not all zero, its structure holding
// with at least one column.
PageRowSummary SummarizePageRows(ByteSpan page, const JetLayout& layout, int32_t slots);
