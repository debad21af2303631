// Where a walk over a table's rows stands. The record browser keeps one per
// page it has shown, to go back; the export's walk keeps one per table.
#pragma once

#include <cstdint>

struct RowCursor {
  int32_t nextRow = 0;        // rows given so far
  int32_t pageSlot = 0;       // the next slot of the current data page
  // The current data page, by position in the table's dataPages; the
  // deleted-row walk goes on into its freedPages.
  int32_t dataPageIndex = 0;

  bool operator==(const RowCursor&) const = default;
};
