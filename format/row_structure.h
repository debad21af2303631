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

// A column count, variable offset, end of data or variable count, in the
// format's width (1 or 2 bytes).
inline int32_t ReadRowField(ByteSpan page, int64_t at, int32_t width) {
  return width == 1 ? ReadSignedByte(page, at) & 0xFF : ReadUInt16(page, at);
}

// Where slot's row lies on its data page: its entry in the offset table
// (flags included), and its bytes from start up to limit, the start of the
// slot before it (slot 0: the page end).
struct RowSlot {
  uint16_t entry = 0;
  int64_t start = 0;
  int64_t limit = 0;
};
inline RowSlot ReadRowSlot(ByteSpan page, const JetLayout& layout, int32_t slot) {
  const int64_t at = layout.rowOffsetTable + 2 * int64_t{slot};
  RowSlot row;
  row.entry = ReadWord(page, at);
  row.start = row.entry & layout.rowOffsetMask;
  row.limit = slot == 0 ? layout.pageSize : ReadWord(page, at - 2) & layout.rowOffsetMask;
  return row;
}

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

// A row's structure up to its offset table: where its fixed data and null
// mask lie, and where its offsets are, not yet read. All that the summary of
// a page's rows (page_rows.h) needs of most rows, and where ReadRowStructure
// starts.
struct RowFrame {
  int32_t columnCount = 0;
  int64_t fixedStart = 0, mask = 0, maskBytes = 0;  // page offsets, as in RowStructure
  int32_t variableCount = 0;  // of the offset table; 0 without one
  int32_t width = 0;          // of an offset
  int64_t offsetsAt = 0;      // page offset of offset 0; offset i lies width * i bytes below
  int64_t jumps = 0;          // jump-table entries that move offsets past 256-byte boundaries

  // Offset i relative to the row, in a frame without jumps.
  int64_t OffsetWithoutJumps(ByteSpan page, int32_t i) const {
    return ReadRowField(page, offsetsAt - int64_t{width} * i, width);
  }
};

// Reads the frame of the row spanning start to end (inclusive): false when
// it does not hold under rules, with what was read by then in frame. Every
// check ReadRowStructure makes but those of the offsets themselves.
inline bool ReadRowFrame(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                         RowFrame& frame) {
  if (start < 0 || end < start || end >= static_cast<int64_t>(page.size())) return false;
  const int32_t n = ReadRowField(page, start, layout.rowColumnCountSize);
  frame.columnCount = n;
  if (n > rules.maxColumns || (rules.strict && n < 1)) return false;
  frame.fixedStart = start + layout.rowColumnCountSize;
  frame.maskBytes = n == 0 ? 1 : (int64_t{n} + 7) / 8;
  frame.mask = end - frame.maskBytes + 1;
  if (frame.mask < (rules.strict ? frame.fixedStart : start)) return false;
  // Writers leave the bits past the last column clear.
  if (rules.strict && n % 8 != 0 && page[static_cast<size_t>(end)] >> (n % 8) != 0) return false;
  frame.variableCount = 0;
  if (!rules.variableColumns) return true;

  const int32_t width = frame.width = layout.rowFieldSize;
  const int64_t countAt = frame.mask - width;
  const int32_t v = ReadRowField(page, countAt, width);
  if (v > n) return false;
  // One jump byte per 256 bytes of row, between the offsets and the count;
  // the last is only filler when the offsets end below its boundary.
  int64_t jumps = layout.rowJumpTable ? (end - start) / 256 : 0;
  frame.offsetsAt = countAt - jumps - width;
  const int64_t endAt = frame.offsetsAt - int64_t{width} * v;
  if (endAt < (rules.strict ? frame.fixedStart : start)) return false;
  if ((endAt - start) / 256 < jumps) --jumps;
  frame.jumps = jumps;
  frame.variableCount = v;
  return true;
}

// Where a row's data lies, relative to the row, from its offset table's
// first and last entries (v + 1 of them; ignored when v is 0) or, without
// one, its mask.
struct RowDataBounds {
  int64_t dataEnd = 0;        // the end of the data
  int64_t variableStart = 0;  // where the variable values start
  int64_t fixedEnd = 0;       // the fixed data's last byte

  // True when the data lies within a row of that many bytes (less one),
  // the fixed data ending before the end of the data.
  bool HoldIn(int64_t lastByte) const {
    return dataEnd >= 0 && dataEnd <= lastByte && fixedEnd >= 0 && fixedEnd <= dataEnd;
  }
};
inline RowDataBounds RowDataBoundsAt(int32_t v, int64_t firstOffset, int64_t lastOffset, int64_t mask) {
  RowDataBounds bounds;
  bounds.dataEnd = v != 0 ? lastOffset : mask;
  bounds.variableStart = v != 0 ? firstOffset : mask;
  bounds.fixedEnd = bounds.variableStart != 0 ? bounds.variableStart - 1 : 0;
  return bounds;
}

// Reads the row spanning page bytes start to end (inclusive). False when
// its structure does not hold: a column count above the rules' maximum, a
// null mask or an offset table that does not fit in the row, more variable
// values than columns, or what the strict rules demand.
bool ReadRowStructure(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                      RowStructure& row);

// Where the structure places the row's data.
inline RowDataBounds RowDataBoundsOf(const RowStructure& row) {
  const int32_t v = row.VariableCount();
  return RowDataBoundsAt(v, v != 0 ? row.offsets.front() : 0, v != 0 ? row.offsets.back() : 0, row.mask - row.start);
}

// True when the data the structure places lies within the row. A row that
// fails this gives no value.
inline bool RowDataHolds(const RowStructure& row) { return RowDataBoundsOf(row).HoldIn(row.end - row.start); }
