#include "format/page_rows.h"

#include <algorithm>

#include "format/row_structure.h"

namespace {

// No column cap here: the table's own cap is checked against the widest.
// Constants, so that each inlined check folds its own rules in rather than
// reading them from memory at every row.
constexpr RowRules kWithOffsets{0xFFFF, true, false}, kWithoutOffsets{0xFFFF, false, false};

// Whether a row reads as the row decoder's count reads it: its structure
// holds, its data lies within it, and it stores a column. Most rows need
// only their frame; a row past a 256-byte boundary is read whole.
// `whole` is room for a long row's structure; `read` is given the row's
// column count and mask. Inlined, with a frame of its own the compiler keeps
// in registers: it runs for every row of the file.
[[gnu::always_inline]] inline bool Reads(ByteSpan page, const JetLayout& layout, const RowSlot& slot,
                                         const RowRules& rules, RowFrame& read, RowStructure& whole) {
  const int64_t start = slot.start, end = slot.limit - 1;
  RowFrame frame;
  const bool holds = ReadRowFrame(page, layout, start, end, rules, frame);
  read.columnCount = frame.columnCount;
  read.mask = frame.mask;
  read.maskBytes = frame.maskBytes;
  if (!holds || frame.columnCount == 0) return false;
  const int32_t v = frame.variableCount;
  if (frame.jumps == 0)
    return RowDataBoundsAt(v, frame.OffsetWithoutJumps(page, 0), frame.OffsetWithoutJumps(page, v), frame.mask - start)
        .HoldIn(end - start);
  return ReadRowStructure(page, layout, start, end, rules, whole) && RowDataHolds(whole);
}

// The summary under one layout; given one of the formats' own layouts, each
// of its fields is a constant the compiler folds in.
[[gnu::always_inline]] inline PageRowSummary Summarize(ByteSpan page, const JetLayout& layout, int32_t slots) {
  PageRowSummary summary;
  if (slots < 0 || slots > (layout.pageSize - layout.rowOffsetTable) / 2) return summary;
  RowFrame frame;
  RowStructure whole;
  for (int32_t s = 0; s < slots; ++s) {
    const RowSlot slot = ReadRowSlot(page, layout, s);
    if (slot.entry & layout.deletedRowFlag) return summary;
    // The offset table only asks more of a row than its absence: a row that
    // reads with one reads without.
    const bool readsWith = Reads(page, layout, slot, kWithOffsets, frame, whole);
    const bool readsWithout = readsWith || Reads(page, layout, slot, kWithoutOffsets, frame, whole);
    summary.widest = static_cast<uint16_t>(std::max<int32_t>(summary.widest, frame.columnCount));
    if (!readsWithout) continue;
    if (AllZeroBytes(page, frame.mask, frame.mask + frame.maskBytes)) return summary;
    ++summary.readWithoutOffsets;
    if (readsWith) ++summary.readWithOffsets;
  }
  summary.settled = true;
  return summary;
}

}  // namespace

PageRowSummary SummarizePageRows(ByteSpan page, const JetLayout& layout, int32_t slots) {
  // A file's layout is a copy of its format's own: comparing the two costs
  // far less than the constants save on a page's rows.
  if (layout == kJet4Layout) return Summarize(page, kJet4Layout, slots);
  if (layout == kJet3Layout) return Summarize(page, kJet3Layout, slots);
  return Summarize(page, layout, slots);
}
