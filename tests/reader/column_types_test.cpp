// Type names and tree texts of columns, and the column order after the sort.
#include <gtest/gtest.h>

#include "report/progress_channel.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"
#include "tests/reader/recording_dialogs.h"

namespace readertest {
namespace {

ColumnDef Column(int type, int number, const std::string& name = "c", int length = 0) {
  ColumnDef c;
  c.typeCode = type;
  c.columnNumber = number;
  c.name = name;
  c.length = length;
  return c;
}

struct TypeCase {
  int type;
  int number;
  const char* name;
};

class ColumnTypeNames : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ColumnTypeNames, FollowTheTypeCode) {
  EXPECT_EQ(ColumnTypeName(Column(GetParam().type, GetParam().number)), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Codes, ColumnTypeNames,
                         ::testing::Values(TypeCase{1, 1, "BIT"}, TypeCase{2, 1, "BYTE"}, TypeCase{3, 1, "INT"},
                                           TypeCase{4, 0, "COUNTER"}, TypeCase{4, 3, "LONG"},
                                           TypeCase{5, 1, "CURRENCY"}, TypeCase{6, 1, "SINGLE"},
                                           TypeCase{7, 1, "DOUBLE"}, TypeCase{8, 1, "DATE"},
                                           TypeCase{9, 1, "BINARY"}, TypeCase{10, 1, "TEXT"},
                                           TypeCase{11, 1, "OLEOBJECT"}, TypeCase{12, 1, "MEMO"},
                                           TypeCase{15, 1, "GUID"}, TypeCase{16, 0, "LONG"},
                                           TypeCase{0, 1, "UNKNOWN-DATATYPE = 0x0"},
                                           TypeCase{13, 1, "UNKNOWN-DATATYPE = 0xd"},
                                           TypeCase{14, 1, "UNKNOWN-DATATYPE = 0xe"},
                                           TypeCase{17, 1, "UNKNOWN-DATATYPE = 0x11"},
                                           TypeCase{-112, 1, "UNKNOWN-DATATYPE = 0xffffff90"},
                                           TypeCase{-1, 1, "UNKNOWN-DATATYPE = 0xffffffff"}));

TEST(ColumnTreeText, ShowsTheLengthOfTextColumnsOnly) {
  EXPECT_EQ(ColumnTreeText(Column(10, 1, "Title", 50)), "Title [TEXT(50)]");
  EXPECT_EQ(ColumnTreeText(Column(8, 2, "Born", 8)), "Born [DATE]");
  EXPECT_EQ(ColumnTreeText(Column(9, 3, "Blob", 255)), "Blob [BINARY]");
  EXPECT_EQ(ColumnTreeText(Column(4, 0, "Id", 4)), "Id [COUNTER]");
}

TEST(SortColumns, OrdersEveryTableByColumnNumber) {
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db(progress, dialogs);
  for (std::vector<int> numbers : {std::vector<int>{3, 0, 2, 1}, std::vector<int>{5, 9, 1, 7, 2, 8, 0}}) {
    auto table = std::make_unique<TableDef>();
    for (int n : numbers) table->columns.push_back(Column(4, n, "c" + std::to_string(n)));
    db.tables.push_back(std::move(table));
  }
  EXPECT_EQ(db.SortColumns(), 1);
  for (const auto& table : db.tables)
    for (size_t i = 1; i < table->columns.size(); ++i)
      EXPECT_LT(table->columns[i - 1].columnNumber, table->columns[i].columnNumber);
  EXPECT_EQ(db.tables[0]->columns[0].name, "c0");
}

TEST(SortColumns, KeepsRecordOrderAmongEqualNumbers) {
  // A damaged definition read past its end yields many columns numbered 0.
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db(progress, dialogs);
  auto table = std::make_unique<TableDef>();
  table->columns.push_back(Column(4, 1, "one"));
  for (int i = 0; i < 65535; ++i) table->columns.push_back(Column(0, 0, "z" + std::to_string(i)));
  db.tables.push_back(std::move(table));
  db.SortColumns();
  const auto& columns = db.tables[0]->columns;
  EXPECT_EQ(columns[0].name, "z0");
  EXPECT_EQ(columns[65534].name, "z65534");
  EXPECT_EQ(columns[65535].name, "one");
}

}  // namespace
}  // namespace readertest
