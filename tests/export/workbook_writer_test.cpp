// The two workbook modes: file and sheet names and numbers, splits at the
// sheet limit, and what happens when a workbook cannot be made or saved.
#include "export/workbook_writer.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "tests/export/export_fixture.h"

namespace exporttest {
namespace {

using Names = std::vector<std::string>;

bool HasMessageStartingWith(const RecordingView& view, const std::string& start) {
  for (const auto& message : view.messages) {
    if (message.rfind(start, 0) == 0) return true;
  }
  return false;
}

TEST(WorkbookWriterTest, PerDatabaseTwelveTablesWithLimitTenFillASecondWorkbook) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  Names tables;
  for (int i = 1; i <= 12; ++i) {
    tables.push_back("T" + std::to_string(i));
    AddNumberedTable(builder, tables.back(), static_cast<uint64_t>(i));
  }
  ASSERT_NO_FATAL_FAILURE(f.Open(builder, "Sales.mdb"));
  f.job.SetSheetLimit(10);
  f.Run(f.Options(kExcelPerDatabase));

  EXPECT_EQ(f.ExportedFiles(), (Names{"Sales.xls", "Sales_1.xls"}));
  auto first = ReadWorkbook(f.Workbook("Sales.xls"));
  EXPECT_EQ(SheetNames(first), Names(tables.begin(), tables.begin() + 10));
  auto second = ReadWorkbook(f.Workbook("Sales_1.xls"));
  EXPECT_EQ(SheetNames(second), (Names{"T11", "T12"}));
  // Every table's rows survived the saves and reopenings between tables.
  EXPECT_EQ(SheetRowCount(first, 0), 2u);
  EXPECT_EQ(first.Text(9, 10, 1), "r10");
  EXPECT_EQ(second.Text(1, 12, 1), "r12");
}

TEST(WorkbookWriterTest, PerDatabaseAContinuationBeyondTheLimitStartsTheNextWorkbook) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "Big", 65540);
  AddNumberedTable(builder, "Small", 2);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.job.SetSheetLimit(1);
  f.Run(f.Options(kExcelPerDatabase));

  EXPECT_EQ(f.ExportedFiles(), (Names{"x.xls", "x_1.xls", "x_2.xls"}));
  EXPECT_EQ(SheetNames(ReadWorkbook(f.Workbook("x.xls"))), (Names{"Big"}));
  auto second = ReadWorkbook(f.Workbook("x_1.xls"));
  EXPECT_EQ(SheetNames(second), (Names{"Big_1"}));
  EXPECT_EQ(SheetRowCount(second, 0), 6u);
  EXPECT_EQ(SheetNames(ReadWorkbook(f.Workbook("x_2.xls"))), (Names{"Small"}));
}

TEST(WorkbookWriterTest, PerTableATableBeyondTheLimitGoesOnInAFurtherFile) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "T", 5 * 65535 + 10);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.job.SetSheetLimit(5);
  f.Run(f.Options(kExcelPerTable));

  EXPECT_EQ(f.ExportedFiles(), (Names{"T.xls", "T_1.xls"}));
  auto first = ReadWorkbook(f.Workbook("T.xls"));
  EXPECT_EQ(SheetNames(first), (Names{"T", "T_1", "T_2", "T_3", "T_4"}));
  EXPECT_EQ(SheetRowCount(first, 4), 65536u);
  auto second = ReadWorkbook(f.Workbook("T_1.xls"));
  EXPECT_EQ(SheetNames(second), (Names{"T_5"}));
  EXPECT_EQ(SheetGrid(second, 0).back(), (Names{"327685", "r327685"}));
  EXPECT_EQ(SheetRowCount(second, 0), 11u);
}

TEST(WorkbookWriterTest, SheetNamesAreMadeValidAndUniqueInTheirWorkbook) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  for (const char* name : {"Sheet2", "a/b:c*d?", "[x]'", "sales", "SALES", "History",
                           "A name that is much longer than thirty-one"}) {
    AddNumberedTable(builder, name, 1);
  }
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.Run(f.Options(kExcelPerDatabase));

  EXPECT_EQ(SheetNames(ReadWorkbook(f.Workbook("x.xls"))),
            (Names{"Sheet2_1", "a_b_c_d_", "_x__", "sales", "SALES_1", "History_1",
                   "A name that is much longer than"}));
  EXPECT_TRUE(f.job.Succeeded());
}

TEST(WorkbookWriterTest, PerTableFileNamesStayInTheFolderAndNeverReplaceEachOther) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "../up", 1);
  AddNumberedTable(builder, "a/b", 1);
  AddNumberedTable(builder, "Sales", 65536);
  AddNumberedTable(builder, "Sales_1", 3);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  f.job.SetSheetLimit(1);
  f.Run(f.Options(kExcelPerTable));

  EXPECT_EQ(f.ExportedFiles(), (Names{"Sales.xls", "Sales_1.xls", "Sales_1_1.xls", "___up.xls", "a_b.xls"}));
  EXPECT_FALSE(platform::FileExists(f.dir.File("up.xls")));
  EXPECT_EQ(SheetNames(ReadWorkbook(f.Workbook("Sales_1.xls"))), (Names{"Sales_1"}));
  auto table = ReadWorkbook(f.Workbook("Sales_1_1.xls"));
  EXPECT_EQ(SheetNames(table), (Names{"Sales_1"}));
  EXPECT_EQ(SheetRowCount(table, 0), 4u);
  EXPECT_TRUE(f.job.Succeeded());
}

TEST(WorkbookWriterTest, AWorkbookThatCannotBeSavedIsNamedAndSuccessIsNotClaimed) {
  for (int32_t mode : {kExcelPerDatabase, kExcelPerTable}) {
    SCOPED_TRACE(mode);
    ExportFixture f;
    testdb::DatabaseBuilder builder;
    AddNumberedTable(builder, "A", 3);
    AddNumberedTable(builder, "B", 3);
    ASSERT_NO_FATAL_FAILURE(f.Open(builder));
    // A folder where the workbook should go: it cannot be written.
    std::string blocked = f.Workbook(mode == kExcelPerTable ? "B.xls" : "x.xls");
    ASSERT_TRUE(platform::CreateFolder(blocked));
    f.Run(f.Options(mode));

    EXPECT_TRUE(HasMessageStartingWith(f.view, "Could not save " + blocked)) << f.view.messages.size();
    EXPECT_EQ(f.view.messages.back(), "Export completed with errors...");
    EXPECT_FALSE(f.job.Succeeded());
    if (mode == kExcelPerTable) {
      EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "A", 3}, {1, "B", 3, "not all written"}}));
      EXPECT_EQ(SheetRowCount(ReadWorkbook(f.Workbook("A.xls")), 0), 4u);
    } else {
      // The unsaved workbook cannot be reopened for the second table.
      EXPECT_TRUE(HasMessageStartingWith(f.view, "Could not export B: "));
      EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "A", 3}, {1, "B", 0, "not all written"}}));
    }
  }
}

TEST(WorkbookWriterTest, AVanishedExportFolderIsReportedAndTheTableLeftOut) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "A", 3);
  AddNumberedTable(builder, "B", 3);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  ExportOptions options = f.Options(kExcelPerTable);
  options.exportFolder = f.dir.File("gone");
  f.Run(options);

  // The check for the folder makes it again: the next table goes there.
  EXPECT_TRUE(HasMessageStartingWith(f.view, "Export folder was missing, A not exported"));
  EXPECT_FALSE(platform::FileExists(f.dir.File("gone/A.xls")));
  EXPECT_TRUE(platform::FileExists(f.dir.File("gone/B.xls")));
  EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "A", 0, "not all written"}, {1, "B", 3}}));
  EXPECT_EQ(f.view.messages.back(), "Export completed with errors...");
}

TEST(WorkbookWriterTest, WithoutTheEngineEveryTableIsReadAndNothingIsWritten) {
  for (int32_t mode : {kExcelPerDatabase, kExcelPerTable}) {
    SCOPED_TRACE(mode);
    ExportFixture f;
    testdb::DatabaseBuilder builder;
    AddNumberedTable(builder, "A", 3);
    AddNumberedTable(builder, "B", 4);
    AddNumberedTable(builder, "C", 5);
    ASSERT_NO_FATAL_FAILURE(f.Open(builder));
    f.job.SetApplicationFactory([] { return std::shared_ptr<xls::Application>(); });
    f.Run(f.Options(mode));

    EXPECT_EQ(f.dialogs.messages, Names(3, "Couldn't start Excel."));
    EXPECT_TRUE(f.ExportedFiles().empty());
    // Which table a failed save is noted on differs between the modes.
    ASSERT_EQ(f.view.statistics.size(), 3u);
    EXPECT_EQ(f.view.statistics.back().note, "not all written");
    for (StatisticsEntry& entry : f.view.statistics) entry.note.clear();
    EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "A", 3}, {1, "B", 4}, {2, "C", 5}}));
    EXPECT_EQ(f.view.messages.back(), "Export completed with errors...");
  }
}

}  // namespace
}  // namespace exporttest
