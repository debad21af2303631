// The table-definition parser: header counts, column records, names.
#include <gtest/gtest.h>

#include "reader/column_types.h"
#include "reader/table_definition.h"
#include "tests/reader/page_image.h"

namespace readertest {
namespace {

TableDef Parse(const Bytes& definition, const PageInventory& pages = {}, int* result = nullptr) {
  TableDef table;
  table.definitionPage = 20;
  int r = ParseTableDefinition(definition, kJet4Layout, TextDecoder(), pages, table);
  if (result) *result = r;
  return table;
}

Bytes Stream(const DefinitionPlan& plan) {
  Bytes stream = DefinitionStream(plan);
  stream.resize(std::max<size_t>(stream.size(), 4096), 0);
  return stream;
}

TEST(ParseTableDefinition, ReadsTheHeaderAndEveryColumnRecord) {
  DefinitionPlan plan;
  plan.rowCount = 70000;
  plan.varColumnCount = 1;
  plan.maxColumns = 5;
  ColumnPlan amount = Col(16, 3, "Amount", 17);
  amount.precision = 12;
  amount.scale = 3;
  ColumnPlan price = Col(5, 2, "Price", 8);
  price.fixedOffset = 4;
  price.precision = 9;  // only numeric columns carry precision and scale
  plan.columns = {Col(4, 0, "Id"), Col(10, 1, "Title", 100), price, amount};
  int result = 0;
  TableDef t = Parse(Stream(plan), {}, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(t.rowCount, 70000);
  EXPECT_EQ(t.objectType, 78);
  EXPECT_EQ(t.maxColumns, 5);
  EXPECT_EQ(t.varColumnCount, 1);
  EXPECT_EQ(t.columnCount, 4);
  ASSERT_EQ(t.columns.size(), 4u);
  EXPECT_EQ(t.columns[1].name, "Title");
  EXPECT_EQ(ColumnTypeCode(t.columns[1].type), 10);
  EXPECT_EQ(t.columns[1].length, 100);
  EXPECT_EQ(t.columns[1].isFixed, 0);
  EXPECT_EQ(t.columns[2].isFixed, 1);
  EXPECT_EQ(t.columns[2].fixedOffset, 4);
  EXPECT_EQ(t.columns[2].columnNumber, 2);
  EXPECT_EQ(t.columns[2].columnIndex, 2);
  EXPECT_EQ(t.columns[2].precision, 0);
  EXPECT_EQ(t.columns[3].precision, 12);
  EXPECT_EQ(t.columns[3].scale, 3);
}

TEST(ParseTableDefinition, FindsTheFirstColumnRecordAfterTheRealIndexEntries) {
  DefinitionPlan plan;
  plan.realIndexCount = 2;
  plan.columns = {Col(8, 0, "Born", 8), Col(3, 1, "Age", 2)};
  Bytes stream = Stream(plan);
  ASSERT_EQ(stream[87], 8);  // first record's type byte at 63 + 12 * 2
  TableDef t = Parse(stream);
  ASSERT_EQ(t.columns.size(), 2u);
  EXPECT_EQ(t.columns[0].name, "Born");
  EXPECT_EQ(ColumnTypeCode(t.columns[0].type), 8);
  EXPECT_EQ(t.columns[1].name, "Age");
}

TEST(ParseTableDefinition, CapsTextLengthsAt255Only) {
  DefinitionPlan plan;
  plan.columns = {Col(10, 0, "Long", 510), Col(9, 1, "Blob", 510), Col(10, 2, "Short", 254)};
  TableDef t = Parse(Stream(plan));
  EXPECT_EQ(t.columns[0].length, 255);
  EXPECT_EQ(t.columns[1].length, 510);
  EXPECT_EQ(t.columns[2].length, 254);
}

TEST(ParseTableDefinition, ReadsTheTypeByteSigned) {
  DefinitionPlan plan;
  plan.columns = {Col(0x90, 0, "Odd")};
  TableDef t = Parse(Stream(plan));
  EXPECT_EQ(ColumnTypeCode(t.columns[0].type), -112);
  EXPECT_EQ(ColumnTypeName(t.columns[0]), "UNKNOWN-DATATYPE = 0xffffff90");
}

TEST(ParseTableDefinition, WithoutColumnsReturnsZero) {
  DefinitionPlan plan;
  plan.columnCount = 0;
  int result = -1;
  TableDef t = Parse(Stream(plan), {}, &result);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(t.columns.empty());
}

Bytes Chars16(std::initializer_list<uint16_t> chars) {
  Bytes out;
  for (uint16_t c : chars) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

struct NameCase {
  const char* label;
  Bytes stored;
  std::string shown;
};

class ColumnNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ColumnNames, AreMadePrintable) {
  DefinitionPlan plan;
  ColumnPlan column = Col(4, 0, "");
  column.name = GetParam().stored;
  plan.columns = {Col(4, 1, "Before"), column, Col(4, 2, "After")};
  TableDef t = Parse(Stream(plan));
  ASSERT_EQ(t.columns.size(), 3u);
  EXPECT_EQ(t.columns[0].name, "Before");
  EXPECT_EQ(t.columns[1].name, GetParam().shown);
  EXPECT_EQ(t.columns[2].name, "After");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnNames,
    ::testing::Values(NameCase{"Ascii", Ucs2("Order Date"), "Order Date"},
                      NameCase{"NoBreakSpaceKept", Chars16({'a', 0xA0, 'b'}), "a\u00A0b"},
                      NameCase{"HighLatinKeptC1ControlNot", Chars16({'r', 0xE9, 0x80, 0xFF}), "ré_ÿ"},
                      NameCase{"ControlCharacter", Chars16({'x', 0x09, 'y', 0x7F}), "x_y_"},
                      NameCase{"AboveFFIsOneCharacter", Chars16({0x0141}), "Ł"},
                      NameCase{"ZeroLowByteKept", Chars16({0x4100}), "\u4100"},
                      NameCase{"EveryScriptKept", Ucs2("Όνομα Имя 名前 😀 €"), "Όνομα Имя 名前 😀 €"},
                      NameCase{"CompressedName", Bytes{0xFF, 0xFE, 'N', 0xE9, 0, 0xA9, 0x03}, "NéΩ"},
                      NameCase{"OddBytesDecodeAsFarAsTheyGo", Bytes{'A', 'B', 'C'}, "\u4241\uFFFD"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ParseTableDefinition, NamesNamelessColumnsInRecordOrderPerTable) {
  DefinitionPlan plan;
  plan.columns = {Col(4, 7, ""), Col(4, 1, "Kept"), Col(4, 3, ""), Col(4, 0, "")};
  TableDef first = Parse(Stream(plan));
  ASSERT_EQ(first.columns.size(), 4u);
  EXPECT_EQ(first.columns[0].name, "Recovered Column 1");
  EXPECT_EQ(first.columns[1].name, "Kept");
  EXPECT_EQ(first.columns[2].name, "Recovered Column 2");
  EXPECT_EQ(first.columns[3].name, "Recovered Column 3");
  TableDef second = Parse(Stream(plan));
  EXPECT_EQ(second.columns[0].name, "Recovered Column 1");
}

TEST(ParseTableDefinition, CutsOverlongNamesTo259Characters) {
  DefinitionPlan plan;
  plan.columns = {Col(4, 0, std::string(300, 'n')), Col(4, 1, "Next")};
  TableDef t = Parse(Stream(plan));
  EXPECT_EQ(t.columns[0].name, std::string(259, 'n'));
  EXPECT_EQ(t.columns[1].name, "Next");  // the next name is still found
  std::string han;
  for (int i = 0; i < 300; ++i) han += "漢";
  plan.columns = {Col(4, 0, han)};
  EXPECT_EQ(Parse(Stream(plan)).columns[0].name, han.substr(0, 3 * 259));
}

TEST(ParseTableDefinition, CollectsTheDataPagesOwnedByTheDefinitionPage) {
  PageInventory pages(30);
  for (int i = 0; i < 30; ++i) pages[i].pageNumber = i;
  auto data = [&](int page, int owner) {
    pages[page].pageType = 1;
    pages[page].linkPage = owner;
  };
  data(25, 20);
  data(21, 20);
  data(22, 19);
  data(27, 20);
  pages[23].pageType = 2;  // a definition page linking to 20 is no data page
  pages[23].linkPage = 20;
  DefinitionPlan plan;
  plan.columns = {Col(4, 0, "Id")};
  TableDef t = Parse(Stream(plan), pages);
  EXPECT_EQ(t.dataPages, (std::vector<int32_t>{21, 25, 27}));
}

TEST(ParseTableDefinition, SurvivesCountsThatPointFarPastTheBuffer) {
  DefinitionPlan plan;
  plan.columns = {Col(4, 0, "Id")};
  plan.columnCount = 65535;
  plan.realIndexCount = 0;
  Bytes stream = Stream(plan);
  stream[51] = stream[52] = stream[53] = 0xFF;
  stream[54] = 0x7F;  // about two billion real indexes
  TableDef t = Parse(stream);
  ASSERT_EQ(t.columns.size(), 65535u);
  EXPECT_EQ(ColumnTypeCode(t.columns[0].type), 0);
  EXPECT_EQ(t.columns[65534].name, "Recovered Column 65535");
}

TEST(ParseColumnRecord, AppendsOneColumnPerCall) {
  Bytes stream = Stream(DefinitionPlan{{Col(7, 5, "A", 8), Col(1, 6, "B", 1)}});
  TableDef t;
  EXPECT_EQ(ParseColumnRecord(stream, kJet4Layout, t, 63), 1);
  EXPECT_EQ(ParseColumnRecord(stream, kJet4Layout, t, 63 + 25), 1);
  ASSERT_EQ(t.columns.size(), 2u);
  EXPECT_EQ(ColumnTypeCode(t.columns[0].type), 7);
  EXPECT_EQ(t.columns[0].columnNumber, 5);
  EXPECT_EQ(ColumnTypeCode(t.columns[1].type), 1);
  EXPECT_EQ(t.columns[1].length, 1);
}

}  // namespace
}  // namespace readertest
