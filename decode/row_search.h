// Finding a text in a table's cells, in the order the record browser shows
// the rows (the table's own, or a sorted one): from just after a cell on,
// round to the start again, up to that cell. The caller says what matches,
// given a cell's text as the record list shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "decode/row_page_index.h"

class RowDecoder;
struct TableDef;

struct RowMatch {
  int64_t row = 0;    // place in the order shown, from 0
  size_t column = 0;  // index into the table's columns
  RowPosition position;
};

struct RowSearch {
  // The columns searched, by index into the table's columns, ascending.
  std::vector<size_t> columns;
  // The rows in the order shown; empty for the table's own order.
  const std::vector<RowPosition>* order = nullptr;
  // The search starts after this cell; row -1 starts before the first row.
  int64_t fromRow = -1;
  size_t fromColumn = 0;
  std::function<bool(std::string_view text)> matches;
  // Told the rows looked at so far, now and then.
  std::function<void(int64_t rows)> progress;
};

// 1 with the first matching cell in found, 0 when no cell matches, -1 when a
// stop was requested.
int FindCell(RowDecoder& decoder, TableDef& table, const RowSearch& search, RowMatch& found);
