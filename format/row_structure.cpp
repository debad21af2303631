#include "format/row_structure.h"

#include <algorithm>

bool ReadRowStructure(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                      RowStructure& row) {
  row.offsets.clear();
  row.start = start;
  row.end = end;
  RowFrame frame;
  const bool holds = ReadRowFrame(page, layout, start, end, rules, frame);
  row.columnCount = frame.columnCount;
  row.fixedStart = frame.fixedStart;
  row.mask = frame.mask;
  row.maskBytes = frame.maskBytes;
  if (!holds) return false;
  if (!rules.variableColumns) return true;

  const int32_t v = frame.variableCount;
  row.offsets.resize(static_cast<size_t>(v) + 1);
  int64_t* offsets = row.offsets.data();
  if (frame.jumps == 0) {
    for (int32_t i = 0; i <= v; ++i) offsets[i] = frame.OffsetWithoutJumps(page, i);
  } else {
    const int64_t countAt = frame.mask - frame.width;
    int64_t passed = 0;  // boundaries passed
    for (int32_t i = 0; i <= v; ++i) {
      // Jump entry k names the first offset at or past boundary k + 1.
      while (passed < frame.jumps && (ReadSignedByte(page, countAt - 1 - passed) & 0xFF) == i) ++passed;
      offsets[i] = frame.OffsetWithoutJumps(page, i) + 256 * passed;
    }
  }
  const int64_t endAt = frame.offsetsAt - int64_t{frame.width} * v;
  if (rules.strict && (row.offsets.front() < row.fixedStart - start || row.offsets.back() > endAt - start ||
                       !std::is_sorted(row.offsets.begin(), row.offsets.end())))
    return false;
  return true;
}
