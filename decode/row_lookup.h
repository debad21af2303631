// Rows read where they lie, one position at a time, rather than walked in
// the table's order: the pages of a sorted order and the search through it.
// A page stays loaded while the positions stay on it.
#pragma once

#include <cstdint>
#include <string>

#include "decode/row_page_index.h"

class RowDecoder;
struct TableDef;

class RowLookup {
 public:
  // The decoder and the table must outlive the lookup.
  RowLookup(RowDecoder& decoder, TableDef& table);

  // The row at `position` into text, as the row walks give it (its cells in
  // the decoder). 1, 0 when nothing readable is there (any more), -1 when a
  // stop was requested.
  int Read(const RowPosition& position, std::string& text);

 private:
  RowDecoder& decoder_;
  TableDef& table_;
  int32_t loadedIndex_ = -1;
  int32_t slotCount_ = 0;
};
