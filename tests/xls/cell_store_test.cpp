#include "xls/cell_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<int, int>> Positions(const xls::CellStore& store) {
  std::vector<std::pair<int, int>> out;
  store.ForEach([&](const xls::Cell& c) { out.emplace_back(c.row, c.column); });
  return out;
}

TEST(CellStoreTest, KeepsRowAndColumnOrderWhateverTheWriteOrder) {
  xls::CellStore store;
  // Enough cells in order for several chunks, then cells written out of order.
  for (int row = 0; row < 3000; ++row) {
    for (int column = 0; column < 10; column += 2) store.At(static_cast<uint16_t>(row), static_cast<uint8_t>(column));
  }
  store.At(1500, 5);
  store.At(0, 255);
  store.At(2999, 1);
  store.At(65535, 0);
  auto positions = Positions(store);
  EXPECT_EQ(positions.size(), 3000u * 5 + 4);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(store.Count(), positions.size());
}

TEST(CellStoreTest, FindsACellWrittenBefore) {
  xls::CellStore store;
  for (int row = 0; row < 20000; ++row) store.At(static_cast<uint16_t>(row), 3).text = static_cast<uint32_t>(row);
  store.At(100, 3).format = 7;
  store.At(19999, 3).format = 9;
  EXPECT_EQ(store.Count(), 20000u);
  EXPECT_EQ(store.At(100, 3).text, 100u);
  EXPECT_EQ(store.At(100, 3).format, 7);
  EXPECT_EQ(store.At(19999, 3).format, 9);
  EXPECT_EQ(store.Count(), 20000u);
}

}  // namespace
