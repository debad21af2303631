#include "decode/row_decoder.h"

#include <algorithm>

#include "decode/complex_values.h"
#include "decode/orphan_row_decoder.h"
#include "decode/recovery_tally.h"
#include "decode/row_text.h"
#include "decode/value_decoders.h"
#include "decode/value_renderer.h"
#include "format/field_readers.h"
#include "format/row_structure.h"
#include "reader/mdb_file.h"

RowDecoder::RowDecoder(const MdbFile& db, const std::atomic<uint8_t>& stopRequested, OleFileWriter& oleFiles)
    : db_(db),
      stopRequested_(stopRequested),
      oleFiles_(oleFiles),
      page_(static_cast<size_t>(std::max<int32_t>(0, db.PageSize())), 0),
      shown_(page_) {}

RowDecoder::~RowDecoder() = default;

void RowDecoder::DecodeColumn(const TableDef& table, const ColumnDef& column, ByteSpan page, int64_t position,
                              int64_t length, CellSlot& cell) {
  if (column.type != ColumnType::Complex) {
    DecodeCell(db_, oleFiles_, page, column, position, length, cell);
    return;
  }
  if (!complexValues_) complexValues_ = std::make_unique<ComplexValues>(db_, stopRequested_, oleFiles_);
  complexValues_->Decode(table, column, ReadInt32(page, position), cell.value);
  RenderValueText(cell.value, cell.text);
}

void RowDecoder::ResetCells(const TableDef& table) {
  cells_.assign(static_cast<size_t>(std::max<int32_t>(0, table.maxColumns)), CellSlot{});
}

int32_t RowDecoder::SlotCountOf(int32_t page) const {
  if (page < 0 || static_cast<size_t>(page) >= db_.pages.size()) return 0;
  return std::max<int32_t>(0, db_.pages[static_cast<size_t>(page)].rowCount);
}

void RowDecoder::SetColumnsWanted(std::vector<int32_t> columnNumbers) {
  std::sort(columnNumbers.begin(), columnNumbers.end());
  wanted_ = std::move(columnNumbers);
}

bool RowDecoder::Wanted(int32_t columnNumber) const {
  return wanted_.empty() || std::binary_search(wanted_.begin(), wanted_.end(), columnNumber);
}

int32_t RowDecoder::LoadPage(int32_t page) {
  if (page_.empty()) return 0;
  shown_ = ByteSpan(page_);
  db_.ReadPage(page_.data(), page);
  return SlotCountOf(page);
}

TableRecovery* RowDecoder::CountsOf(const TableDef& table) {
  if (!tally_) return nullptr;
  if (!counting_ || counting_->table != &table) counting_ = &tally_->For(table);
  return counting_;
}

namespace {

// A null mask saying that no value is stored, over fixed data that is
// there: the mask was zeroed (a zeroed sector under the row's end). A row
// of absent values has zeros in its fixed area too, and is kept.
bool MaskZeroedOverData(const TableDef& table, ByteSpan page, const RowStructure& row) {
  if (table.orphan || !AllZeroBytes(page, row.mask, row.mask + row.maskBytes)) return false;
  int64_t fixedBytes = 0;
  for (const ColumnDef& column : table.columns)
    if (column.isFixed && column.type != ColumnType::Bit)
      fixedBytes = std::max<int64_t>(fixedBytes, int64_t{column.fixedOffset} + column.length);
  const int64_t end = std::min(row.fixedStart + fixedBytes, row.mask);
  return row.fixedStart < end && !AllZeroBytes(page, row.fixedStart, end);
}

}  // namespace

int RowDecoder::ReadRow(TableDef& table, int slot, std::string& out) {
  out.clear();
  const JetLayout& layout = db_.Layout();
  ByteSpan page(shown_);
  const RowSlot slotBytes = ReadRowSlot(page, layout, slot);
  const uint16_t entry = slotBytes.entry;
  const int64_t start = slotBytes.start, limit = slotBytes.limit;
  lookupRowFlag_ = 0;
  deletedRowFlag_ = 0;
  if (entry & layout.lookupRowFlag) {
    lookupRowFlag_ = 1;
    out = kLookupRowText;
  }
  if (entry & layout.deletedRowFlag) {
    deletedRowFlag_ = 1;
    out += kDeletedRowText;
    // A row moved to another page leaves a pointer here; the table holds
    // more slots than its row count says.
    int32_t target = ReadUInt24(page, start + 1);
    if (std::binary_search(table.dataPages.begin(), table.dataPages.end(), target))
      table.AddRows(SlotCountOf(target));
    return -1;
  }
  if (StopRequested()) return -1;
  TableRecovery* counts = CountsOf(table);
  // A zeroed sector under a row leaves no row, not one of NULLs: neither
  // bytes that are all zero nor a null mask zeroed under the row's end.
  const int columns = AllZeroBytes(page, start, limit) ? 0 : DecodeRow(table, start, limit - 1, out);
  const bool noValue = columns == 0 || (columns > 0 && MaskZeroedOverData(table, page, row_));
  if (counts && !StopRequested()) {
    ++(columns > 0 && !noValue ? counts->rowsRead : counts->rowsSkipped);
    if (noValue) ++counts->zeroRows;
  }
  if (noValue) out.clear();
  return noValue ? 0 : 1;
}

int RowDecoder::DecodeRow(const TableDef& table, int64_t start, int64_t end, std::string& out) {
  ByteSpan page(shown_);
  if (start < 0 || end < start || end >= static_cast<int64_t>(page.size())) return -1;
  if (table.orphan) return DecodeOrphanRow(db_, page, table, start, end, cells_, out);
  // No cap below the table's own count: a hand-made or damaged table may
  // have more columns than Access allows, and its rows are still whole.
  RowStructure& row = row_;
  if (!ReadRowStructure(page, db_.Layout(), start, end, {table.maxColumns, table.HasVariableColumns(), false}, row))
    return -1;
  const int32_t n = row.columnCount;

  // Offset table: the start of each variable value (relative to the row),
  // then the end of the data; the fixed part ends before the first value.
  const int32_t v = row.VariableCount();
  const RowDataBounds bounds = RowDataBoundsOf(row);
  const int64_t dataEnd = bounds.dataEnd, variableStart = bounds.variableStart, fixedEnd = bounds.fixedEnd;
  const bool holds = bounds.HoldIn(end - start);
  // A walk that only counts rows needs no value.
  if (countOnly_) {
    if (!holds) return -1;
    out.erase(0, out.size());
    out += kFieldSeparator;
    return n;
  }

  RowCells& cells = cells_;
  if (cells.size() < static_cast<size_t>(std::max<int32_t>(0, table.maxColumns))) ResetCells(table);
  // Null mask at the row's end: bit j for column number j, set when
  // present. Columns beyond the row's own mask are not stored in it (the
  // row was written before they were added).
  for (int32_t j = 0; j < table.maxColumns; ++j) {
    CellSlot& cell = cells[static_cast<size_t>(j)];
    cell.present = row.Present(page, j);
    SetCellNull(cell);
  }
  for (const ColumnDef& column : table.columns)
    if (column.columnNumber >= 0 && column.columnNumber < table.maxColumns)
      cells[static_cast<size_t>(column.columnNumber)].size = column.isFixed ? column.length : -1;
  if (!holds) return -1;
  int32_t fixedValues = n - v;
  const int64_t fixedStart = row.fixedStart - start;

  // The text is built after what out holds, which stays until the row is
  // complete.
  size_t kept = out.size();
  int64_t fixedCursor = fixedStart;
  int32_t fixedSeen = 0;
  for (const ColumnDef& column : table.columns) {
    if (StopRequested()) {
      out.resize(kept);
      return -1;
    }
    if (column.columnNumber < 0 || column.columnNumber >= table.maxColumns) {
      out += kNullText;
      out += kFieldSeparator;
      continue;
    }
    CellSlot& cell = cells[static_cast<size_t>(column.columnNumber)];
    if (column.isFixed) {
      ++fixedSeen;
      if (column.type == ColumnType::Bit) {
        // A boolean is its presence bit and takes no bytes.
        SetCellBoolean(cell.present != 0, cell);
      } else if (fixedSeen > fixedValues || fixedCursor > fixedEnd || !cell.present) {
        cell.present = 0;
      } else {
        if (Wanted(column.columnNumber))
          DecodeColumn(table, column, page, row.fixedStart + column.fixedOffset, column.length, cell);
        fixedCursor += column.length;
      }
    } else {
      // Variable value i runs from offset entry i to entry i + 1 (entry v is
      // the end of the data).
      int32_t i = column.varIndex;
      int64_t from = 0, to = 0;
      if (i >= 0 && i < v) {
        from = row.offsets[static_cast<size_t>(i)];
        to = row.offsets[static_cast<size_t>(i) + 1];
      }
      if (!cell.present || from < variableStart || from >= to || to > dataEnd)
        cell.present = 0;
      else if (Wanted(column.columnNumber))
        DecodeColumn(table, column, page, start + from, to - from, cell);
      if (cell.value.damaged && counting_ && counting_->table == &table && !countOnly_) {
        ++counting_->valuesMarked;
        counting_->Note(table.name + "." + column.name + ", row " + std::to_string(counting_->rowsRead + 1) +
                        ": its long value does not give its stated length; kept what read, marked");
      }
    }
    out += cell.text;
    out += kFieldSeparator;
  }
  out.erase(0, kept);
  return n;
}
