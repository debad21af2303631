// Cuts the rows of a table's data pages into row texts: each column's value,
// rendered, in column order and followed by the field separator (row_text.h).
// Rows are decoded in place from the table's page buffer; an offset a row
// gives is checked against the row's own bounds, and a row whose header does
// not add up is given up whole, never half-decoded.
//
// The record browser asks for rows 100 at a time (FetchRowPage); the sheet
// writer and the command line walk every slot of every page (TableRowWalk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/table_def.h"

class MdbFile;

// Empties db.rowCells and gives it the table's maxColumns fresh slots.
void ResetRowCells(MdbFile& db, const TableDef& table);

// Row slot `slot` of the page in table.pageScratch into out: the row text, a
// marker, or nothing. 1 when the row was decoded (or given up as damaged), 0
// when it holds no columns, -1 for a row flagged deleted or when a stop was
// requested. Sets db.lookupRowFlag and db.deletedRowFlag for the slot.
int ReadRow(MdbFile& db, TableDef& table, int slot, std::string& out);

// The row spanning page bytes start to end (inclusive) into out. The number
// of columns the row stores, or -1 with out untouched when the row is damaged
// or a stop was requested.
int DecodeRow(MdbFile& db, TableDef& table, int64_t start, int64_t end, std::string& out);

// The next rows of the table from its cursor on into texts (at least 100 of
// them; unfilled texts keep what they held), moving the cursor. Rows that are
// markers are replaced by following rows within the same call. 1, or -1 when
// the table has no data pages or a stop was requested.
int FetchRowPage(MdbFile& db, TableDef& table, std::vector<std::string>& texts);

// Every live row of a table, page by page and slot by slot, as the sheets
// get them: data pages in order, pages without slots passed over, marker
// rows left out.
class TableRowWalk {
 public:
  // Zeroes the table's cursor and resets the row cells.
  TableRowWalk(MdbFile& db, TableDef& table);
  // 1 with the next row's text in out, 0 when the pages are used up, -1 when
  // a stop was requested.
  int Next(std::string& out);

 private:

  MdbFile& db_;
  TableDef& table_;
  int32_t slotCount_ = 0;
  int32_t slot_ = 0;
};
