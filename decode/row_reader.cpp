#include "decode/row_reader.h"

#include <algorithm>
#include <limits>

#include "report/progress_channel.h"
#include "format/field_readers.h"
#include "decode/row_text.h"
#include "decode/value_decoders.h"
#include "decode/value_renderer.h"
#include "reader/mdb_file.h"

namespace {

constexpr int32_t kRowsPerFetch = 100;
constexpr uint16_t kRowOffsetMask = 0x1FFF;
constexpr uint16_t kLookupRowBit = 0x8000;
constexpr uint16_t kDeletedRowBit = 0x4000;

int32_t SlotCountOf(const MdbFile& db, int32_t page) {
  if (page < 0 || static_cast<size_t>(page) >= db.pages.size()) return 0;
  return std::max<int32_t>(0, db.pages[static_cast<size_t>(page)].rowCount);
}

// Reads the table's data page at position index of dataPages into its page
// buffer; the page's slot count.
int32_t LoadDataPage(MdbFile& db, TableDef& table, int32_t index) {
  table.dataPageIndex = index;
  int32_t page = table.dataPages[static_cast<size_t>(index)];
  if (db.pageSize <= 0 || static_cast<size_t>(db.pageSize) > table.pageScratch.size()) {
    std::fill(table.pageScratch.begin(), table.pageScratch.end(), 0);
    return 0;
  }
  db.ReadPage(table.pageScratch.data(), page);
  return SlotCountOf(db, page);
}

// Moves to the next data page holding slots once slot is past the current
// page's; false when the pages are used up.
bool NextSlotReady(MdbFile& db, TableDef& table, int32_t& slot, int32_t& slotCount) {
  int32_t last = static_cast<int32_t>(table.dataPages.size()) - 1;
  while (slot >= slotCount) {
    if (table.dataPageIndex >= last) return false;
    slotCount = LoadDataPage(db, table, table.dataPageIndex + 1);
    slot = 0;
  }
  return true;
}

void AddRows(TableDef& table, int64_t rows) {
  table.rowCount = static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{table.rowCount} + rows, 0, std::numeric_limits<int32_t>::max()));
}

}  // namespace

void ResetRowCells(MdbFile& db, const TableDef& table) {
  db.rowCells.assign(static_cast<size_t>(std::max<int32_t>(0, table.maxColumns)), CellSlot{});
}

int ReadRow(MdbFile& db, TableDef& table, int slot, std::string& out) {
  out.clear();
  ByteSpan page(table.pageScratch);
  int64_t offsets = db.dataRowCountOffset + 2;
  uint16_t entry = ReadWord(page, offsets + 2 * int64_t{slot});
  // A row runs up to the start of the slot before it; slot 0 to the page end.
  int64_t limit = slot == 0 ? db.pageSize : ReadWord(page, offsets + 2 * (int64_t{slot} - 1)) & kRowOffsetMask;
  int64_t start = entry & kRowOffsetMask;

  db.lookupRowFlag = 0;
  db.deletedRowFlag = 0;
  if (entry & kLookupRowBit) {
    db.lookupRowFlag = 1;
    out = kLookupRowText;
  }
  if (entry & kDeletedRowBit) {
    db.deletedRowFlag = 1;
    out += kDeletedRowText;
    // A row moved to another page leaves a pointer here; the table holds
    // more slots than its row count says.
    int32_t target = ReadUInt24(page, start + 1);
    if (std::binary_search(table.dataPages.begin(), table.dataPages.end(), target))
      AddRows(table, SlotCountOf(db, target));
    return -1;
  }
  if (db.progress.StopRequested()) return -1;
  return DecodeRow(db, table, start, limit - 1, out) != 0 ? 1 : 0;
}

int DecodeRow(MdbFile& db, TableDef& table, int64_t start, int64_t end, std::string& out) {
  ByteSpan page(table.pageScratch);
  if (start < 0 || end < start || end >= static_cast<int64_t>(page.size())) return -1;
  int32_t n = ReadUInt16(page, start);
  if (n > table.maxColumns || n > 256) return -1;
  // Null mask at the row's end: bit j for column number j, set when present.
  int64_t maskBytes = n == 0 ? 1 : (n - 1) / 8 + 1;
  int64_t mask = end - maskBytes + 1;

  RowCells& cells = db.rowCells;
  if (cells.size() < static_cast<size_t>(std::max<int32_t>(0, table.maxColumns))) ResetRowCells(db, table);
  // The mask lies inside the row, which lies inside the page. Columns
  // beyond the row's own mask are not stored in it (the row was written
  // before they were added).
  if (mask < start) return -1;
  const uint8_t* maskBits = page.data() + mask;
  int32_t storedBits = static_cast<int32_t>(8 * maskBytes);
  for (int32_t j = 0; j < table.maxColumns; ++j) {
    CellSlot& cell = cells[static_cast<size_t>(j)];
    cell.present = j < storedBits ? maskBits[j / 8] >> (j % 8) & 1 : 0;
    cell.text.assign(kNullText, 4);
  }
  int variableColumns = 0;
  for (const ColumnDef& column : table.columns) {
    if (column.columnNumber >= 0 && column.columnNumber < table.maxColumns)
      cells[static_cast<size_t>(column.columnNumber)].size = column.isFixed ? column.length : -1;
    if (!column.isFixed) ++variableColumns;
  }

  // Offset table, read backwards from the mask: the count v, the start of
  // each variable value (relative to the row), then the end of the data.
  int64_t offsets = mask - 4;
  int32_t v = variableColumns != 0 ? ReadUInt16(page, mask - 2) : 0;
  if (v > n) return -1;
  int64_t dataEnd = v != 0 ? ReadUInt16(page, offsets - 2 * int64_t{v}) : mask - start;
  if (dataEnd < 0 || dataEnd > end - start) return -1;
  int64_t variableStart = v != 0 ? ReadUInt16(page, offsets) : mask - start;
  // Last byte of the fixed part.
  int64_t fixedEnd = variableStart != 0 ? variableStart - 1 : 0;
  if (fixedEnd < 0 || fixedEnd > dataEnd) return -1;
  int32_t fixedValues = n - v;

  // The text is built after what out holds, which stays until the row is
  // complete.
  size_t kept = out.size();
  int64_t fixedCursor = 2;
  int32_t fixedSeen = 0;
  for (const ColumnDef& column : table.columns) {
    if (db.progress.StopRequested()) {
      out.resize(kept);
      return -1;
    }
    if (column.columnNumber < 0 || column.columnNumber >= table.maxColumns) {
      out.append(kNullText, 4);
      out += kFieldSeparator;
      continue;
    }
    CellSlot& cell = cells[static_cast<size_t>(column.columnNumber)];
    if (column.isFixed) {
      ++fixedSeen;
      if (column.typeCode == 1) {
        // A boolean is its presence bit and takes no bytes.
        cell.text.assign(cell.present ? "1" : "0");
      } else if (fixedSeen > fixedValues || fixedCursor > fixedEnd || !cell.present) {
        cell.present = 0;
      } else {
        DecodeValue(db, page, column, start + 2 + column.fixedOffset, cell.text, column.length);
        fixedCursor += column.length;
      }
    } else {
      // Variable value i runs from offset entry i to entry i + 1 (entry v is
      // the end of the data).
      int32_t i = column.varIndex;
      int64_t from = 0, to = 0;
      if (i >= 0 && i < v) {
        from = ReadUInt16(page, offsets - 2 * int64_t{i});
        to = i + 1 == v ? dataEnd : ReadUInt16(page, offsets - 2 * (int64_t{i} + 1));
      }
      if (!cell.present || from < variableStart || from >= to || to > dataEnd)
        cell.present = 0;
      else
        DecodeValue(db, page, column, start + from, cell.text, to - from);
    }
    out += cell.text;
    out += kFieldSeparator;
  }
  out.erase(0, kept);
  return n;
}

int FetchRowPage(MdbFile& db, TableDef& table, std::vector<std::string>& texts) {
  if (texts.size() < kRowsPerFetch) texts.resize(kRowsPerFetch);
  int64_t startRow = table.nextRow;
  int64_t batchEnd = startRow < int64_t{table.rowCount} - kRowsPerFetch ? startRow + kRowsPerFetch : table.rowCount;
  ResetRowCells(db, table);
  if (table.dataPages.empty()) return -1;
  int32_t last = static_cast<int32_t>(table.dataPages.size()) - 1;
  int32_t slotCount = LoadDataPage(db, table, std::clamp(table.dataPageIndex, 0, last));

  // row counts the rows given, as the table's row count does: a slot whose
  // text is dropped is taken by a later row of the same fetch and costs the
  // table none of its rows.
  size_t k = 0;
  int64_t row = startRow;
  int32_t slot = table.pageSlot;
  while (row < batchEnd && NextSlotReady(db, table, slot, slotCount)) {
    if (db.progress.StopRequested()) return -1;
    std::string& text = texts[k];
    if (ReadRow(db, table, slot, text) == 0) text = kErrorReadingRecord;
    if (IsSkippedRowText(text)) {
      db.deletedRowFlag = 0;
    } else {
      ++k;
      ++row;
    }
    ++slot;
  }
  if (db.progress.StopRequested()) return -1;

  // The first rows of a table whose row count is too small: top them up from
  // the following pages, as they come.
  if (row < kRowsPerFetch && row >= batchEnd && table.dataPageIndex < last) {
    while (slot < kRowsPerFetch && table.dataPageIndex < last && row - startRow < kRowsPerFetch) {
      AddRows(table, 1);
      db.deletedRowFlag = 0;
      if (!NextSlotReady(db, table, slot, slotCount)) break;
      if (db.progress.StopRequested()) return -1;
      if (ReadRow(db, table, slot, texts[k]) == 0) texts[k] = kErrorReadingRecord;
      ++k;
      ++slot;
      ++row;
    }
  }
  table.nextRow = static_cast<int32_t>(row);
  table.pageSlot = slot;
  return 1;
}

TableRowWalk::TableRowWalk(MdbFile& db, TableDef& table) : db_(db), table_(table) {
  table.nextRow = 0;
  table.pageSlot = 0;
  table.dataPageIndex = 0;
  table.exportedRows = 0;
  ResetRowCells(db, table);
  if (!table.dataPages.empty()) slotCount_ = LoadDataPage(db, table, 0);
}

int TableRowWalk::Next(std::string& out) {
  for (;;) {
    if (db_.progress.StopRequested()) return -1;
    if (table_.dataPages.empty() || !NextSlotReady(db_, table_, slot_, slotCount_)) return 0;
    if (ReadRow(db_, table_, slot_++, out) == 0) out = kErrorReadingRecord;
    if (IsSkippedRowText(out)) continue;
    ++table_.exportedRows;
    return 1;
  }
}
