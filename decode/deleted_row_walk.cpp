#include "decode/deleted_row_walk.h"

#include <algorithm>

#include "decode/long_value.h"
#include "decode/row_text.h"
#include "decode/value_decoders.h"
#include "decode/value_renderer.h"
#include "reader/mdb_file.h"

namespace {

// The last byte of the deleted row in slot at start: rows are packed from
// the page end down, so a row ends where the nearest row above it begins.
// False when the bytes are another slot's too (a live row, or a slot before
// this one): they are given once, or never.
bool FindRowEnd(ByteSpan page, const JetLayout& layout, int32_t slotCount, int32_t slot, int64_t start,
                int64_t& end) {
  end = layout.pageSize;
  for (int32_t s = 0; s < slotCount; ++s) {
    uint16_t entry = ReadWord(page, layout.rowOffsetTable + 2 * int64_t{s});
    int64_t other = entry & layout.rowOffsetMask;
    if (other > start) end = std::min(end, other);
    if (other == start && s != slot && (s < slot || !(entry & layout.deletedRowFlag))) return false;
  }
  --end;
  return true;
}

// A row moved to another page leaves a slot holding only a row pointer to
// it: a row byte and a page of the table that has such a row.
bool IsMovedRowPointer(ByteSpan page, const MdbFile& db, const TableDef& table, uint16_t entry, int64_t start,
                       int64_t end) {
  const JetLayout& layout = db.Layout();
  if (end - start + 1 == layout.longValueLinkSize) return true;
  if (entry & layout.lookupRowFlag) return false;
  int32_t target = ReadUInt24(page, start + 1);
  if (!std::binary_search(table.dataPages.begin(), table.dataPages.end(), target) ||
      static_cast<size_t>(target) >= db.pages.size())
    return false;
  return (ReadSignedByte(page, start) & 0xFF) < db.pages[static_cast<size_t>(target)].rowCount;
}

// The scan counted each data page's slots marked deleted: a page with none
// holds no deleted row and need not be read.
bool MayHoldDeletedRows(const MdbFile& db, int32_t page) {
  return page < 0 || static_cast<size_t>(page) >= db.pages.size() ||
         db.pages[static_cast<size_t>(page)].deletedSlots > 0;
}

// The pages deleted rows are looked for on: the table's data pages, then
// the pages freed from it, every row of which went with the page.
int32_t WalkPageCount(const TableDef& table) {
  return static_cast<int32_t>(table.dataPages.size() + table.freedPages.size());
}
int32_t WalkPage(const TableDef& table, int32_t index) {
  const auto live = static_cast<int32_t>(table.dataPages.size());
  return index < live ? table.dataPages[static_cast<size_t>(index)] : table.freedPages[static_cast<size_t>(index - live)];
}

}  // namespace

DeletedRowWalk::DeletedRowWalk(RowDecoder& decoder, const TableDef& table, const RowCursor& from)
    : decoder_(decoder), table_(table), cursor_(from) {
  decoder.ResetCells(table);
  if (WalkPageCount(table) == 0) return;
  cursor_.dataPageIndex = std::clamp(cursor_.dataPageIndex, 0, WalkPageCount(table) - 1);
  slotCount_ = decoder.LoadPage(WalkPage(table, cursor_.dataPageIndex));
}

int DeletedRowWalk::Find() {
  const MdbFile& db = decoder_.db();
  const JetLayout& layout = db.Layout();
  const int32_t lastPage = WalkPageCount(table_) - 1;
  for (;;) {
    if (decoder_.StopRequested()) return -1;
    if (cursor_.pageSlot >= slotCount_) {
      if (cursor_.dataPageIndex >= lastPage) return 0;
      ++cursor_.dataPageIndex;
      cursor_.pageSlot = 0;
      const int32_t next = WalkPage(table_, cursor_.dataPageIndex);
      // Every row of a freed page went with it: the slot count says nothing.
      const bool freedPage = cursor_.dataPageIndex >= static_cast<int32_t>(table_.dataPages.size());
      slotCount_ = freedPage || MayHoldDeletedRows(db, next) ? decoder_.LoadPage(next) : 0;
      continue;
    }
    ByteSpan page(decoder_.page());
    const int32_t slot = cursor_.pageSlot++;
    uint16_t entry = ReadWord(page, layout.rowOffsetTable + 2 * int64_t{slot});
    const bool deleted = entry & layout.deletedRowFlag;
    const bool freed = cursor_.dataPageIndex >= static_cast<int32_t>(table_.dataPages.size());
    if (!deleted && !freed) continue;
    int64_t start = entry & layout.rowOffsetMask, end = 0;
    // A row never lies over the slot table.
    if (start < layout.rowOffsetTable + 2 * int64_t{slotCount_}) continue;
    if (!FindRowEnd(page, layout, slotCount_, slot, start, end)) continue;
    if (deleted && IsMovedRowPointer(page, db, table_, entry, start, end)) continue;
    if (!ReadDeletedRowLayout(page, layout, db.Text(), table_, start, end, cells_)) continue;
    ++cursor_.nextRow;
    return 1;
  }
}

// An orphan table's columns are read from its rows, not stored: a deleted
// row has nothing to be checked against.
int DeletedRowWalk::Skip() { return WalkPageCount(table_) == 0 || table_.orphan ? 0 : Find(); }

int DeletedRowWalk::Next(std::string& out) {
  int found = Skip();
  if (found != 1) return found;
  out.clear();
  ByteSpan page(decoder_.page());
  RowCells& cells = decoder_.cells();
  for (size_t k = 0; k < table_.columns.size(); ++k) {
    const ColumnDef& column = table_.columns[k];
    const CellExtent& extent = cells_[k];
    // The layout holds only rows whose column numbers lie within the row.
    CellSlot& cell = cells[static_cast<size_t>(column.columnNumber)];
    cell.present = extent.present;
    if (column.type == ColumnType::Bit && !column.calculated) {
      // A boolean is its presence bit.
      SetCellBoolean(extent.present, cell);
    } else if (!extent.present || extent.length == 0) {
      SetCellNull(cell);
    } else if ((column.type == ColumnType::Memo || column.type == ColumnType::Ole) && !column.calculated) {
      DecodeIntactLongValue(decoder_.db(), decoder_.oleFiles(), page, extent.position, extent.length,
                            column.type == ColumnType::Ole, cell.value);
      RenderValueText(cell.value, cell.text);
    } else {
      DecodeCell(decoder_.db(), decoder_.oleFiles(), page, column, extent.position, extent.length, cell);
    }
    out += cell.text;
    out += kFieldSeparator;
  }
  return 1;
}

int32_t CountReadableDeletedRows(RowDecoder& decoder, const TableDef& table) {
  DeletedRowWalk walk(decoder, table);
  int found;
  while ((found = walk.Skip()) == 1) {
  }
  return found < 0 ? -1 : walk.cursor().nextRow;
}

int FetchDeletedRowPage(RowDecoder& decoder, const TableDef& table, RowCursor& cursor,
                        std::vector<std::string>& texts) {
  DeletedRowWalk walk(decoder, table, cursor);
  size_t k = 0;
  int found = 1;
  for (; k < texts.size() && (found = walk.Next(texts[k])) == 1; ++k) {
  }
  if (found < 0) return -1;
  for (size_t rest = k; rest < texts.size(); ++rest) texts[rest].clear();
  cursor = walk.cursor();
  return 1;
}
