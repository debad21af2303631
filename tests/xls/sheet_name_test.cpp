#include "xls/sheet_name.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
  const char* name;
  bool allowed;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }

class SheetNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(SheetNameTest, AllowsWhatExcelAllows) {
  EXPECT_EQ(xls::SheetNameProblem(GetParam().name).empty(), GetParam().allowed) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SheetNameTest,
    testing::Values(NameCase{"Orders", true}, NameCase{"Order Details", true}, NameCase{"Recovered Table 01", true},
                    NameCase{"it's", true}, NameCase{"A", true}, NameCase{"1234567890123456789012345678901", true},
                    NameCase{"Été €", true}, NameCase{"Histories", true}, NameCase{"Ελληνικά", true},
                    NameCase{"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一", true},
                    NameCase{"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二", false},
                    NameCase{"😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀x", true},  // 31 UTF-16 units
                    NameCase{"😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀", false}, NameCase{"bad \xFF", false},
                    NameCase{"", false}, NameCase{"12345678901234567890123456789012", false},
                    NameCase{"a:b", false}, NameCase{"a\\b", false}, NameCase{"a/b", false},
                    NameCase{"a?b", false}, NameCase{"a*b", false}, NameCase{"a[b", false},
                    NameCase{"a]b", false}, NameCase{"'quoted", false}, NameCase{"quoted'", false},
                    NameCase{"History", false}, NameCase{"HISTORY", false}));

TEST(SameSheetNameTest, IgnoresCaseOfLettersOfEveryScript) {
  EXPECT_TRUE(xls::SameSheetName("orders", "ORDERS"));
  EXPECT_TRUE(xls::SameSheetName("été", "ÉTÉ"));
  EXPECT_TRUE(xls::SameSheetName("šœžÿ", "ŠŒŽŸ"));
  EXPECT_TRUE(xls::SameSheetName("αβγ ёжик", "ΑΒΓ ЁЖИК"));
  EXPECT_FALSE(xls::SameSheetName("漢字", "漢字x"));
  EXPECT_FALSE(xls::SameSheetName("Orders", "Orders2"));
  EXPECT_FALSE(xls::SameSheetName("÷", "×"));  // not a letter pair
  EXPECT_FALSE(xls::SameSheetName("e", "é"));
}

}  // namespace
