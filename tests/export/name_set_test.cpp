#include "export/name_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Times(const std::string& piece, int n) {
  std::string s;
  while (n-- > 0) s += piece;
  return s;
}

struct NameCase {
  const char* what;
  std::string base;
  std::string suffix;
  std::string expected;
};

class SheetNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(SheetNameTest, GivesANameExcelTakes) {
  NameSet names(NameSet::Kind::Sheet);
  EXPECT_EQ(names.Add(GetParam().base, GetParam().suffix), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SheetNameTest,
    testing::Values(
        NameCase{"plain", "Orders", "", "Orders"},
        NameCase{"continuation", "Orders", "_12", "Orders_12"},
        NameCase{"forbidden", "a:b\\c/d?e*f[g]h", "", "a_b_c_d_e_f_g_h"},
        NameCase{"long", std::string(40, 'A'), "", std::string(31, 'A')},
        NameCase{"long continuation", std::string(40, 'A'), "_1", std::string(29, 'A') + "_1"},
        NameCase{"apostrophes at the ends", "'quoted'", "", "_quoted_"},
        NameCase{"apostrophe inside", "Bob's", "", "Bob's"},
        NameCase{"apostrophe left at the cut", std::string(30, 'x') + "'yz", "",
                 std::string(30, 'x') + "_"},
        NameCase{"empty", "", "", "Sheet"},
        NameCase{"reserved", "history", "", "history_1"},
        NameCase{"other characters", std::string("a\0bé\x01", 6), "", "a_bé\x01"},
        NameCase{"long Greek", "Αρχείο πελατών και παραγγελιών του έτους", "_1", "Αρχείο πελατών και παραγγελιώ_1"},
        NameCase{"pairs count two", Times("😀", 16), "", Times("😀", 15)}),
    [](const testing::TestParamInfo<NameCase>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(SheetNameSetTest, NamesEqualIgnoringCaseGetAFurtherSuffix) {
  NameSet names(NameSet::Kind::Sheet);
  EXPECT_EQ(names.Add("Sales"), "Sales");
  EXPECT_EQ(names.Add("SALES"), "SALES_1");
  EXPECT_EQ(names.Add("sales"), "sales_2");
  // Capitals of every script are the same letters to Excel.
  EXPECT_EQ(names.Add("Été"), "Été");
  EXPECT_EQ(names.Add("éTÉ"), "éTÉ_1");
  EXPECT_EQ(names.Add("Ελληνικά"), "Ελληνικά");
  EXPECT_EQ(names.Add("ΕΛΛΗΝΙΚΆ"), "ΕΛΛΗΝΙΚΆ_1");
}

TEST(SheetNameSetTest, ATableNamedLikeAContinuationSheetIsKeptApart) {
  NameSet names(NameSet::Kind::Sheet);
  EXPECT_EQ(names.Add("T"), "T");
  EXPECT_EQ(names.Add("T", "_1"), "T_1");
  EXPECT_EQ(names.Add("T_1"), "T_1_1");
}

TEST(SheetNameSetTest, NamesThatOnlyDifferBeyondTheCutStayDistinct) {
  NameSet names(NameSet::Kind::Sheet);
  std::string first = names.Add(std::string(31, 'N') + "first");
  std::string second = names.Add(std::string(31, 'N') + "second");
  EXPECT_EQ(first, std::string(31, 'N'));
  EXPECT_EQ(second, std::string(29, 'N') + "_1");
}

TEST(SheetNameSetTest, NamesInUseAreAvoided) {
  NameSet names(NameSet::Kind::Sheet);
  names.Reserve("Sheet2");
  names.Reserve("Sheet3");
  EXPECT_EQ(names.Add("sheet2"), "sheet2_1");
  EXPECT_EQ(names.Add("Sheet1"), "Sheet1");
}

class FileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(FileNameTest, StaysInsideTheExportFolder) {
  NameSet names(NameSet::Kind::File);
  EXPECT_EQ(names.Add(GetParam().base, GetParam().suffix), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameTest,
    testing::Values(NameCase{"plain", "Sales", "", "Sales"},
                    NameCase{"split", "Sales", "_1", "Sales_1"},
                    NameCase{"slash", "a/b", "", "a_b"},
                    NameCase{"climbing", "../../etc", "", "___.._etc"},
                    NameCase{"dot dot", "..", "", "__"},
                    NameCase{"zero byte", std::string("a\0b", 3), "", "a_b"},
                    NameCase{"sheet characters stay", "a:b*c?", "", "a:b*c?"},
                    NameCase{"too long", std::string(300, 'f'), "", std::string(250, 'f')},
                    NameCase{"too long split", std::string(300, 'f'), "_3", std::string(248, 'f') + "_3"},
                    NameCase{"too long in whole characters", Times("漢", 100), "", Times("漢", 83)},
                    NameCase{"empty", "", "", "Workbook"}),
    [](const testing::TestParamInfo<NameCase>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(FileNameSetTest, AFileNameUsedEarlierInTheJobGetsAFurtherSuffix) {
  NameSet names(NameSet::Kind::File);
  EXPECT_EQ(names.Add("Sales"), "Sales");
  EXPECT_EQ(names.Add("Sales", "_1"), "Sales_1");
  EXPECT_EQ(names.Add("Sales_1"), "Sales_1_1");
  EXPECT_EQ(names.Add("Sales"), "Sales_2");
  // Linux keeps names that differ in case apart.
  EXPECT_EQ(names.Add("sales"), "sales");
}

}  // namespace
