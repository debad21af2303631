// A table's rows in the order of one column's values: what the record
// browser pages through once a column header is clicked. Every row is read
// once, the column alone decoded, and its value kept as a key that orders by
// type: numbers and dates by their value, texts without regard to the case
// of Latin letters, bytes by their bytes; absent values first, unreadable
// ones last. Rows of equal keys keep the table's order.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decode/row_page_index.h"

class RowDecoder;
struct TableDef;

class RowOrder {
 public:
  // Told the rows read so far, now and then while they are read, and once
  // more (ordering true) when they are being put in order.
  using Progress = std::function<void(int64_t rowsRead, bool ordering)>;

  // Reads every row of the table for column `column` (an index into
  // table.columns) and orders them. 1, or -1 when a stop was requested.
  int Build(RowDecoder& decoder, TableDef& table, size_t column, bool descending, const Progress& progress);

  // The rows in order; RowPosition::row is the row's place in the table's
  // own order.
  const std::vector<RowPosition>& rows() const { return rows_; }
  size_t column() const { return column_; }
  bool descending() const { return descending_; }

 private:
  std::vector<RowPosition> rows_;
  size_t column_ = 0;
  bool descending_ = false;
};

// Whether a column's values have an order worth sorting by: not the OLE
// objects and binary values a table shows only as placeholders.
bool IsSortableColumn(const TableDef& table, size_t column);
