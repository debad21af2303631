// The structure a row gives of itself, in its format's widths
// (JetLayout's row fields):
//   [column count][fixed data][variable data][end of data]
//   [variable offsets, last first][jump table][variable count][null mask]
// The offset table is there only when the table has variable columns; the
// offsets count from the row's first byte. Every reader of rows starts
// here: the row decoder, the check of deleted rows and the reader of rows
// whose table definition is lost. What each then asks of a row beyond its
// structure is its own.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "format/field_readers.h"
#include "format/jet_layout.h"

struct RowStructure {
  // Access tables have at most 255 columns.
  static constexpr int32_t kMaxColumns = 255;

  int64_t start = 0, end = 0;  // page offsets of the row's bytes, end included
  int32_t columnCount = 0;
  int64_t fixedStart = 0;      // page offset of the fixed data
  int64_t mask = 0;            // page offset of the null mask
  int64_t maskBytes = 0;
  // Each variable value's start, relative to the row, then the end of the
  // data; empty when the row has no offset table.
  std::vector<int64_t> offsets;

  int32_t VariableCount() const { return offsets.empty() ? 0 : static_cast<int32_t>(offsets.size()) - 1; }
  // Page offset just past the fixed data: where the variable data starts,
  // or the mask in a row without an offset table.
  int64_t FixedEnd() const { return offsets.empty() ? mask : start + offsets.front(); }
  // Page offsets of variable value i (below VariableCount()), end excluded.
  std::pair<int64_t, int64_t> Variable(int32_t i) const {
    return {start + offsets[static_cast<size_t>(i)], start + offsets[static_cast<size_t>(i) + 1]};
  }
  // The presence bit of a column number; false past the row's own mask (a
  // column added after the row was written).
  bool Present(ByteSpan page, int32_t columnNumber) const {
    if (columnNumber < 0 || columnNumber >= 8 * maskBytes) return false;
    return (page[static_cast<size_t>(mask + columnNumber / 8)] >> (columnNumber % 8) & 1) != 0;
  }
};

// What a row must satisfy to be read.
struct RowRules {
  int32_t maxColumns = 0;        // the most columns the row may store
  bool variableColumns = false;  // the row carries an offset table
  // For rows that nothing else vouches for (deleted rows, rows of a lost
  // table): at least one column, the mask's bits past the column count
  // clear, the offsets in order between the fixed data and the offset
  // table. Otherwise each offset is left for the value that uses it to
  // check.
  bool strict = false;
};

// Reads the row spanning page bytes start to end (inclusive). False when
// its structure does not hold: a column count above the rules' maximum, a
// null mask or an offset table that does not fit in the row, more variable
// values than columns, or what the strict rules demand.
bool ReadRowStructure(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                      RowStructure& row);
