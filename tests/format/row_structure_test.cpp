// Rows in one-byte widths, whose offsets pass 256 bytes only by way of the
// jump table, and rows whose structure does not hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "format/page_rows.h"
#include "format/row_structure.h"

namespace {

using Bytes = std::vector<uint8_t>;

// An Access 97 row as Access wrote it: 290 bytes, 74 columns (a 10-byte
// mask), 22 variable values starting at 145, the data ending at 255; a
// filler jump byte, since the row passes 256 bytes but its data does not.
Bytes WrittenRow() {
  Bytes row(290, 0);
  row[0] = 74;
  const uint8_t tail[] = {0xFF, 0xF3, 0xF3, 0xF3, 0xF2, 0xF1, 0xF0, 0xEF, 0xDB, 0xDB, 0xDB, 0xDB, 0xC7, 0xC7,
                          0xB3, 0xB3, 0xB3, 0xB3, 0xB2, 0xA5, 0xA5, 0x99, 0x91, 0xFF, 0x16, 0xEF, 0xFF, 0x7F,
                          0xA9, 0xC9, 0xEF, 0x38, 0x80, 0x0F, 0x02};
  std::copy(std::begin(tail), std::end(tail), row.end() - sizeof tail);
  return row;
}

// Three values of 200 bytes: the data passes two boundaries, each with its
// jump entry (the first boundary's next to the count).
Bytes TwoBoundaries() {
  Bytes row(609, 'x');
  row[0] = 3;
  const uint8_t tail[] = {601 & 0xFF, 401 & 0xFF, 201, 1, 3, 2, 3, 0x07};
  std::copy(std::begin(tail), std::end(tail), row.end() - sizeof tail);
  return row;
}

struct Case {
  const char* label;
  Bytes row;
  RowRules rules;
  bool holds;
  std::vector<int64_t> offsets;  // when it holds
};

class ShortRowStructure : public ::testing::TestWithParam<Case> {};

TEST_P(ShortRowStructure, ReadsTheOffsetsTheJumpTableGives) {
  const Case& c = GetParam();
  // The row at offset 100 of a page, as rows lie.
  Bytes page(2048, 0xEE);
  std::copy(c.row.begin(), c.row.end(), page.begin() + 100);
  RowStructure row;
  const int64_t end = 100 + static_cast<int64_t>(c.row.size()) - 1;
  ASSERT_EQ(ReadRowStructure(page, kJet3Layout, 100, end, c.rules, row), c.holds);
  if (!c.holds) return;
  EXPECT_EQ(row.offsets, c.offsets);
  EXPECT_EQ(row.fixedStart, 101);
  EXPECT_EQ(row.mask, end - row.maskBytes + 1);
}

// The same row alone on a data page, where slot 0's row runs to the page
// end: the page's summary counts it as the decoder's count reads it (its
// structure and data hold, and it stores a column), from its frame alone
// when the row has no jumps.
TEST_P(ShortRowStructure, ThePageSummaryCountsItAsTheDecoderReadsIt) {
  const Case& c = GetParam();
  Bytes page(2048, 0);
  const int64_t start = 2048 - static_cast<int64_t>(c.row.size());
  std::copy(c.row.begin(), c.row.end(), page.begin() + start);
  page[kJet3Layout.rowOffsetTable] = static_cast<uint8_t>(start);
  page[kJet3Layout.rowOffsetTable + 1] = static_cast<uint8_t>(start >> 8);
  const PageRowSummary summary = SummarizePageRows(page, kJet3Layout, 1);
  if (!summary.settled) return;  // a zeroed mask: the page is decoded
  for (bool variable : {false, true}) {
    RowStructure row;
    const bool reads = ReadRowStructure(page, kJet3Layout, start, 2047, {0xFFFF, variable, false}, row) &&
                       RowDataHolds(row) && row.columnCount > 0;
    EXPECT_EQ(summary.RowsRead(0xFFFF, variable), reads ? 1 : 0) << (variable ? "with" : "without") << " offsets";
  }
}

Bytes Edited(Bytes row, size_t fromEnd, uint8_t value) {
  row[row.size() - 1 - fromEnd] = value;
  return row;
}

std::vector<int64_t> WrittenOffsets() {
  return {0x91, 0x99, 0xA5, 0xA5, 0xB2, 0xB3, 0xB3, 0xB3, 0xB3, 0xC7, 0xC7, 0xDB,
          0xDB, 0xDB, 0xDB, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3, 0xF3, 0xF3, 0xFF};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShortRowStructure,
    ::testing::Values(
        Case{"FillerJumpByte", WrittenRow(), {74, true, true}, true, WrittenOffsets()},
        Case{"TwoBoundaries", TwoBoundaries(), {3, true, true}, true, {1, 201, 401, 601}},
        // The first entry names offset 0: every offset moves 256 bytes on
        // and they fall out of order.
        Case{"JumpBeforeItsOffset", Edited(TwoBoundaries(), 2, 0), {3, true, true}, false, {}},
        Case{"JumpBeforeItsOffsetUnchecked", Edited(TwoBoundaries(), 2, 0), {3, true, false}, true,
             {257, 457, 401, 601}},
        // The end of the data past the row's end, beyond both boundaries:
        // the structure leaves it to the data to find.
        Case{"DataEndPastTheRowEnd", Edited(TwoBoundaries(), 7, 0xFF), {3, true, false}, true, {1, 201, 401, 767}},
        // More variable values than the row has room for offsets.
        Case{"OffsetsPastTheRowStart", Edited(Edited(Bytes(40, 0), 39, 255), 32, 200), {255, true, false}, false, {}},
        Case{"MoreValuesThanColumns", Edited(WrittenRow(), 10, 75), {74, true, false}, false, {}},
        Case{"MoreColumnsThanTheTable", WrittenRow(), {73, true, false}, false, {}},
        // No column: a row by the loose rules (one mask byte), none by the strict.
        Case{"NoColumns", Bytes{0, 0}, {10, false, false}, true, {}},
        Case{"NoColumnsStrict", Bytes{0, 0}, {10, false, true}, false, {}},
        // 255 columns: a 32-byte mask, whose bit past the last column the
        // strict rules want clear.
        Case{"MostColumns", Edited(Bytes(50, 0xFF), 49, 255), {255, false, false}, true, {}},
        Case{"MostColumnsStrict", Edited(Bytes(50, 0xFF), 49, 255), {255, false, true}, false, {}},
        Case{"MaskLongerThanTheRow", Bytes{255, 0, 0}, {255, false, false}, false, {}}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
