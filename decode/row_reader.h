// The two walks over a table's rows. The record browser asks for rows 100
// at a time (FetchRowPage) from a cursor it keeps; the sheet writer and the
// command line walk every slot of every page (TableRowWalk). Both decode
// through a RowDecoder (row_decoder.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/row_cursor.h"
#include "decode/row_decoder.h"
#include "reader/table_def.h"

// The next rows of the table from cursor on into texts (at least 100 of
// them; unfilled texts keep what they held), moving the cursor. Rows that are
// markers are replaced by following rows within the same call. 1, or -1 when
// the table has no data pages or a stop was requested.
int FetchRowPage(RowDecoder& decoder, TableDef& table, RowCursor& cursor, std::vector<std::string>& texts);

// Every live row of a table, page by page and slot by slot, as the sheets
// get them: data pages in order, pages without slots passed over, marker
// rows left out.
class TableRowWalk {
 public:
  // Starts at the table's first data page with fresh cells. The decoder and
  // the table must outlive the walk.
  TableRowWalk(RowDecoder& decoder, TableDef& table);
  // 1 with the next row's text in out, 0 when the pages are used up, -1 when
  // a stop was requested.
  int Next(std::string& out);

  // nextRow counts the rows given; dataPageIndex is the page of the last one.
  const RowCursor& cursor() const { return cursor_; }

 private:
  RowDecoder& decoder_;
  TableDef& table_;
  RowCursor cursor_;
  int32_t slotCount_ = 0;
};
