// The rows a user deleted, read back on request. Access marks a deleted row
// in its data page's slot table and leaves the bytes where they were until
// the database is compacted. This walk goes over a table's data pages in the
// order the live walks do and gives each deleted slot whose bytes still form
// a row of the table (deleted_row_layout.h), decoded like a live row; a
// slot that holds only the pointer of a row moved to another page is left
// out, and so is every slot whose bytes do not hold up. Then come the pages
// Access freed from the table (TableDef::freedPages): their rows were
// deleted with the page, whatever their slots say. The live walks
// (row_reader.h) never give these rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/deleted_row_layout.h"
#include "decode/row_cursor.h"
#include "decode/row_decoder.h"
#include "reader/table_def.h"

class DeletedRowWalk {
 public:
  // Starts at from: the table's first data page, or where the cursor of an
  // earlier walk over the table stood. The decoder (whose page buffer the
  // walk reads into) and the table must outlive the walk.
  DeletedRowWalk(RowDecoder& decoder, const TableDef& table, const RowCursor& from = RowCursor());
  // 1 with the next readable deleted row's text in out (the live rows'
  // form, row_text.h), 0 when the pages are used up, -1 when a stop was
  // requested.
  int Next(std::string& out);
  // Moves past the next readable deleted row without decoding its values
  // (no OLE file is written); results as Next.
  int Skip();

  // nextRow counts the rows given or skipped.
  const RowCursor& cursor() const { return cursor_; }

 private:
  // Finds the next readable deleted row; its cells are then in cells_.
  int Find();

  RowDecoder& decoder_;
  const TableDef& table_;
  RowCursor cursor_;
  int32_t slotCount_ = 0;
  std::vector<CellExtent> cells_;
};

// The readable deleted rows of the table, nothing decoded; -1 when a stop was
// requested.
int32_t CountReadableDeletedRows(RowDecoder& decoder, const TableDef& table);

// The record browser's page of deleted rows: the next texts.size() of them
// from cursor on into texts (the texts after the last row found emptied),
// moving the cursor. 1, or -1 when a stop was requested.
int FetchDeletedRowPage(RowDecoder& decoder, const TableDef& table, RowCursor& cursor,
                        std::vector<std::string>& texts);
