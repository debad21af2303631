#include "decode/row_reader.h"

#include <algorithm>

#include "decode/row_text.h"

namespace {

constexpr int32_t kRowsPerFetch = 100;

// Reads the table's data page at position index of dataPages into the
// decoder's page buffer; the page's slot count.
int32_t LoadDataPage(RowDecoder& decoder, const TableDef& table, RowCursor& cursor, int32_t index) {
  cursor.dataPageIndex = index;
  return decoder.LoadPage(table.dataPages[static_cast<size_t>(index)]);
}

// Moves to the next data page holding slots once slot is past the current
// page's; false when the pages are used up.
bool NextSlotReady(RowDecoder& decoder, const TableDef& table, RowCursor& cursor, int32_t& slot,
                   int32_t& slotCount) {
  int32_t last = static_cast<int32_t>(table.dataPages.size()) - 1;
  while (slot >= slotCount) {
    if (cursor.dataPageIndex >= last) return false;
    slotCount = LoadDataPage(decoder, table, cursor, cursor.dataPageIndex + 1);
    slot = 0;
  }
  return true;
}

}  // namespace

int FetchRowPage(RowDecoder& decoder, TableDef& table, RowCursor& cursor, std::vector<std::string>& texts) {
  if (texts.size() < kRowsPerFetch) texts.resize(kRowsPerFetch);
  int64_t startRow = cursor.nextRow;
  int64_t batchEnd = startRow < int64_t{table.rowCount} - kRowsPerFetch ? startRow + kRowsPerFetch : table.rowCount;
  decoder.ResetCells(table);
  if (table.dataPages.empty()) return -1;
  int32_t last = static_cast<int32_t>(table.dataPages.size()) - 1;
  int32_t slotCount = LoadDataPage(decoder, table, cursor, std::clamp(cursor.dataPageIndex, 0, last));

  // row counts the rows given, as the table's row count does: a slot whose
  // text is dropped is taken by a later row of the same fetch and costs the
  // table none of its rows.
  // A stopped fetch leaves the cursor's row and slot as they were.
  size_t k = 0;
  int64_t row = startRow;
  int32_t slot = cursor.pageSlot;
  while (row < batchEnd && NextSlotReady(decoder, table, cursor, slot, slotCount)) {
    if (decoder.StopRequested()) return -1;
    std::string& text = texts[k];
    if (decoder.ReadRow(table, slot, text) == 0) text = kErrorReadingRecord;
    if (!IsSkippedRowText(text)) {
      ++k;
      ++row;
    }
    ++slot;
  }
  if (decoder.StopRequested()) return -1;

  // The first rows of a table whose row count is too small: top them up from
  // the following pages, as they come.
  if (row < kRowsPerFetch && row >= batchEnd && cursor.dataPageIndex < last) {
    while (slot < kRowsPerFetch && cursor.dataPageIndex < last && row - startRow < kRowsPerFetch) {
      table.AddRows(1);
      if (!NextSlotReady(decoder, table, cursor, slot, slotCount)) break;
      if (decoder.StopRequested()) return -1;
      if (decoder.ReadRow(table, slot, texts[k]) == 0) texts[k] = kErrorReadingRecord;
      ++k;
      ++slot;
      ++row;
    }
  }
  cursor.nextRow = static_cast<int32_t>(row);
  cursor.pageSlot = slot;
  return 1;
}

TableRowWalk::TableRowWalk(RowDecoder& decoder, TableDef& table) : decoder_(decoder), table_(table) {
  decoder.ResetCells(table);
  if (!table.dataPages.empty()) slotCount_ = LoadDataPage(decoder, table, cursor_, 0);
}

int TableRowWalk::Next(std::string& out) {
  for (;;) {
    if (decoder_.StopRequested()) return -1;
    if (table_.dataPages.empty() || !NextSlotReady(decoder_, table_, cursor_, cursor_.pageSlot, slotCount_))
      return 0;
    if (decoder_.ReadRow(table_, cursor_.pageSlot++, out) == 0) out = kErrorReadingRecord;
    if (IsSkippedRowText(out)) continue;
    ++cursor_.nextRow;
    return 1;
  }
}
