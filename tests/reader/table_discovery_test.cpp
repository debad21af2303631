// Table discovery on hand-built files: candidates, validation, definition
// chains, naming, the schema read with its reports, and stops.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "report/progress_channel.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/page_image.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

struct Analysis {
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
  std::vector<std::string> statuses;
  std::vector<ShownTable> shown;
  int tableReports = 0;
  bool result = false;

  void Run(const std::string& path, ChannelResponder::StatusHook hook = {},
           ChannelResponder::TableHook tableHook = {}) {
    progress.Reset();
    ChannelResponder watchers(progress, std::move(hook), std::move(tableHook));
    RunOrDie([&] { result = Analyze(db, path, progress, dialogs); });
    watchers.Finish();
    statuses = watchers.statuses;
    shown = watchers.tables;
    tableReports = watchers.tableReports;
  }
  // The names of the tables listed, or of the system tables kept.
  std::vector<std::string> Names(bool system = false) const {
    std::vector<std::string> names;
    for (const auto& t : db.tables)
      if (system ? t->system : IsTableListed(*t, false)) names.push_back(t->name);
    return names;
  }
};

DefinitionPlan Simple(std::vector<ColumnPlan> columns) {
  DefinitionPlan plan;
  plan.columns = std::move(columns);
  return plan;
}

// Pages 10, 11 and 12 hold definitions; the catalog on page 7 names them;
// the usage maps of the user tables on page 6 list their data pages.
PageImage ThreeTables() {
  PageImage image(16);
  DefinitionPlan books = Simple({Col(10, 1, "Title", 100), Col(4, 0, "Id")});
  books.usedMap = 6 << 8;
  image.PutDefinition(10, books);
  DefinitionPlan system = Simple({Col(4, 0, "Id")});
  system.tableType = 83;  // 'S'
  image.PutDefinition(11, system);
  DefinitionPlan people = Simple({Col(8, 0, "Born", 8)});
  people.usedMap = 6 << 8 | 1;
  image.PutDefinition(12, people);
  image.PutUsageMaps(6, {{13, 15}, {14}});
  image.PutDataPage(13, 10, 3);
  image.PutDataPage(14, 12, 1);
  image.PutDataPage(15, 10, 2);
  image.PutCatalogPage(7, {{10, 1, Ucs2("Books")}, {11, 1, Ucs2("Hidden")}, {12, 1, Ucs2("People")}});
  return image;
}

TEST(ReadTables, ReportsEachStepInOrderAndPublishesEveryTable) {
  testenv::ScratchDir dir;
  ThreeTables().Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  ASSERT_TRUE(a.result);
  EXPECT_EQ(a.statuses, (std::vector<std::string>{"Analyzing started", "Unnamed tables found = 0",
                                                  "Analyzing Completed", "User tables found = 2",
                                                  "Schema read of table : Books", "Schema read of table : People"}));
  ASSERT_EQ(a.shown.size(), 2u);
  EXPECT_EQ(a.shown[0].name, "Books");
  // Handed out before the sort: record order.
  EXPECT_EQ(a.shown[0].columns, (std::vector<std::string>{"Title", "Id"}));
  EXPECT_EQ(a.shown[1].name, "People");
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Books", "People"}));
  // The system table is read like the others, without a report.
  EXPECT_EQ(a.Names(true), (std::vector<std::string>{"Hidden"}));
  EXPECT_EQ(a.db.tables[1]->columns.size(), 1u);
  EXPECT_EQ(a.db.tables[0]->columns[0].name, "Id");  // sorted at the end
  EXPECT_EQ(a.db.tables[0]->dataPages, (std::vector<int32_t>{13, 15}));
  EXPECT_EQ(a.db.tables[0]->ordinal, 0);
  EXPECT_EQ(a.db.tables[1]->ordinal, 1);
  EXPECT_EQ(a.db.tables[0]->objectType, 78);
  EXPECT_EQ(a.shown[0].table, a.db.tables[0].get());  // still where it was handed out
  EXPECT_EQ(a.progress.tableTotal.load(), 2);
  EXPECT_EQ(a.progress.tablesDone.load(), 2);
  EXPECT_EQ(a.progress.unnamedTableCount.load(), 0);
  EXPECT_TRUE(a.progress.Finished());
  EXPECT_FALSE(a.progress.StopRequested());
  EXPECT_EQ(a.progress.statusText.Get(), "Initializing Tables.....");
  EXPECT_EQ(a.progress.storageFormat.Get(), "MS-Access 2003");
}

TEST(ReadTables, PagesTheUsageMapLeavesOutAreFreedUnlessTheMapIsDamaged) {
  testenv::ScratchDir dir;
  PageImage image = ThreeTables();
  // Books' map names a page of People's: no longer Books' map. People's
  // lists none of its pages: they were freed.
  image.PutUsageMaps(6, {{13, 14, 15}, {}});
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  const TableDef& books = *a.db.tables[0];
  const TableDef& people = *a.db.tables[2];
  EXPECT_EQ(books.dataPages, (std::vector<int32_t>{13, 15}));
  EXPECT_TRUE(books.freedPages.empty());
  EXPECT_TRUE(people.dataPages.empty());
  EXPECT_EQ(people.freedPages, (std::vector<int32_t>{14}));
  EXPECT_EQ(std::count(a.statuses.begin(), a.statuses.end(), "Usage map unreadable, pages taken by owner : Books"), 1);
  EXPECT_EQ(a.statuses.back(), "Schema read of table : People");
}

TEST(ReadTables, TwoAnalysesInARowLeaveNothingOver) {
  testenv::ScratchDir dir;
  ThreeTables().Write(dir.File("a.mdb"));
  PageImage other(9);
  other.PutDefinition(8, Simple({Col(4, 0, "X")}));
  other.Write(dir.File("b.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  ASSERT_EQ(a.db.tables.size(), 3u);
  a.Run(dir.File("b.mdb"));
  EXPECT_EQ(a.db.pages.size(), 9u);
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Recovered Table 01"}));
  EXPECT_EQ(a.shown.size(), 1u);
  EXPECT_EQ(a.progress.tablesDone.load(), 1);
  a.Run(dir.File("a.mdb"));
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Books", "People"}));
}

TEST(ReadTables, DropsCandidatesWhoseHeaderIsNoTableAndKeepsSystemOnesApart) {
  testenv::ScratchDir dir;
  PageImage image(16);
  DefinitionPlan tooMany = Simple({Col(4, 0, "a"), Col(4, 1, "b"), Col(4, 2, "c"), Col(4, 3, "d"), Col(4, 4, "e")});
  tooMany.maxColumns = 4;
  image.PutDefinition(8, tooMany);
  DefinitionPlan negativeRows = Simple({Col(4, 0, "a")});
  negativeRows.rowCount = -1;
  image.PutDefinition(9, negativeRows);
  DefinitionPlan noColumns = Simple({});
  image.PutDefinition(10, noColumns);
  image.PutDefinition(11, Simple({Col(4, 0, "kept")}));
  DefinitionPlan system = Simple({Col(4, 0, "a")});
  system.tableType = 83;
  image.PutDefinition(12, system);
  image.PutCatalogPage(7, {{8, 1, Ucs2("TooMany")}, {9, 1, Ucs2("Negative")}, {10, 1, Ucs2("Empty")},
                           {11, 1, Ucs2("Kept")}, {12, 1, Ucs2("SystemByType")}});
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  // A row count no table can have costs the table nothing but the count.
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Negative", "Kept"}));
  EXPECT_EQ(a.db.tables[0]->rowCount, 0);
  EXPECT_EQ(a.db.tables[0]->expectedRows, -1);
  EXPECT_EQ(a.Names(true), (std::vector<std::string>{"SystemByType"}));
}

TEST(ReadTables, AppliesTheCatalogLaterRowsWinningAndFilters) {
  testenv::ScratchDir dir;
  PageImage image(20);
  for (int page : {10, 11, 12, 13, 14}) image.PutDefinition(page, Simple({Col(4, 0, "c")}));
  image.PutCatalogPage(7, {{10, 1, Ucs2("First")}, {11, 5, Ucs2("AQuery")}, {12, 1, Ucs2("MSysNavPane")}});
  image.PutCatalogPage(8, {{10, 1, Ucs2("Second")}, {13, 1, Ucs2("msysKept")}, {99, 1, Ucs2("NoSuchTable")}});
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Second", "msysKept", "Recovered Table 01"}));
  EXPECT_EQ(a.Names(true), (std::vector<std::string>{"MSysNavPane"}));
  EXPECT_EQ(a.progress.unnamedTableCount.load(), 1);
  EXPECT_EQ(a.statuses[1], "Unnamed tables found = 1");
}

TEST(ReadTables, RecoversEveryTableWhenTheCatalogIsGone) {
  testenv::ScratchDir dir;
  PageImage image = ThreeTables();
  std::fill_n(image.Page(7), 4096, 0);
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  // The system-type definition on page 11 is numbered apart.
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Recovered Table 02", "Recovered Table 01"}));
  EXPECT_EQ(a.Names(true), (std::vector<std::string>{"Recovered System Table 01"}));
  EXPECT_EQ(a.db.tables[2]->definitionPage, 12);
  EXPECT_EQ(a.db.tables[0]->columns.size(), 2u);
  EXPECT_EQ(a.db.tables[0]->objectType, 78);
  EXPECT_EQ(a.progress.unnamedTableCount.load(), 2);
}

// A definition of 300 columns needs three pages.
DefinitionPlan Wide() {
  DefinitionPlan plan;
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "col%03d", i);
    plan.columns.push_back(Col(4, i, name));
  }
  return plan;
}

void ExpectWideColumns(const TableDef& table) {
  ASSERT_EQ(table.columns.size(), 300u);
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "col%03d", i);
    EXPECT_EQ(table.columns[i].name, name);
    EXPECT_EQ(table.columns[i].columnNumber, i);
  }
}

TEST(ReadTables, FollowsDefinitionChainsInLinkOrder) {
  testenv::ScratchDir dir;
  PageImage image(310);
  image.PutDefinition({120, 300, 200}, DefinitionStream(Wide()));
  image.PutCatalogPage(7, {{120, 1, Ucs2("Wide")}});
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  ASSERT_EQ(a.Names(), (std::vector<std::string>{"Wide"}));
  EXPECT_EQ(a.db.tables[0]->continuationPages, (std::vector<int32_t>{300, 200}));
  ExpectWideColumns(*a.db.tables[0]);
}

TEST(ReadTables, EndsAChainThatComesBackToItsOwnPages) {
  for (std::vector<int> loop : {std::vector<int>{120, 300, 200, 300}, std::vector<int>{120, 300, 120}}) {
    testenv::ScratchDir dir;
    PageImage image(310);
    image.PutDefinition({120, 300, 200}, DefinitionStream(Wide()));
    image.Put32(loop[loop.size() - 2], 4, static_cast<uint32_t>(loop.back()));
    image.PutCatalogPage(7, {{120, 1, Ucs2("Wide")}});
    image.Write(dir.File("a.mdb"));
    Analysis a;
    a.Run(dir.File("a.mdb"));
    ASSERT_EQ(a.Names(), (std::vector<std::string>{"Wide"}));
    std::vector<int32_t> kept(loop.begin() + 1, loop.end() - 1);
    EXPECT_EQ(a.db.tables[0]->continuationPages, kept);
    if (kept.size() == 2) ExpectWideColumns(*a.db.tables[0]);
  }
}

TEST(ReadTables, KeepsTheFirstPagesOfAChainThatEndsEarly) {
  testenv::ScratchDir dir;
  PageImage image(310);
  image.PutDefinition({120, 300, 200}, DefinitionStream(Wide()));
  image.Put32(300, 4, 305);  // page 305 is no definition page
  image.PutCatalogPage(7, {{120, 1, Ucs2("Wide")}});
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"));
  ASSERT_EQ(a.Names(), (std::vector<std::string>{"Wide"}));
  EXPECT_EQ(a.db.tables[0]->continuationPages, (std::vector<int32_t>{300}));
  EXPECT_EQ(a.db.tables[0]->columns.size(), 300u);  // the records fit on two pages
}

TEST(ReadTables, ATableWhoseColumnsVanishBeforeItsSchemaIsReadIsReportedWithoutATable) {
  testenv::ScratchDir dir;
  std::string path = dir.File("a.mdb");
  ThreeTables().Write(path);
  Analysis a;
  // The file changes under the analysis: Books loses its column count
  // between the validation and the schema read.
  a.Run(path, [&](ProgressChannel& p, int) {
    if (p.statusText.Get() != "User tables found = 2") return;
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(10 * 4096 + 45);
    file.write("\0\0", 2);
  });
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"People"}));
  EXPECT_EQ(a.tableReports, 2);  // both positions are handed to the watcher
  ASSERT_EQ(a.shown.size(), 1u);
  EXPECT_EQ(a.shown[0].name, "People");
  EXPECT_EQ(a.progress.tablesDone.load(), 2);
  EXPECT_EQ(a.progress.tableTotal.load(), 2);
  EXPECT_TRUE(a.progress.Finished());
}

TEST(ReadTables, StoppedWhileTheTableCountIsShownReadsNoSchema) {
  testenv::ScratchDir dir;
  ThreeTables().Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"), [](ProgressChannel& p, int) {
    if (p.statusText.Get() == "User tables found = 2") p.RequestStop();
  });
  EXPECT_TRUE(a.result);  // the pages were scanned
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Books", "People"}));
  for (const auto& t : a.db.tables) EXPECT_TRUE(t->columns.empty());
  EXPECT_FALSE(a.progress.Finished());
  EXPECT_TRUE(a.shown.empty());
}

TEST(ReadTables, StoppedWhileATableNameIsShownKeepsTheLaterTablesUnread) {
  testenv::ScratchDir dir;
  ThreeTables().Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"), [](ProgressChannel& p, int) {
    if (p.statusText.Get() == "Schema read of table : Books") p.RequestStop();
  });
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"Books", "People"}));
  EXPECT_EQ(a.db.tables[0]->columns.size(), 2u);
  EXPECT_EQ(a.db.tables[1]->columns.size(), 1u);  // the system table, read first
  EXPECT_TRUE(a.db.tables[2]->columns.empty());
  EXPECT_TRUE(a.shown.empty());  // stopped before the table handshake
  EXPECT_TRUE(a.progress.Finished());
}

TEST(ReadTables, StoppedWhileATableIsShownCutsTheListAfterTheNextTable) {
  testenv::ScratchDir dir;
  PageImage image(16);
  for (int page : {8, 9, 10}) image.PutDefinition(page, Simple({Col(4, 0, "c")}));
  image.PutCatalogPage(7, {{8, 1, Ucs2("A")}, {9, 1, Ucs2("B")}, {10, 1, Ucs2("C")}});
  image.Write(dir.File("a.mdb"));
  Analysis a;
  a.Run(dir.File("a.mdb"), {}, [](ProgressChannel& p, int report) {
    if (report == 1) p.RequestStop();
  });
  ASSERT_EQ(a.shown.size(), 1u);
  EXPECT_EQ(a.shown[0].name, "A");
  EXPECT_EQ(a.Names(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(a.db.tables[0]->columns.size(), 1u);
  EXPECT_TRUE(a.db.tables[1]->columns.empty());
  EXPECT_TRUE(a.progress.Finished());
}

}  // namespace
}  // namespace readertest
