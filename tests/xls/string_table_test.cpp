#include "xls/string_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(int i) { return "text " + std::to_string(i); }

TEST(StringTableTest, ARecentTextGetsTheSameIdAtOnce) {
  xls::StringTable table;
  uint32_t first = table.Intern("Paris");
  EXPECT_NE(table.Intern("London"), first);
  EXPECT_EQ(table.Intern("Paris"), first);
  EXPECT_EQ(table.Count(), 2u);
}

TEST(StringTableTest, EqualTextsShareOneFileIndexInTheOrderTheyFirstAppear) {
  xls::StringTable table;
  // Far more texts than the recent ones kept, each of them twice, far apart.
  const int kTexts = 300000;
  std::vector<uint32_t> ids;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kTexts; ++i) ids.push_back(table.Intern(Text(i)));
  }
  EXPECT_EQ(table.AssignFileIndexes(), static_cast<uint32_t>(kTexts));
  for (int i = 0; i < kTexts; i += 997) {
    EXPECT_EQ(table.FileIndex(ids[i]), static_cast<uint32_t>(i));
    EXPECT_EQ(table.FileIndex(ids[kTexts + i]), static_cast<uint32_t>(i));
  }
  EXPECT_EQ(table.Text(ids[123456]), Text(123456));
  // Each index once, in order, with its text.
  uint32_t next = 0;
  table.ForEachDistinct([&](uint32_t id) { EXPECT_EQ(table.Text(id), Text(static_cast<int>(next++))); });
  EXPECT_EQ(next, static_cast<uint32_t>(kTexts));
}

TEST(StringTableTest, AReopenedWorkbooksStringsKeepTheirIndexes) {
  xls::StringTable table;
  table.Keep("b");
  table.Keep("b");  // as the file had them
  table.Keep("a");
  ASSERT_EQ(table.KeptCount(), 3u);
  uint32_t c = table.Intern("c");
  uint32_t a = table.Intern("a");
  uint32_t c2 = table.Intern("c");
  EXPECT_EQ(table.AssignFileIndexes(), 5u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(table.FileIndex(table.KeptId(i)), i);
  EXPECT_EQ(table.Text(table.KeptId(2)), "a");
  EXPECT_EQ(table.FileIndex(c), 3u);
  EXPECT_EQ(table.FileIndex(a), 4u);  // not compared with the kept strings
  EXPECT_EQ(table.FileIndex(c2), 3u);

  // Kept strings over more than one block, then enough new texts, each
  // twice and far apart, to be split between two threads; a second save
  // numbers them alike.
  xls::StringTable big;
  const int kKept = 150000, kNew = 50000;
  for (int i = 0; i < kKept; ++i) big.Keep(Text(i));
  std::vector<uint32_t> ids;
  for (int i = 0; i < 2 * kNew; ++i) ids.push_back(big.Intern(Text(kKept + i % kNew)));
  for (int save = 0; save < 2; ++save) {
    EXPECT_EQ(big.AssignFileIndexes(), static_cast<uint32_t>(kKept + kNew));
    EXPECT_EQ(big.FileIndex(big.KeptId(kKept - 1)), static_cast<uint32_t>(kKept - 1));
    for (int i = 0; i < 2 * kNew; i += 331) EXPECT_EQ(big.FileIndex(ids[i]), static_cast<uint32_t>(kKept + i % kNew));
  }
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
  // Characters, not bytes; a pair counts two and is never cut in half.
  std::string han, pairs = "x";
  for (int i = 0; i < 40000; ++i) han += "漢", pairs += "😀";
  EXPECT_EQ(table.Text(table.Intern(han)), han.substr(0, 3 * 32767));
  EXPECT_EQ(table.Text(table.Intern(pairs)), pairs.substr(0, 1 + 4 * 16383));
}

TEST(StringTableTest, MarksTextsThatNeed16BitCharacters) {
  xls::StringTable table;
  EXPECT_FALSE(table.IsWide(table.Intern("café")));                      // é is Latin-1
  EXPECT_FALSE(table.IsWide(table.Intern("\u0081\u008D\u008F\u0090\u009D")));  // C1 controls
  EXPECT_TRUE(table.IsWide(table.Intern("5 €")));
  EXPECT_TRUE(table.IsWide(table.Intern("😀")));
  // Bytes that are not UTF-8 become U+FFFD, so the saved text is whole.
  uint32_t repaired = table.Intern("a\xFF" "b\xE6\xBC");
  EXPECT_EQ(table.Text(repaired), "a\uFFFDb\uFFFD\uFFFD");
  EXPECT_TRUE(table.IsWide(repaired));
}

}  // namespace
