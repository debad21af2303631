// Type names and tree texts of columns.
#include <gtest/gtest.h>

#include "reader/column_types.h"

namespace readertest {
namespace {

ColumnDef Column(int type, int number, const std::string& name = "c", int length = 0) {
  ColumnDef c;
  c.type = static_cast<ColumnType>(type);
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
                                           TypeCase{15, 1, "GUID"}, TypeCase{16, 0, "NUMERIC"},
                                           TypeCase{19, 1, "BIGINT"}, TypeCase{20, 1, "DATETIME2"},
                                           TypeCase{0, 1, "UNKNOWN-DATATYPE = 0x0"},
                                           TypeCase{13, 1, "UNKNOWN-DATATYPE = 0xd"},
                                           TypeCase{14, 1, "UNKNOWN-DATATYPE = 0xe"},
                                           TypeCase{17, 1, "UNKNOWN-DATATYPE = 0x11"},
                                           TypeCase{-112, 1, "UNKNOWN-DATATYPE = 0xffffff90"},
                                           TypeCase{-1, 1, "UNKNOWN-DATATYPE = 0xffffffff"}));

TEST(ColumnTreeText, ShowsTheLengthOfTextsAndThePrecisionOfDecimals) {
  EXPECT_EQ(ColumnTreeText(Column(10, 1, "Title", 50)), "Title [TEXT(50)]");
  ColumnDef price = Column(16, 4, "Price", 17);
  price.precision = 18;
  price.scale = 2;
  EXPECT_EQ(ColumnTreeText(price), "Price [NUMERIC(18,2)]");
  EXPECT_EQ(ColumnTreeText(Column(8, 2, "Born", 8)), "Born [DATE]");
  EXPECT_EQ(ColumnTreeText(Column(9, 3, "Blob", 255)), "Blob [BINARY]");
  EXPECT_EQ(ColumnTreeText(Column(4, 0, "Id", 4)), "Id [COUNTER]");
}

}  // namespace
}  // namespace readertest
