// Where the rows of a table lie: the number of live rows on each of its data
// pages, counted from the pages' row-offset tables alone (a slot is live
// unless its entry carries the deleted bit), with no row decoded. It gives a
// table's row count and the position of its n-th row at once, so that the
// record browser can jump to any page of a table of millions of rows.
//
// A row that is live by its offset entry but cannot be decoded is counted
// here while the row reader leaves it out: on a damaged table a located
// position may lie a few rows past the one that paging from the start
// reaches.
#pragma once

#include <cstdint>
#include <vector>

class MdbFile;
struct TableDef;

// A row's place among a table's data pages: its number among the live rows
// (from 0), the data page's position in TableDef::dataPages and its slot.
struct RowPosition {
  int64_t row = 0;
  int32_t dataPageIndex = 0;
  int32_t slot = 0;
};

class RowPageIndex {
 public:
  // Reads every data page of the table once. The table must stay as it is
  // (its data pages) while the index is used.
  void Build(MdbFile& db, const TableDef& table);
  void Clear();

  bool built() const { return built_; }
  int64_t liveRows() const { return rowsBefore_.empty() ? 0 : rowsBefore_.back(); }

  // The position of live row `row`; false when the table has fewer rows.
  bool Locate(MdbFile& db, const TableDef& table, int64_t row, RowPosition& position) const;

 private:
  // rowsBefore_[i]: live rows on the data pages before page i; one more
  // entry at the end holds the table's total.
  std::vector<int64_t> rowsBefore_;
  bool built_ = false;
};
