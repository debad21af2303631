// The real files of the corpus with their catalog pages zeroed: every table
// the catalog named is found again under a recovered name, and the only
// other tables listed are those the catalog had marked as system tables.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "report/progress_channel.h"
#include "reader/catalog.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

struct Analysis {
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
  explicit Analysis(const std::string& path) {
    ChannelResponder watchers(progress);
    bool read = false;
    RunOrDie([&] { read = Analyze(db, path, progress, dialogs); });
    EXPECT_TRUE(read) << path;
  }
  std::map<int32_t, const TableDef*> ByPage() const {
    std::map<int32_t, const TableDef*> tables;
    for (const auto& t : db.tables)
      if (IsTableListed(*t, false)) tables[t->definitionPage] = t.get();
    return tables;
  }
};

// The names the file's catalog gives, by definition page.
std::map<int32_t, std::string> CatalogNames(MdbFile& db) {
  std::map<int32_t, std::string> names;
  std::vector<uint8_t> page(4096);
  for (const PageEntry& entry : db.pages) {
    if (entry.pageType != 1 || entry.linkPage != 2) continue;
    db.ReadPage(page.data(), entry.pageNumber);
    for (const CatalogEntry& row : ReadCatalogPage(page, kJet4Layout, entry.rowCount)) names[row.definitionPage] = row.name;
  }
  return names;
}

std::string ZeroCatalogPages(const std::string& path, const testenv::ScratchDir& dir) {
  std::string bytes = testenv::ReadFile(path);
  for (size_t at = 0; at + 4096 <= bytes.size(); at += 4096)
    if (bytes[at] == 1 && bytes.compare(at + 4, 4, std::string("\x02\0\0\0", 4)) == 0)
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), 4096, '\0');
  std::string copy = dir.File("copy.mdb");
  testenv::WriteFile(copy, bytes);
  return copy;
}

std::vector<std::string> ColumnNames(const TableDef& t) {
  std::vector<std::string> names;
  for (const ColumnDef& c : t.columns) names.push_back(c.name);
  return names;
}

TEST(Corpus, WithoutItsCatalogEveryFileYieldsTheSameTablesRecovered) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  testenv::ScratchDir dir;
  int files = 0;
  for (const std::string& path : testenv::CorpusJet4Files()) {
    if (path.ends_with("/db-enc.mdb")) continue;
    SCOPED_TRACE(path);
    ++files;
    Analysis named(path);
    std::map<int32_t, std::string> catalog = CatalogNames(named.db);
    Analysis recovered(ZeroCatalogPages(path, dir));
    EXPECT_TRUE(recovered.db.pages.size() == named.db.pages.size());
    auto before = named.ByPage(), after = recovered.ByPage();
    for (const auto& [page, table] : before) {
      ASSERT_EQ(after.count(page), 1u) << table->name;
      EXPECT_EQ(ColumnNames(*after[page]), ColumnNames(*table)) << table->name;
      EXPECT_EQ(after[page]->dataPages, table->dataPages) << table->name;
    }
    for (const auto& [page, table] : after) {
      EXPECT_EQ(table->name.rfind("Recovered Table ", 0), 0u);
      // Without the catalog nothing marks a system table whose definition
      // says user table: it comes back as a recovered table.
      if (before.count(page) == 0) {
        auto system = FindTable(named.db.tables, page);
        ASSERT_NE(system, named.db.tables.end()) << "page " << page;
        EXPECT_TRUE((*system)->system) << catalog[page];
      }
    }
    // 01 goes to the highest definition page.
    if (!after.empty()) {
      EXPECT_EQ(after.rbegin()->second->name, "Recovered Table 01");
    }
  }
  EXPECT_EQ(files, 75);
}

}  // namespace
}  // namespace readertest
