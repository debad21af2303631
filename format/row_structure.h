// The structure a Jet 4 row gives of itself, read without its table's
// definition:
//   [column count: 2][fixed data][variable data][end of data: 2]
//   [variable offsets, last first: 2 each][variable count: 2][null mask]
// The offset table is there only when the table has variable columns; the
// offsets count from the row's first byte. What a row of a lost table still
// tells: how much fixed data it holds, and where each variable value lies.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "format/field_readers.h"

struct RowStructure {
  // Jet 4 tables have at most 255 columns.
  static constexpr int32_t kMaxColumns = 255;

  int32_t columnCount = 0;
  int64_t fixedStart = 0, fixedEnd = 0;             // page offsets, end excluded
  std::vector<std::pair<int64_t, int64_t>> values;  // each variable value's page offsets, end excluded
};

// Reads the row spanning page bytes start to end (inclusive) into row, with
// an offset table when variableColumns. False when the structure does not
// hold: a column count of 0 or above the maximum, a null mask that does not
// fit or has bits set past the column count, offsets out of order or past
// the row.
bool ReadRowStructure(ByteSpan page, int64_t start, int64_t end, bool variableColumns, RowStructure& row);
