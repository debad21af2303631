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
                    NameCase{"\xC9t\xE9 \x80", true}, NameCase{"Histories", true},
                    NameCase{"", false}, NameCase{"12345678901234567890123456789012", false},
                    NameCase{"a:b", false}, NameCase{"a\\b", false}, NameCase{"a/b", false},
                    NameCase{"a?b", false}, NameCase{"a*b", false}, NameCase{"a[b", false},
                    NameCase{"a]b", false}, NameCase{"'quoted", false}, NameCase{"quoted'", false},
                    NameCase{"History", false}, NameCase{"HISTORY", false}));

TEST(SameSheetNameTest, IgnoresCaseOfAccentedLettersToo) {
  EXPECT_TRUE(xls::SameSheetName("orders", "ORDERS"));
  EXPECT_TRUE(xls::SameSheetName("\xE9t\xE9", "\xC9T\xC9"));           // été, ÉTÉ
  EXPECT_TRUE(xls::SameSheetName("\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"));  // š œ ž ÿ
  EXPECT_FALSE(xls::SameSheetName("Orders", "Orders2"));
  EXPECT_FALSE(xls::SameSheetName("\xF7", "\xD7"));  // ÷ and × are not a letter pair
  EXPECT_FALSE(xls::SameSheetName("e", "\xE9"));
}

}  // namespace
