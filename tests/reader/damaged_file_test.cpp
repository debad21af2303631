// Whole files written by the test builder, then damaged the way real files
// break: what the analysis still finds and how it names it.
#include <gtest/gtest.h>

#include <algorithm>

#include "format/jet_layout.h"
#include "report/progress_channel.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

using T = testdb::ColumnType;

struct Analysis {
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
  bool result = false;
  std::vector<std::string> statuses;
  explicit Analysis(const std::string& path) {
    ChannelResponder watchers(progress);
    RunOrDie([&] { result = Analyze(db, path, progress, dialogs); });
    watchers.Finish();
    statuses = watchers.statuses;
  }
  bool Said(const std::string& status) const {
    return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
  }
  // The tables the user sees, in list order.
  std::vector<const TableDef*> Listed() const {
    std::vector<const TableDef*> listed;
    for (const auto& t : db.tables)
      if (IsTableListed(*t, false)) listed.push_back(t.get());
    return listed;
  }
  std::vector<std::string> SystemNames() const {
    std::vector<std::string> names;
    for (const auto& t : db.tables)
      if (t->system) names.push_back(t->name);
    return names;
  }
  const TableDef* AtPage(uint32_t page) const {
    for (const auto& t : db.tables)
      if (t->definitionPage == static_cast<int32_t>(page)) return t.get();
    return nullptr;
  }
};

struct Built {
  testenv::ScratchDir dir;
  std::string path = dir.File("db.mdb");
  testdb::Layout layout;
  explicit Built(const char* preset, testdb::PresetOptions options = {}) {
    layout = testdb::WritePreset(preset, options, path);
    EXPECT_TRUE(layout.ok) << layout.error;
  }
};

TEST(DamagedFiles, ASoundFileNamesEveryTableFromTheCatalog) {
  Built b("sample");
  Analysis a(b.path);
  ASSERT_TRUE(a.result);
  ASSERT_EQ(a.Listed().size(), b.layout.tables.size());
  for (const testdb::TableLayout& t : b.layout.tables) {
    const TableDef* found = a.AtPage(t.definitionPages[0]);
    ASSERT_NE(found, nullptr) << t.name;
    EXPECT_EQ(found->name, t.name);
    std::vector<int32_t> data(t.dataPages.begin(), t.dataPages.end());
    EXPECT_EQ(found->dataPages, data) << t.name;
  }
  EXPECT_EQ(a.SystemNames(), (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}));
  EXPECT_EQ(a.progress.unnamedTableCount.load(), 0);
}

TEST(DamagedFiles, ZeroedCatalogPagesLeaveEveryTableRecoveredByPage) {
  Built b("sample");
  ASSERT_TRUE(testdb::ZeroPages(b.path, b.layout.catalogDataPages));
  Analysis a(b.path);
  ASSERT_TRUE(a.result);
  const auto listed = a.Listed();
  ASSERT_EQ(listed.size(), b.layout.tables.size());
  int n = static_cast<int>(listed.size());
  for (int i = 0; i < n; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Recovered Table %02d", n - i);
    EXPECT_EQ(listed[i]->name, name);
    EXPECT_FALSE(listed[i]->columns.empty());
  }
  // The system definitions are numbered apart, leaving the user's numbers as they were.
  EXPECT_EQ(a.SystemNames(), (std::vector<std::string>{"Recovered System Table 04", "Recovered System Table 03",
                                                        "Recovered System Table 02", "Recovered System Table 01"}));
  EXPECT_EQ(a.progress.unnamedTableCount.load(), n);
}

TEST(DamagedFiles, LostCatalogRowsRecoverOnlyThoseTables) {
  Built b("sample");
  const std::string lost = b.layout.tables[1].name;
  ASSERT_TRUE(testdb::LoseCatalogRows(b.path, b.layout, {lost}));
  Analysis a(b.path);
  for (const testdb::TableLayout& t : b.layout.tables) {
    const TableDef* found = a.AtPage(t.definitionPages[0]);
    ASSERT_NE(found, nullptr) << t.name;
    EXPECT_EQ(found->name, t.name == lost ? "Recovered Table 01" : t.name);
  }
}

TEST(DamagedFiles, WithoutItsDefinitionPageTheCatalogStillNamesFromThePagesLeft) {
  Built b("many-tables", {.rows = 1, .tables = 120, .seed = 2});
  ASSERT_GE(b.layout.catalogDataPages.size(), 2u);
  const uint32_t lost = b.layout.catalogDataPages[0];
  ASSERT_TRUE(testdb::ZeroPages(b.path, {2, lost}));
  Analysis a(b.path);
  ASSERT_TRUE(a.result);
  ASSERT_EQ(a.Listed().size(), b.layout.tables.size());
  size_t named = 0;
  for (const testdb::TableLayout& t : b.layout.tables) {
    const TableDef* found = a.AtPage(t.definitionPages[0]);
    ASSERT_NE(found, nullptr) << t.name;
    if (t.catalogRow.page == lost) {
      EXPECT_EQ(found->name.rfind("Recovered Table ", 0), 0u) << found->name;
    } else {
      EXPECT_EQ(found->name, t.name);
      ++named;
    }
  }
  EXPECT_GT(named, 0u);
}

TEST(DamagedFiles, ManyUnnamedTablesNumberPast99) {
  Built b("many-tables", {.rows = 1, .tables = 120, .seed = 1});
  ASSERT_TRUE(testdb::LoseCatalogRows(b.path, b.layout));
  Analysis a(b.path);
  const auto listed = a.Listed();
  ASSERT_EQ(listed.size(), 120u);
  EXPECT_EQ(listed.front()->name, "Recovered Table 120");
  EXPECT_EQ(listed[20]->name, "Recovered Table 100");
  EXPECT_EQ(listed[21]->name, "Recovered Table 99");
  EXPECT_EQ(listed.back()->name, "Recovered Table 01");
}

TEST(DamagedFiles, ABrokenChainKeepsTheFirstDefinitionPage) {
  testenv::ScratchDir dir;
  std::vector<testdb::Column> columns;
  for (int i = 0; i < 250; ++i) columns.push_back({"c" + std::to_string(i), T::Long});
  testdb::DatabaseBuilder builder;
  builder.AddTable("Wide", columns);
  builder.AddTable("After", {{"Id", T::Long}});
  testdb::Layout layout = builder.Write(dir.File("w.mdb"));
  ASSERT_TRUE(layout.ok);
  const testdb::TableLayout& wide = *layout.Find("Wide");
  ASSERT_GE(wide.definitionPages.size(), 2u);
  ASSERT_TRUE(testdb::BreakDefinitionChain(dir.File("w.mdb"), layout, "Wide", 0));
  Analysis a(dir.File("w.mdb"));
  const TableDef* found = a.AtPage(wide.definitionPages[0]);
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(found->continuationPages.empty());
  EXPECT_EQ(found->name, "Wide");
  EXPECT_NE(a.AtPage(layout.Find("After")->definitionPages[0]), nullptr);
}

TEST(DamagedFiles, ATruncatedFileKeepsTheTablesBeforeTheCut) {
  Built b("many-tables", {.rows = 20, .tables = 6, .seed = 3});
  const testdb::TableLayout& last = b.layout.tables.back();
  uint32_t cut = last.definitionPages[0];
  for (uint32_t p : last.dataPages) cut = std::min(cut, p);
  // The cut leaves 30 bytes of the page: not even the last table's type byte.
  ASSERT_TRUE(testdb::TruncateFile(b.path, uint64_t{cut} * 4096 + 30));
  bool catalogKept = true;
  for (uint32_t p : b.layout.catalogDataPages) catalogKept = catalogKept && p < cut;
  Analysis a(b.path);
  ASSERT_TRUE(a.result);
  EXPECT_EQ(a.db.pages.size(), cut + 1u);  // the partial page is still visited
  EXPECT_EQ(a.AtPage(last.definitionPages[0]), nullptr);
  size_t kept = 0;
  for (const testdb::TableLayout& t : b.layout.tables) {
    if (t.definitionPages[0] >= cut) continue;
    const TableDef* found = a.AtPage(t.definitionPages[0]);
    ASSERT_NE(found, nullptr) << t.name;
    ++kept;
    if (catalogKept)
      EXPECT_EQ(found->name, t.name);
    else
      EXPECT_EQ(found->name.rfind("Recovered Table ", 0), 0u) << found->name;
    for (int32_t page : found->dataPages) EXPECT_LT(page, static_cast<int32_t>(cut) + 1);
  }
  EXPECT_EQ(a.Listed().size(), kept);
}

TEST(DamagedFiles, GarbledPagesNeverStopTheAnalysis) {
  for (uint64_t seed : {1, 2, 3, 4, 5}) {
    Built b("sample", {.seed = seed});
    ASSERT_FALSE(testdb::DamagePercent(b.path, 30, seed, true, 2).empty());
    Analysis a(b.path);
    // Pages 2 to 5 may be hit: the header still tells a Jet 4 file.
    EXPECT_TRUE(a.result) << seed;
    EXPECT_TRUE(a.dialogs.messages.empty()) << seed;
  }
}

// Bits flipped in column records, so that a type and its stored length
// contradict each other: the column is read by a type its length allows and
// its values make plausible, the nearest in bits to the stated one; its
// type is kept when the next column leaves it just that type's room; it is
// shown as bytes when no type fits. Each doubt is said once.
TEST(DamagedFiles, TypesContradictingTheirLengthsAreReadByWhatTheBytesAllow) {
  testenv::ScratchDir dir;
  const std::string path = dir.File("db.mdb");
  testdb::DatabaseBuilder builder;
  testdb::Table& measures = builder.AddTable(
      "Measures", {{"Id", T::Long}, {"Count", T::Long}, {"Ratio", T::Double}, {"Taken", T::Date}, {"Code", T::Long}});
  for (int i = 1; i <= 20; ++i)
    measures.rows.push_back({{i, i * 3, 1234.5 + i, testdb::Date{45000.25 + i}, 2000000000 - i}});
  const testdb::Layout layout = builder.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;
  const uint64_t records = uint64_t{layout.Find("Measures")->definitionPages.at(0)} * kJet4Layout.pageSize +
                           kJet4Layout.tdefRealIndexEntries;
  auto field = [&](int column, int32_t offset) { return records + uint64_t(column) * kJet4Layout.columnRecordSize + offset; };
  ASSERT_TRUE(testdb::FlipBits(path, {{field(1, kJet4Layout.columnLengthOffset), 3},  // LONG in 12 bytes
                                      {field(2, kJet4Layout.columnTypeOffset), 2},    // DOUBLE reads INT
                                      {field(3, kJet4Layout.columnTypeOffset), 4},    // DATE reads code 24
                                      {field(4, kJet4Layout.columnTypeOffset), 0}}));  // LONG reads CURRENCY

  Analysis a(path);
  ASSERT_TRUE(a.result);
  ASSERT_EQ(a.Listed().size(), 1u);
  const TableDef& table = *a.Listed()[0];
  auto column = [&](const std::string& name) -> const ColumnDef& {
    return *std::find_if(table.columns.begin(), table.columns.end(), [&](const ColumnDef& c) { return c.name == name; });
  };
  EXPECT_EQ(column("Count").type, ColumnType::Long);
  EXPECT_EQ(column("Count").length, 4);
  EXPECT_FALSE(column("Count").typeFromLength);
  EXPECT_EQ(column("Ratio").type, ColumnType::Double);
  EXPECT_EQ(column("Ratio").statedType, ColumnType::Int);
  EXPECT_TRUE(column("Ratio").typeFromLength);
  EXPECT_EQ(column("Taken").type, ColumnType::Date);
  EXPECT_EQ(column("Code").type, ColumnType::Binary);
  EXPECT_EQ(column("Code").length, 4);
  EXPECT_FALSE(column("Id").typeFromLength);
  const std::vector<std::string> doubts = {
      "Count: stored as LONG in 12 bytes; read as LONG, the room the row gives it",
      "Ratio: stored as INT in 8 bytes; read as DOUBLE",
      "Taken: stored as UNKNOWN-DATATYPE = 0x18 in 8 bytes; read as DATE",
      "Code: stored as CURRENCY in 4 bytes; no type of that length fits its values, shown as bytes"};
  EXPECT_EQ(table.doubts, doubts);
  for (const std::string& doubt : doubts) EXPECT_TRUE(a.Said("Column type doubted in Measures: " + doubt)) << doubt;
}

// Bytes inserted into a copy move every page after them: those pages are
// found where they start, keeping their numbers (which owners, row pointers
// and definition chains use), and the analysis says so.
TEST(DamagedFiles, PagesMovedByInsertedBytesAreReadFromWhereTheyStart) {
  for (uint64_t inserted : {0, 512, 1000, 4095, 1001}) {
    const bool jet3 = inserted == 1001;
    const int64_t pageSize = jet3 ? 2048 : 4096;
    Built b("large", {.rows = 3000, .jet3 = jet3});
    if (inserted > 0) ASSERT_TRUE(testdb::InsertBytes(b.path, 21 * pageSize, inserted, inserted));
    Analysis a(b.path);
    ASSERT_TRUE(a.result) << inserted;
    EXPECT_EQ(a.Said("Pages found at shifted offsets: " + std::to_string(inserted) + " bytes inserted before page 21"),
              inserted > 0);
    EXPECT_EQ(a.db.pages.size(), b.layout.pageCount) << inserted;
    for (const PageEntry& entry : a.db.pages)
      ASSERT_EQ(entry.fileOffset, entry.pageNumber * pageSize + (entry.pageNumber >= 21 ? inserted : 0));
    const testdb::TableLayout& t = b.layout.tables.front();
    ASSERT_NE(a.AtPage(t.definitionPages[0]), nullptr);
    EXPECT_EQ(a.AtPage(t.definitionPages[0])->dataPages, std::vector<int32_t>(t.dataPages.begin(), t.dataPages.end()));
  }
}

// With the header and every definition overwritten (zeros, garbage) the
// data pages left still give their rows, as tables without a definition,
// Access 97's shorter pages included.
TEST(DamagedFiles, WithHeaderAndDefinitionsOverwrittenTheRowsComeBackWithoutDefinitions) {
  for (uint64_t seed : {0, 5, 6}) {
    const bool jet3 = seed == 6;
    const uint32_t pageSize = jet3 ? 2048 : 4096;
    Built b("many-tables", {.rows = jet3 ? 1000u : 200u, .tables = 3, .seed = 4, .jet3 = jet3});
    uint32_t head = 64 * 1024 / pageSize;
    for (const testdb::TableLayout& t : b.layout.tables) head = std::max(head, t.definitionPages.back() + 1);
    ASSERT_TRUE(testdb::OverwriteHead(b.path, uint64_t{head} * pageSize, seed));
    Analysis a(b.path);
    ASSERT_TRUE(a.result) << seed;
    const testdb::TableLayout& t = b.layout.tables.back();
    std::vector<int32_t> left;
    for (uint32_t p : t.dataPages)
      if (p >= head) left.push_back(static_cast<int32_t>(p));
    ASSERT_FALSE(left.empty());
    const TableDef* found = a.AtPage(t.definitionPages[0]);
    ASSERT_NE(found, nullptr) << seed;
    EXPECT_TRUE(found->orphan);
    EXPECT_EQ(found->dataPages, left);
  }
}

}  // namespace
}  // namespace readertest
