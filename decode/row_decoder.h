// Cuts single rows of a data page into row texts: each column's value,
// rendered, in column order and followed by the field separator
// (row_text.h). A decoder is the row walk's working state: the page it
// decodes from, the cells of the last row, that row's flags, and where OLE
// objects go. Rows are decoded in place from the page buffer; an offset a
// row gives is checked against the row's own bounds, and a row whose header
// does not add up is given up whole, never half-decoded.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "format/field_readers.h"
#include "format/row_cells.h"
#include "format/row_structure.h"
#include "reader/table_def.h"

class ComplexValues;
class MdbFile;
class OleFileWriter;
class RecoveryTally;
struct TableRecovery;

class RowDecoder {
 public:
  // Made once the session's layout is known. The session, the stop flag and
  // the OLE file writer must outlive the decoder; the session is only read.
  RowDecoder(const MdbFile& db, const std::atomic<uint8_t>& stopRequested, OleFileWriter& oleFiles);
  ~RowDecoder();
  RowDecoder(const RowDecoder&) = delete;
  RowDecoder& operator=(const RowDecoder&) = delete;

  bool StopRequested() const { return stopRequested_.load(std::memory_order_acquire) != 0; }

  // Empties the cells and gives them the table's maxColumns fresh slots.
  void ResetCells(const TableDef& table);
  // Reads data page `page` into the page buffer; the page's slot count from
  // the inventory (0 for a page it does not hold).
  int32_t LoadPage(int32_t page);
  // The decoder's page buffer, one page of the session's size, which rows
  // are decoded from again.
  std::span<uint8_t> page() {
    shown_ = ByteSpan(page_);
    return page_;
  }
  // Rows are decoded from these bytes (one page of the session's size, read
  // elsewhere) until the next LoadPage or page(); they must outlive that.
  void ShowPage(ByteSpan page) { shown_ = page; }
  // What values are decoded with: the session and where OLE objects go.
  const MdbFile& db() const { return db_; }
  OleFileWriter& oleFiles() const { return oleFiles_; }

  // Row slot `slot` of the page buffer into out: the row text, a marker, or
  // nothing. 1 when the row was decoded (or given up as damaged), 0 when it
  // holds no value (no columns, zeroed bytes: no row at all), -1 for a row flagged
  // deleted or when a stop was requested. Sets the row's flags. A deleted slot that points to a row
  // moved to another of the table's pages adds that page's slots to the
  // table's row count.
  int ReadRow(TableDef& table, int slot, std::string& out);

  // The row spanning page bytes start to end (inclusive) into out. The
  // number of columns the row stores, or -1 with out untouched when the row
  // is damaged or a stop was requested.
  int DecodeRow(const TableDef& table, int64_t start, int64_t end, std::string& out);

  // One value of a row of the table (the length bytes at position of page)
  // into the cell: its value and its text. A complex column's values come
  // from its flat table.
  void DecodeColumn(const TableDef& table, const ColumnDef& column, ByteSpan page, int64_t position, int64_t length,
                    CellSlot& cell);
  // Only these columns (by column number) are decoded from here on, the
  // others left absent: walks that need one column's values read no memo or
  // OLE object of another. Empty: every column.
  void SetColumnsWanted(std::vector<int32_t> columnNumbers);
  // From here on a row that holds gives one empty value and no other: for
  // walks that only count rows.
  void SetCountOnly(bool countOnly) { countOnly_ = countOnly; }

  // From here on the live rows read (ReadRow) are counted into tally: rows
  // read, rows given up, values marked damaged (recovery_tally.h). Null:
  // none. The tally must outlive its use.
  void SetTally(RecoveryTally* tally) {
    tally_ = tally;
    counting_ = nullptr;
  }
  RecoveryTally* tally() const { return tally_; }

  // The cells of the last row decoded, by column number.
  const RowCells& cells() const { return cells_; }
  // For the walks that decode rows of their own into them (deleted rows).
  RowCells& cells() { return cells_; }
  // The slot flags of the last row read: 1 when set.
  int32_t lookupRowFlag() const { return lookupRowFlag_; }
  int32_t deletedRowFlag() const { return deletedRowFlag_; }

 private:
  int32_t SlotCountOf(int32_t page) const;
  // The table's counts in the tally, or null without one.
  TableRecovery* CountsOf(const TableDef& table);
  bool Wanted(int32_t columnNumber) const;

  const MdbFile& db_;
  const std::atomic<uint8_t>& stopRequested_;
  OleFileWriter& oleFiles_;
  std::vector<uint8_t> page_;
  ByteSpan shown_;  // the page rows are decoded from: page_, or bytes shown
  RowCells cells_;
  RowStructure row_;  // the last row's structure, kept for its buffer
  std::unique_ptr<ComplexValues> complexValues_;  // made for the first complex column
  std::vector<int32_t> wanted_;  // sorted; empty for every column
  bool countOnly_ = false;
  RecoveryTally* tally_ = nullptr;
  TableRecovery* counting_ = nullptr;  // the table's counts while ReadRow decodes
  int32_t lookupRowFlag_ = 0;
  int32_t deletedRowFlag_ = 0;
};
