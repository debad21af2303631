#include "format/row_structure.h"

#include <algorithm>

namespace {

// A column count, variable offset, end of data or variable count.
int32_t ReadRowField(ByteSpan page, int64_t at, int32_t size) {
  return size == 1 ? ReadSignedByte(page, at) & 0xFF : ReadUInt16(page, at);
}

}  // namespace

bool ReadRowStructure(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                      RowStructure& row) {
  row.offsets.clear();
  if (start < 0 || end < start || end >= static_cast<int64_t>(page.size())) return false;
  row.start = start;
  row.end = end;
  const int32_t n = ReadRowField(page, start, layout.rowColumnCountSize);
  row.columnCount = n;
  if (n > rules.maxColumns || (rules.strict && n < 1)) return false;
  row.fixedStart = start + layout.rowColumnCountSize;
  row.maskBytes = n == 0 ? 1 : (int64_t{n} + 7) / 8;
  row.mask = end - row.maskBytes + 1;
  if (row.mask < (rules.strict ? row.fixedStart : start)) return false;
  // Writers leave the bits past the last column clear.
  if (rules.strict && n % 8 != 0 && page[static_cast<size_t>(end)] >> (n % 8) != 0) return false;
  if (!rules.variableColumns) return true;

  const int32_t width = layout.rowFieldSize;
  const int64_t countAt = row.mask - width;
  const int32_t v = ReadRowField(page, countAt, width);
  if (v > n) return false;
  // One jump byte per 256 bytes of row, between the offsets and the count;
  // the last is only filler when the offsets end below its boundary.
  int64_t jumps = layout.rowJumpTable ? (end - start) / 256 : 0;
  const int64_t first = countAt - jumps - width;  // where offset 0 is
  const int64_t endAt = first - int64_t{width} * v;
  if (endAt < (rules.strict ? row.fixedStart : start)) return false;
  if ((endAt - start) / 256 < jumps) --jumps;

  row.offsets.resize(static_cast<size_t>(v) + 1);
  int64_t passed = 0;  // boundaries passed
  for (int32_t i = 0; i <= v; ++i) {
    // Jump entry k names the first offset at or past boundary k + 1.
    while (passed < jumps && (ReadSignedByte(page, countAt - 1 - passed) & 0xFF) == i) ++passed;
    row.offsets[static_cast<size_t>(i)] = ReadRowField(page, first - int64_t{width} * i, width) + 256 * passed;
  }
  if (rules.strict && (row.offsets.front() < row.fixedStart - start || row.offsets.back() > endAt - start ||
                       !std::is_sorted(row.offsets.begin(), row.offsets.end())))
    return false;
  return true;
}
