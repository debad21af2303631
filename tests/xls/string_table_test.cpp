#include "xls/string_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringTableTest, KeepsEachTextOnceThroughGrowth) {
  xls::StringTable table;
  // Enough texts to grow the hash table several times and fill more than one block.
  const int kTexts = 200000;
  for (int i = 0; i < kTexts; ++i) ASSERT_EQ(table.Intern("text " + std::to_string(i)), static_cast<uint32_t>(i));
  for (int i = kTexts - 1; i >= 0; i -= 997) EXPECT_EQ(table.Intern("text " + std::to_string(i)), static_cast<uint32_t>(i));
  EXPECT_EQ(table.Count(), static_cast<uint32_t>(kTexts));
  EXPECT_EQ(table.Text(123456), "text 123456");
}

TEST(StringTableTest, TellsEmptyAndLongTextsApart) {
  xls::StringTable table;
  uint32_t empty = table.Intern("");
  std::string big(40000, 'x');
  uint32_t cut = table.Intern(big);
  EXPECT_NE(empty, cut);
  EXPECT_EQ(table.Text(empty), "");
  EXPECT_EQ(table.Text(cut).size(), xls::StringTable::kMaxLength);
  // Longer texts that agree on their first 32,767 characters are one cell text.
  EXPECT_EQ(table.Intern(big + "y"), cut);
}

TEST(StringTableTest, MarksTextsThatNeed16BitCharacters) {
  xls::StringTable table;
  EXPECT_FALSE(table.IsWide(table.Intern("caf\xE9")));        // é is Latin-1
  EXPECT_FALSE(table.IsWide(table.Intern("\x81\x8D\x8F\x90\x9D")));  // undefined bytes: C1 controls
  EXPECT_TRUE(table.IsWide(table.Intern("5 \x80")));           // the euro sign
}

TEST(StringTableTest, AppendKeepsIndexesOfTextsThatRepeat) {
  xls::StringTable table;
  EXPECT_EQ(table.Append("same"), 0u);
  EXPECT_EQ(table.Append("same"), 1u);
  EXPECT_EQ(table.Intern("other"), 2u);
}

}  // namespace
