// The export job: what it shows and logs, its statistics, stop and abandon,
// and its thread.
#include "export/export_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/folders.h"
#include "tests/export/export_fixture.h"

namespace exporttest {
namespace {

using Names = std::vector<std::string>;

const char kSessionHeader[] =
    "===============================================================================\r\n"
    "Last Log On\r\nDate : 6/5/2024\r\nTime : 7:8:9\r\n"
    "===============================================================================\r\n";

void OpenThreeTables(ExportFixture& f) {
  testdb::DatabaseBuilder builder;
  AddNumberedTable(builder, "Orders", 3);
  AddNumberedTable(builder, "Customers", 2);
  AddNumberedTable(builder, "A table name of forty characters, long..", 1);
  ASSERT_NO_FATAL_FAILURE(f.Open(builder, "Shop.mdb"));
}

TEST(ExportJobTest, ThreeTablesGiveMessagesPercentagesLogAndStatistics) {
  ExportFixture f;
  ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
  EXPECT_EQ(f.Run(f.Options(kExcelPerDatabase)), 1);

  const std::string longName = "A table name of forty characters, long..";
  EXPECT_EQ(f.view.messages,
            (Names{"Export Database started...", "Export started  : Orders", "Export completed : Orders",
                   "Export started  : Customers", "Export completed : Customers",
                   "Export started  : " + longName, "Export completed : " + longName,
                   "Export completed Successfully..."}));
  // Rows written against the rows of every table, each table one row more.
  EXPECT_EQ(f.view.percentages, (std::vector<int>{33, 44, 66, 77, 88, 100, 100}));
  EXPECT_EQ(f.view.rowsWritten, (std::vector<std::pair<std::string, int32_t>>{
                                    {"Orders", 3}, {"Customers", 2}, {longName, 1}}));
  EXPECT_EQ(f.view.rowsExpected, (std::vector<int64_t>{3, 2, 1}));
  EXPECT_EQ(f.view.finishing, (Names{"Shop.xls"}));
  EXPECT_EQ(f.view.calls, (Names{"running", "finished", "clear"}));
  EXPECT_EQ(f.view.statistics,
            (std::vector<StatisticsEntry>{{0, "Orders", 3}, {1, "Customers", 2}, {2, longName, 1}}));
  EXPECT_TRUE(f.job.Succeeded());
  EXPECT_TRUE(f.progress.Finished());

  EXPECT_EQ(testenv::ReadFile(f.StatisticsFile()),
            "Database Path : " + f.dir.File("Shop.mdb") + "\r\n\r\n"
            "            Table name             :          No of Records\r\n"
            "                             Orders:                   3\r\n"
            "                          Customers:                   2\r\n" +
                longName + ":                   1\r\n\r\nExport completed Successfully...\r\n");
  // Each export its own: nothing beside the program.
  EXPECT_FALSE(platform::FileExists(f.dir.File("program/Export Statistics.log")));
  EXPECT_EQ(testenv::ReadFile(f.log.ExecLogPath()),
            std::string(kSessionHeader) +
                "Code:0  Error:0  MSG:Export Database started...\r\n"
                "Code:0  Error:0  MSG:Export started  : Orders\r\n"
                "Code:0  Error:0  MSG:Export completed : Orders\r\n"
                "Code:0  Error:0  MSG:Export started  : Customers\r\n"
                "Code:0  Error:0  MSG:Export completed : Customers\r\n"
                "Code:0  Error:0  MSG:Export started  : " + longName + "\r\n"
                "Code:0  Error:0  MSG:Export completed : " + longName + "\r\n");
  EXPECT_EQ(SheetNames(ReadWorkbook(f.Workbook("Shop.xls"))),
            (Names{"Orders", "Customers", "A table name of forty character"}));
}

TEST(ExportJobTest, NoChosenTablesEndsAtOnceWithEmptyStatistics) {
  ExportFixture f;
  ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
  ExportOptions options = f.Options(kExcelPerDatabase);
  options.chosenTables.clear();
  EXPECT_EQ(f.Run(options), 1);

  EXPECT_EQ(f.view.messages, (Names{"Export Database started...", "Export completed Successfully..."}));
  EXPECT_EQ(f.view.percentages, (std::vector<int>{100}));
  EXPECT_TRUE(f.view.statistics.empty());
  EXPECT_EQ(testenv::ReadFile(f.StatisticsFile()),
            "Database Path : " + f.dir.File("Shop.mdb") +
                "\r\n\r\n            Table name             :          No of Records\r\n"
                "\r\nExport completed Successfully...\r\n");
  EXPECT_TRUE(f.ExportedFiles().empty());
}

TEST(ExportJobTest, StopDuringTheSecondOfThreeTablesGivesItUpAndKeepsTheFirst) {
  for (int32_t mode : {kExcelPerDatabase, kExcelPerTable}) {
    SCOPED_TRACE(mode);
    ExportFixture f;
    ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
    f.view.onMessage = [&](const std::string& text) {
      if (text == "Export started  : Customers") f.job.RequestStop();
    };
    EXPECT_EQ(f.Run(f.Options(mode)), 1);

    EXPECT_EQ(f.view.messages,
              (Names{"Export Database started...", "Export started  : Orders", "Export completed : Orders",
                     "Export started  : Customers", "Export stopped: Customers not written",
                     "Export Aborted by user..."}));
    EXPECT_EQ(f.view.statistics,
              (std::vector<StatisticsEntry>{{0, "Orders", 3}, {1, "Customers", 0, "stopped, not written"}}));
    EXPECT_EQ(f.view.percentages, (std::vector<int>{33, 44, 100}));
    std::string statistics = testenv::ReadFile(f.StatisticsFile());
    EXPECT_NE(statistics.find("Customers:                   0  (stopped, not written)\r\n\r\n"
                              "Export stopped: Customers not written\r\nExport Aborted by user...\r\n"),
              std::string::npos) << statistics;
    // The recovery report counts what was kept: the stopped table went with its file.
    const std::string report = testenv::ReadFile(f.Workbook("Recovery Report.log"));
    EXPECT_NE(report.find("Orders:          3             0"), std::string::npos) << report;
    EXPECT_EQ(report.find("Customers"), std::string::npos) << report;
    if (mode == kExcelPerDatabase) {
      // The workbook as saved before the stopped table went into it.
      EXPECT_EQ(f.ExportedFiles(), (Names{"Shop.xls"}));
      auto book = ReadWorkbook(f.Workbook("Shop.xls"));
      const Names sheets = SheetNames(book);
      EXPECT_EQ(sheets.at(0), "Orders");
      EXPECT_EQ(SheetRowCount(book, 0), 4u);
      EXPECT_EQ(std::count(sheets.begin(), sheets.end(), "Customers"), 0);
    } else {
      EXPECT_EQ(f.ExportedFiles(), (Names{"Orders.xls"}));
    }
  }
}

TEST(ExportJobTest, AStopWithinATableLeavesNoFileOfItInAnyFormat) {
  for (OutputFormat format : {OutputFormat::Xls, OutputFormat::Xlsx, OutputFormat::Csv}) {
    SCOPED_TRACE(static_cast<int>(format));
    ExportFixture f;
    testdb::DatabaseBuilder builder;
    AddNumberedTable(builder, "Big", 300000);
    ASSERT_NO_FATAL_FAILURE(f.Open(builder));
    // Stopped at the first count of rows written, well inside the table.
    f.view.onRowsWritten = [&](int64_t rows) {
      if (rows > 0 && rows < 300000) f.job.RequestStop();
    };
    ExportOptions options = f.Options(kExcelPerDatabase);
    options.format = format;
    f.Run(options);

    EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "Big", 0, "stopped, not written"}}));
    EXPECT_EQ(f.view.messages.back(), "Export Aborted by user...");
    EXPECT_TRUE(f.ExportedFiles().empty());
  }
}

TEST(ExportJobTest, AbandonEndsAtOnceWithoutSavingOrStatistics) {
  for (int32_t mode : {kExcelPerDatabase, kExcelPerTable}) {
    SCOPED_TRACE(mode);
    ExportFixture f;
    ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
    f.view.onMessage = [&](const std::string& text) {
      if (text == "Export started  : Customers") f.job.RequestAbandon();
    };
    EXPECT_EQ(f.Run(f.Options(mode)), -1);

    EXPECT_EQ(f.view.messages.back(), "Export started  : Customers");
    EXPECT_TRUE(f.view.statistics.empty());
    EXPECT_EQ(f.view.calls, (Names{"running"}));
    EXPECT_FALSE(platform::FileExists(f.dir.File("program/Export Statistics.log")));
    // What is left says that the export was abandoned, and where.
    std::string statistics = testenv::ReadFile(f.StatisticsFile());
    EXPECT_NE(statistics.find("Orders:                   3\r\n"), std::string::npos) << statistics;
    EXPECT_NE(statistics.find("Customers:                   0  (abandoned)\r\n\r\n"
                              "Export abandoned: the window was closed while it ran...\r\n"),
              std::string::npos) << statistics;
    EXPECT_FALSE(f.job.IsRunning());
    // Per database the first table was saved before the second began, to
    // be reopened: the workbook keeps its default sheets then.
    EXPECT_EQ(f.ExportedFiles(), (Names{mode == kExcelPerTable ? "Orders.xls" : "Shop.xls"}));
    if (mode == kExcelPerDatabase) {
      EXPECT_EQ(SheetNames(ReadWorkbook(f.Workbook("Shop.xls")))[1], "Sheet2");
    }
  }
}

TEST(ExportJobTest, ANewJobWaitsUntilTheThreadOfTheLastHasEnded) {
  ExportFixture f;
  ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false, release = false;
  f.view.onMessage = [&](const std::string& text) {
    if (text != "Export Database started...") return;
    std::unique_lock<std::mutex> lock(mutex);
    started = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
  };
  ExportOptions options = f.Options(kExcelPerTable);
  ASSERT_TRUE(f.job.Start(options, f.view));
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return started; });
  }
  EXPECT_TRUE(f.job.IsRunning());
  EXPECT_FALSE(f.job.Start(options, f.view));
  EXPECT_EQ(f.job.RunExport(options, f.view), -1);
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
    changed.notify_all();
  }
  f.job.Join();
  EXPECT_FALSE(f.job.IsRunning());
  EXPECT_EQ(f.view.messages.back(), "Export completed Successfully...");

  f.view.onMessage = nullptr;
  f.view.messages.clear();
  options.exportFolder = f.dir.File("second");
  ASSERT_TRUE(platform::CreateFolder(options.exportFolder));
  ASSERT_TRUE(f.job.Start(options, f.view));
  f.job.Join();
  EXPECT_EQ(f.view.messages.back(), "Export completed Successfully...");
}

TEST(ExportJobTest, TheEndOfTheSessionGoesToTheErrorLogOnce) {
  testenv::ScratchDir dir;
  LogWriter log(dir.path());
  log.LogSessionHeader({2024, 5, 6, 7, 8, 9}, {2024, 5, 6, 7, 8, 9});
  {
    ProgressChannel progress;
    RecordingDialogs dialogs;
    MdbFile db;
    ExportJob job(db, progress, dialogs, log);
  }
  EXPECT_EQ(testenv::ReadFile(log.ErrorLogPath()),
            std::string(kSessionHeader) + "Code:0  Error:0  MSG:Database was not opened\r\n");
}

TEST(ExportJobTest, APassedOverLastTableStillLeavesTheWorkbookSaved) {
  ExportFixture f;
  ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
  ExportOptions options = f.Options(kExcelPerDatabase, {"Orders", "Customers"});
  f.Table("Customers").name.clear();  // a table whose catalog name was empty
  f.Run(options);

  EXPECT_EQ(f.view.messages, (Names{"Export Database started...", "Export started  : Orders",
                                    "Export completed : Orders", "Export completed Successfully..."}));
  EXPECT_EQ(f.view.percentages, (std::vector<int>{75, 100, 100}));
  EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "Orders", 3}}));
  auto book = ReadWorkbook(f.Workbook("Shop.xls"));
  EXPECT_EQ(SheetNames(book), (Names{"Orders"}));
  EXPECT_EQ(SheetRowCount(book, 0), 4u);
}

TEST(ExportJobTest, AViewThatCannotEmptyItsStatisticsEndsTheJobWithoutThem) {
  ExportFixture f;
  ASSERT_NO_FATAL_FAILURE(OpenThreeTables(f));
  f.view.clearSucceeds = false;
  EXPECT_EQ(f.Run(f.Options(kExcelPerTable)), 0);
  EXPECT_TRUE(f.view.statistics.empty());
  EXPECT_FALSE(platform::FileExists(f.dir.File("program/Export Statistics.log")));
  EXPECT_FALSE(f.job.IsRunning());
}

// An OLE object that cannot be written fails its table, named.
TEST(ExportJobTest, AnOleFileNotWrittenFailsItsTable) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  builder.AddTable("Pics", {{"Object", testdb::ColumnType::Ole}}).rows = {
      {{testdb::Bytes{testdb::OleBitmap(testdb::MakeBmp(4, 4))}}}, {{testdb::Bytes{{'x'}}}}};
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  testenv::WriteFile(f.ExportFolder() + "/OLE Objects", "in the way");
  EXPECT_EQ(f.Run(f.Options(kExcelPerTable)), 1);
  EXPECT_FALSE(f.job.Succeeded());
  EXPECT_EQ(f.view.messages, (Names{"Export Database started...", "Export started  : Pics",
                                    "2 OLE object(s) of Pics could not be written, the first " + f.ExportFolder() +
                                        "/OLE Objects/Ole1.bmp: Not a directory",
                                    "Export failed : Pics", "Export completed with errors..."}));
  EXPECT_EQ(f.view.statistics, (std::vector<StatisticsEntry>{{0, "Pics", 2, "not all written"}}));
}

// Limits of the format, not lost tables: a name too long for a file is cut
// keeping the extension; an .xls sheet keeps the first 256 columns.
TEST(ExportJobTest, ANameTooLongForAFileAndColumnsBeyondASheetLoseNoTable) {
  ExportFixture f;
  testdb::DatabaseBuilder builder;
  std::vector<testdb::Column> columns;
  for (int i = 1; i <= 300; ++i) columns.push_back({"C" + std::to_string(i), testdb::ColumnType::Long});
  auto& table = builder.AddTable(std::string(254, 'n'), columns);
  table.rows.emplace_back();
  for (int i = 1; i <= 300; ++i) table.rows[0].values.push_back(int64_t{i});
  ASSERT_NO_FATAL_FAILURE(f.Open(builder));
  for (OutputFormat format : {OutputFormat::Xls, OutputFormat::Xlsx, OutputFormat::Csv}) {
    ExportOptions options = f.Options(kExcelPerTable);
    options.format = format;
    options.exportFolder = f.dir.File("out" + std::to_string(static_cast<int>(format)));
    platform::CreateFolder(options.exportFolder);
    f.view.statistics.clear();
    EXPECT_EQ(f.Run(options), 1);
    const char* extension = format == OutputFormat::Xls ? ".xls" : format == OutputFormat::Xlsx ? ".xlsx" : ".csv";
    std::string file = options.exportFolder + "/" + std::string(250, 'n') + extension;
    EXPECT_TRUE(platform::FileExists(file)) << extension;
    EXPECT_EQ(f.job.Succeeded(), format != OutputFormat::Xls);
    if (format != OutputFormat::Xls) continue;
    EXPECT_EQ(f.view.statistics.at(0).note, "44 columns left out");
    auto grid = SheetGrid(ReadWorkbook(file), 0);
    ASSERT_EQ(grid.size(), 2u);
    EXPECT_EQ(grid[0].size(), 256u);
    EXPECT_EQ(grid[1].back(), "256");
  }
}

TEST(ExportJobTest, SheetLimitFollowsTheFreeMemory) {
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  struct Case {
    uint64_t bytes;
    int32_t limit;
  };
  for (Case c : {Case{0, 5}, Case{1, 10}, Case{kGiB, 10}, Case{kGiB + 1, 20}, Case{16 * kGiB, 20}}) {
    EXPECT_EQ(SheetLimitFor(c.bytes), c.limit) << c.bytes;
  }
}

TEST(ExportJobTest, FileTitleIsTheFileNameWithoutItsLastExtension) {
  struct Case {
    const char* path;
    const char* title;
  };
  for (Case c : {Case{"/data/Northwind.mdb", "Northwind"}, Case{"rel/a.b.mdb", "a.b"},
                 Case{"plain", "plain"}, Case{"/x/.mdb", ""}}) {
    EXPECT_EQ(FileTitle(c.path), c.title) << c.path;
  }
}

}  // namespace
}  // namespace exporttest
