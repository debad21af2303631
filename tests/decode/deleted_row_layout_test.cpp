// Which bytes pass as a deleted row: an intact row does, with every value
// where it lies; a row whose bytes were written over in any of the ways a
// layout shows does not.
#include <gtest/gtest.h>

#include <functional>

#include "decode/deleted_row_layout.h"
#include "tests/decode/test_pages.h"

namespace {

using decodetest::Bytes;

// Id LONG (#0, fixed), Name TEXT(10 characters) (#1, variable 0), Data
// BINARY(4) (#2, variable 1).
TableDef Table() {
  TableDef table;
  table.maxColumns = 3;
  table.columns = {decodetest::Column(4, 0, true, 0, 4), decodetest::Column(10, 1, false, 0, 20, 0),
                   decodetest::Column(9, 2, false, 0, 4, 1)};
  return table;
}

decodetest::RowSpec IntactRow() {
  return {3, decodetest::Le32(7), {decodetest::Ucs2("Ann"), {1, 2}}, {true, true, true}};
}

struct Damage {
  const char* name;
  std::function<void(decodetest::RowSpec&, Bytes&)> apply;
};

// Runs the check over the row's bytes placed at offset 100 of a page.
bool Holds(const Bytes& row, std::vector<CellExtent>& cells) {
  Bytes page(4096, 0);
  std::copy(row.begin(), row.end(), page.begin() + 100);
  return ReadDeletedRowLayout(page, kJet4Layout, TextDecoder(), Table(), 100, 100 + static_cast<int64_t>(row.size()) - 1, cells);
}

TEST(DeletedRowLayout, AnIntactRowGivesWhereEachValueLies) {
  std::vector<CellExtent> cells;
  ASSERT_TRUE(Holds(decodetest::EncodeRow(IntactRow()), cells));
  EXPECT_EQ((std::vector<int64_t>{cells[0].position, cells[1].position, cells[2].position}),
            (std::vector<int64_t>{102, 106, 112}));
  EXPECT_EQ((std::vector<int64_t>{cells[0].length, cells[1].length, cells[2].length}), (std::vector<int64_t>{4, 6, 2}));
}

class DeletedRowDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(DeletedRowDamage, IsLeftOut) {
  decodetest::RowSpec row = IntactRow();
  Bytes bytes;
  GetParam().apply(row, bytes);
  if (bytes.empty()) bytes = decodetest::EncodeRow(row);
  std::vector<CellExtent> cells;
  EXPECT_FALSE(Holds(bytes, cells));
}

const Damage kDamages[] = {
    {"FewerColumnsThanTheTable", [](auto& row, auto&) { row.columnCount = 2; }},
    {"MaskBitPastTheLastColumn", [](auto& row, auto&) { row.present.push_back(true); }},
    {"NullValueWithBytes", [](auto& row, auto&) { row.present[2] = false; }},
    {"PresentValueWithoutAnOffset", [](auto& row, auto&) { row.variable.pop_back(); }},
    {"TextOfOddLength", [](auto& row, auto&) { row.variable[0].push_back('x'); }},
    {"TextLongerThanItsColumn", [](auto& row, auto&) { row.variable[0] = decodetest::Ucs2("eleven char"); }},
    {"BinaryLongerThanItsColumn", [](auto& row, auto&) { row.variable[1] = {1, 2, 3, 4, 5}; }},
    {"FixedValueOverTheVariableData", [](auto& row, auto&) { row.fixed = {7, 0}; }},
    {"OffsetsOutOfOrder",
     [](auto& row, auto& bytes) {
       bytes = decodetest::EncodeRow(row);
       // The start of variable 1 (the second offset from the mask) before variable 0's.
       decodetest::PutU16(bytes, bytes.size() - 1 - 2 - 4, 3);
     }},
    {"DataEndPastTheOffsets",
     [](auto& row, auto& bytes) {
       bytes = decodetest::EncodeRow(row);
       decodetest::PutU16(bytes, bytes.size() - 1 - 2 - 6, 200);
     }},
};

INSTANTIATE_TEST_SUITE_P(Damages, DeletedRowDamage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
