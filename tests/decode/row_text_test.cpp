#include "decode/row_text.h"

#include <gtest/gtest.h>

namespace {

const std::string kSep(kFieldSeparator);

TEST(RowTextTest, SkipsExactlyTheMarkerTexts) {
  for (std::string text : {std::string(), std::string("ERROR Reading Record"), std::string("Could not read lookup row."),
                           std::string(" This row was deleted in Original database"),
                           std::string(" This row was deleted in Original database This row was deleted in Original database"),
                           std::string("Could not read lookup row. This row was deleted in Original database")})
    EXPECT_TRUE(IsSkippedRowText(text)) << text;
  for (std::string text : {std::string("NULL") + kSep, std::string("ERROR Reading Record") + kSep,
                           std::string("This row was deleted in Original database"), kSep})
    EXPECT_FALSE(IsSkippedRowText(text)) << text;
}

struct Split {
  const char* name;
  std::string text;
  std::vector<std::string> values;
};

class SplitRowTextTest : public ::testing::TestWithParam<Split> {};

TEST_P(SplitRowTextTest, GivesOneValuePerSeparator) { EXPECT_EQ(SplitRowText(GetParam().text), GetParam().values); }

const Split kSplits[] = {
    {"Plain", "a" + kSep + "b" + kSep + "c" + kSep, {"a", "b", "c"}},
    {"EmptyValuesKeepTheirColumns", kSep + "b" + kSep + kSep + "d" + kSep, {"", "b", "", "d"}},
    {"OnlyEmptyValues", kSep + kSep, {"", ""}},
    {"NoSeparator", "ERROR Reading Record", {}},
    {"PartsOfTheSeparatorAreText", "@##@" + kSep + "#$~##%" + kSep, {"@##@", "#$~##%"}},
};

INSTANTIATE_TEST_SUITE_P(Texts, SplitRowTextTest, ::testing::ValuesIn(kSplits),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
