#include "format/row_structure.h"

bool ReadRowStructure(ByteSpan page, int64_t start, int64_t end, bool variableColumns, RowStructure& row) {
  row.values.clear();
  if (start < 0 || end < start || end >= static_cast<int64_t>(page.size())) return false;
  int32_t n = ReadUInt16(page, start);
  if (n < 1 || n > RowStructure::kMaxColumns) return false;
  int64_t maskBytes = (n + 7) / 8;
  int64_t mask = end - maskBytes + 1;
  if (mask < start + 2) return false;
  // Writers leave the bits past the last column clear.
  if (n % 8 != 0 && (ReadSignedByte(page, end) & 0xFF) >> (n % 8) != 0) return false;
  row.columnCount = n;
  row.fixedStart = start + 2;
  if (!variableColumns) {
    row.fixedEnd = mask;
    return true;
  }

  int32_t v = ReadUInt16(page, mask - 2);
  int64_t endField = mask - 4 - 2 * int64_t{v};  // the end of the data, after the last offset
  if (v < 1 || v > n || endField < start + 2) return false;
  int64_t previous = 2;
  for (int32_t i = 0; i <= v; ++i) {
    int64_t offset = ReadUInt16(page, mask - 4 - 2 * int64_t{i});
    if (offset < previous || offset > endField - start) return false;
    if (i == 0)
      row.fixedEnd = start + offset;
    else
      row.values.emplace_back(start + previous, start + offset);
    previous = offset;
  }
  return true;
}
