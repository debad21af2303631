// The sheets of one table: header, rows in page and slot order without gaps,
// 65,535 data rows a sheet with continuation sheets, cell formats, values.
#include "export/table_sheet_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "export/row_source.h"

#include "tests/export/export_fixture.h"

namespace exporttest {
namespace {

using testdb::ColumnType;

constexpr uint8_t kCentre = 2;
constexpr uint8_t kThin = 1;
constexpr uint8_t kLightYellow = 26;  // ColorIndex 19

void ExpectHeaderCell(const xlscheck::WorkbookRead& book, size_t sheet, uint16_t column,
                      bool centred) {
  const xlscheck::CellRead* cell = book.Find(sheet, 0, column);
  ASSERT_NE(cell, nullptr);
  const xlscheck::XfRead& xf = book.XfOf(*cell);
  EXPECT_EQ(book.FontWeightOf(*cell), 700);
  EXPECT_EQ(xf.fillPattern, 1);
  EXPECT_EQ(xf.fillColour, kLightYellow);
  EXPECT_EQ(xf.horizontal, centred ? kCentre : 0);
  EXPECT_EQ(std::vector<uint8_t>({xf.left, xf.right, xf.top, xf.bottom}),
            std::vector<uint8_t>(4, kThin));
}

void ExpectDataCell(const xlscheck::WorkbookRead& book, size_t sheet, uint16_t row, uint16_t column) {
  const xlscheck::CellRead* cell = book.Find(sheet, row, column);
  ASSERT_NE(cell, nullptr);
  const xlscheck::XfRead& xf = book.XfOf(*cell);
  EXPECT_TRUE(xf.quotePrefix);
  EXPECT_EQ(book.FontWeightOf(*cell), 400);
  EXPECT_EQ(xf.horizontal, kCentre);
  EXPECT_EQ(std::vector<uint8_t>({xf.left, xf.right, xf.top, xf.bottom}),
            std::vector<uint8_t>(4, kThin));
}

TEST(TableSheetWriterTest, AFullSheetGoesOnInAContinuationSheetWithTheHeaderAgain) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "T", 70000);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerTable));

  auto book = ReadWorkbook(f.Workbook("T.xls"));
  EXPECT_EQ(SheetNames(book), (std::vector<std::string>{"T", "T_1"}));
  EXPECT_EQ(SheetRowCount(book, 0), 1u + 65535u);
  EXPECT_EQ(SheetRowCount(book, 1), 1u + 4465u);
  EXPECT_EQ(f.ExportedRows("T"), 70000);
  // The rows written, reported as they grow and at the end.
  ASSERT_EQ(f.view.rowsWritten.size(), 70000u / TableSheetWriter::kRowsPerReport + 1);
  EXPECT_EQ(f.view.rowsWritten.front(), std::make_pair(std::string("T"), TableSheetWriter::kRowsPerReport));
  EXPECT_EQ(f.view.rowsWritten.back(), std::make_pair(std::string("T"), 70000));
  for (size_t sheet : {0u, 1u}) {
    EXPECT_EQ(book.Text(sheet, 0, 0), "Id");
    EXPECT_EQ(book.Text(sheet, 0, 1), "Name");
  }
  EXPECT_EQ(book.Text(0, 1, 0), "1");
  EXPECT_EQ(book.Text(0, 65535, 1), "r65535");
  EXPECT_EQ(book.Text(1, 1, 0), "65536");
  EXPECT_EQ(book.Text(1, 4465, 1), "r70000");

  // The per-table writer leaves the continuation header's alignment unset.
  ExpectHeaderCell(book, 0, 1, true);
  ExpectHeaderCell(book, 1, 1, false);
  ExpectDataCell(book, 0, 1, 0);
  ExpectDataCell(book, 1, 4465, 1);
}

TEST(TableSheetWriterTest, TheRowAfter65535GoesToTheContinuationSheetPerDatabaseToo) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "T", 65536);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  auto book = ReadWorkbook(f.Workbook("x.xls"));
  EXPECT_EQ(SheetNames(book), (std::vector<std::string>{"T", "T_1"}));
  EXPECT_EQ(SheetRowCount(book, 0), 65536u);
  EXPECT_EQ(SheetGrid(book, 1), (std::vector<std::vector<std::string>>{{"Id", "Name"}, {"65536", "r65536"}}));
  ExpectHeaderCell(book, 1, 0, true);
}

TEST(TableSheetWriterTest, ATableWithoutRowsGivesTheHeaderOnly) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "Empty", 0);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  auto book = ReadWorkbook(f.Workbook("x.xls"));
  EXPECT_EQ(SheetNames(book), (std::vector<std::string>{"Empty"}));
  EXPECT_EQ(SheetGrid(book, 0), (std::vector<std::vector<std::string>>{{"Id", "Name"}}));
  EXPECT_EQ(f.ExportedRows("Empty"), 0);
}

TEST(TableSheetWriterTest, DeletedRowsAreLeftOutWithoutGaps) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  testdb::Table& table = builder.AddTable("T", {{"Id", ColumnType::Long}});
  for (int i = 1; i <= 6; ++i) {
    testdb::Row row{{i}};
    if (i % 2 == 0) row.state = testdb::RowState::Deleted;
    table.rows.push_back(row);
  }
  table.rowsPerPage = 2;  // rows 1, 3 and 5 on three pages
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  auto book = ReadWorkbook(f.Workbook("x.xls"));
  EXPECT_EQ(SheetGrid(book, 0), (std::vector<std::vector<std::string>>{{"Id"}, {"1"}, {"3"}, {"5"}}));
  EXPECT_EQ(f.ExportedRows("T"), 3);
}

TEST(TableSheetWriterTest, ATableWhoseEveryRowIsDamagedGivesItsHeaderOnly) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  testdb::Table& broken = builder.AddTable("Broken", {{"Id", ColumnType::Long}, {"Name", ColumnType::Text, 10}});
  for (int i = 0; i < 5; ++i) {
    testdb::Row row;
    row.rawBytes = std::vector<uint8_t>{0xFF, 0xFF, 0xFF, static_cast<uint8_t>(i)};
    broken.rows.push_back(row);
  }
  AddNumberedTable(builder, "After", 2);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  auto book = ReadWorkbook(f.Workbook("x.xls"));
  EXPECT_EQ(SheetGrid(book, 0), (std::vector<std::vector<std::string>>{{"Id", "Name"}}));
  EXPECT_EQ(SheetRowCount(book, 1), 3u);
  EXPECT_EQ(f.view.statistics,
            (std::vector<StatisticsEntry>{{0, "Broken", 0, "5 expected, 5 missing"}, {1, "After", 2, ""}}));
}

TEST(TableSheetWriterTest, AValueLongerThanACellHoldsIsCutAndAnAbsentOneLeavesItEmpty) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  testdb::Table& table = builder.AddTable("T", {{"A", ColumnType::Text, 10}, {"B", ColumnType::Memo}});
  table.rows.push_back({{"x", std::string(40000, 'm')}});
  table.rows.push_back({{"y", std::string(32767, 'n')}});
  table.rows.push_back({{"NULL", testdb::Null{}}});
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  auto book = ReadWorkbook(f.Workbook("x.xls"));
  EXPECT_TRUE(book.Text(0, 1, 1) == std::string(32767, 'm'));
  EXPECT_TRUE(book.Text(0, 2, 1) == std::string(32767, 'n'));
  EXPECT_EQ(book.Text(0, 2, 0), "y");
  // An absent value leaves its cell without text; a stored word is kept.
  EXPECT_EQ(book.Text(0, 3, 0), "NULL");
  const xlscheck::CellRead* absent = book.Find(0, 3, 1);
  EXPECT_TRUE(absent == nullptr || absent->text < 0);
}

TEST(TableSheetWriterTest, ColumnsFromTheTwentySeventhOnGetTwoLetters) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  std::vector<testdb::Column> columns;
  testdb::Row row;
  for (int c = 0; c < 60; ++c) {
    columns.push_back({"C" + std::to_string(c), ColumnType::Long});
    row.values.push_back(c * 10);
  }
  builder.AddTable("Wide", columns).rows.push_back(row);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  auto book = ReadWorkbook(f.Workbook("x.xls"));
  auto grid = SheetGrid(book, 0);
  ASSERT_EQ(grid.size(), 2u);
  ASSERT_EQ(grid[1].size(), 60u);
  for (uint16_t c = 0; c < 60; ++c) {
    EXPECT_EQ(grid[0][c], "C" + std::to_string(c));
    EXPECT_EQ(grid[1][c], std::to_string(c * 10));
  }
}

}  // namespace
}  // namespace exporttest

// The rows a sheet is written from, walked ahead on a thread of their own:
// every row in order with its own cells across batches, long values that
// fill a batch early, what the walk throws after the rows before it, and a
// writer that leaves early.
TEST(RowSourceTest, RowsWalkedAheadAreTheRowsWalkedInPlace) {
  constexpr int kRows = 3000;
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead ? "ahead" : "in place");
    RowCells decoded(3);
    int row = 0;
    auto walk = [&](std::string& text) {
      if (row == kRows) return 0;
      if (row == kRows - 1) throw std::runtime_error("page unreadable");
      text = "row " + std::to_string(row);
      decoded[0].value.integer = row;
      // Every tenth row holds a memo of 1 MiB: batches end by their bytes.
      decoded[2].text.assign(row % 10 == 0 ? size_t{1} << 20 : 3, static_cast<char>('a' + row % 26));
      ++row;
      return 1;
    };
    RowSource source(walk, decoded, {2, 0, 7}, ahead);
    std::string text;
    std::vector<const CellSlot*> cells;
    int seen = 0;
    try {
      while (source.Next(text, cells) == 1) {
        ASSERT_EQ(text, "row " + std::to_string(seen));
        ASSERT_EQ(cells.size(), 3u);
        EXPECT_EQ(cells[1]->value.integer, seen);
        EXPECT_EQ(cells[0]->text.size(), seen % 10 == 0 ? size_t{1} << 20 : 3u);
        EXPECT_EQ(cells[0]->text.back(), static_cast<char>('a' + seen % 26));
        EXPECT_EQ(cells[2]->present, -1);  // no such column: absent
        ++seen;
      }
      ADD_FAILURE() << "the walk's failure was not thrown";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "page unreadable");
    }
    EXPECT_EQ(seen, kRows - 1);
  }
  // The writer stops after one row; the walk ahead is not waited for to its end.
  int row = 0;
  RowCells decoded(1);
  auto endless = [&](std::string& text) { text = std::to_string(row++); return 1; };
  auto source = std::make_unique<RowSource>(endless, decoded, std::vector<int32_t>{0}, true);
  std::string text;
  std::vector<const CellSlot*> cells;
  EXPECT_EQ(source->Next(text, cells), 1);
  source.reset();
}
