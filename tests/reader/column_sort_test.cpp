// The column order after the sort: by column number, record order kept
// among equal numbers.
#include <gtest/gtest.h>

#include "reader/column_sort.h"

namespace readertest {
namespace {

ColumnDef Column(int type, int number, const std::string& name) {
  ColumnDef c;
  c.type = static_cast<ColumnType>(type);
  c.columnNumber = number;
  c.name = name;
  return c;
}

TEST(SortColumns, OrdersEveryTableByColumnNumber) {
  TableList tables;
  for (std::vector<int> numbers : {std::vector<int>{3, 0, 2, 1}, std::vector<int>{5, 9, 1, 7, 2, 8, 0}}) {
    auto table = std::make_unique<TableDef>();
    for (int n : numbers) table->columns.push_back(Column(4, n, "c" + std::to_string(n)));
    tables.push_back(std::move(table));
  }
  EXPECT_EQ(SortColumns(tables), 1);
  for (const auto& table : tables)
    for (size_t i = 1; i < table->columns.size(); ++i)
      EXPECT_LT(table->columns[i - 1].columnNumber, table->columns[i].columnNumber);
  EXPECT_EQ(tables[0]->columns[0].name, "c0");
}

TEST(SortColumns, KeepsRecordOrderAmongEqualNumbers) {
  // A damaged definition read past its end yields many columns numbered 0.
  TableList tables;
  auto table = std::make_unique<TableDef>();
  table->columns.push_back(Column(4, 1, "one"));
  for (int i = 0; i < 65535; ++i) table->columns.push_back(Column(0, 0, "z" + std::to_string(i)));
  tables.push_back(std::move(table));
  SortColumns(tables);
  const auto& columns = tables[0]->columns;
  EXPECT_EQ(columns[0].name, "z0");
  EXPECT_EQ(columns[65534].name, "z65534");
  EXPECT_EQ(columns[65535].name, "one");
}

}  // namespace
}  // namespace readertest
