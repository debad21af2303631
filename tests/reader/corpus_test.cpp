// The real files of the corpus with their catalog pages zeroed: every table
// the catalog named is found again under a recovered name, and the only
// other tables listed are those the catalog had marked as system tables.
// And the row counts the scan settles against those of decoding each row.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "decode/row_count.h"
#include "format/jet_layout.h"
#include "report/progress_channel.h"
#include "reader/catalog.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/test_db_presets.h"
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
  std::vector<uint8_t> page(static_cast<size_t>(db.PageSize()));
  for (const PageEntry& entry : db.pages) {
    if (entry.pageType != 1 || entry.linkPage != 2) continue;
    db.ReadPage(page.data(), entry.pageNumber);
    for (const CatalogEntry& row : ReadCatalogPage(page, db.Layout(), db.Text(), entry.rowCount))
      names[row.definitionPage] = row.name;
  }
  return names;
}

std::string ZeroCatalogPages(const std::string& path, const testenv::ScratchDir& dir) {
  std::string bytes = testenv::ReadFile(path);
  const size_t pageSize = testenv::PageSizeOf(bytes);
  for (size_t at = 0; at + pageSize <= bytes.size(); at += pageSize)
    if (bytes[at] == 1 && bytes.compare(at + 4, 4, std::string("\x02\0\0\0", 4)) == 0)
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), pageSize, '\0');
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
  for (const std::string& path : testenv::CorpusMdbFiles()) {
    if (path.ends_with("/db-enc.mdb") || path.ends_with("/db97-enc.mdb")) continue;
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
  EXPECT_EQ(files, 81);
}

// Every table's count as the analysis made it, from the scan's summaries
// where they settle a page, against the count of decoding every page. The
// files as they are, then with bytes garbled inside their data pages' rows
// so that rows fail in every way the summary must foresee.
TEST(Corpus, RowCountsTheScanSettlesAreThoseOfDecodingEveryRow) {
  testenv::ScratchDir dir;
  // The builder's tables of every type, fixed-only tables among them, and
  // Access 97 rows long enough for jump tables.
  std::vector<std::string> files = {dir.File("types.mdb"), dir.File("types97.mdb"), dir.File("long97.mdb")};
  testdb::WritePreset("all-types", {}, files[0]);
  testdb::WritePreset("all-types", {.jet3 = true}, files[1]);
  testdb::WritePreset("access97", {.jet3 = true}, files[2]);
  for (const std::string& path : testenv::CorpusMdbFiles()) files.push_back(path);
  for (const std::string& path : testenv::CorpusAceFiles()) files.push_back(path);
  std::mt19937 random(7);
  int64_t settled = 0, unsettled = 0, rows = 0;
  // One way of damage at a time: a page with a zeroed mask anywhere is
  // decoded whole, and would hide what the other rows test.
  auto garble = [&](std::string bytes, int kind) {
    const size_t pageSize = testenv::PageSizeOf(bytes);
    const JetLayout& layout = pageSize == 2048 ? kJet3Layout : kJet4Layout;
    auto word = [&](size_t at) { return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8; };
    for (size_t at = pageSize; at + pageSize <= bytes.size(); at += pageSize) {
      if (bytes[at] != 1) continue;
      const int slots = std::min<int>(word(at + layout.dataRowCountOffset), 400);
      for (int s = 0; s < slots; ++s) {
        if (random() % 2 != 0) continue;
        const size_t start = word(at + layout.rowOffsetTable + 2 * s) & layout.rowOffsetMask;
        const size_t limit = s == 0 ? pageSize : word(at + layout.rowOffsetTable + 2 * s - 2) & layout.rowOffsetMask;
        if (start + 2 >= limit || limit > pageSize) continue;
        char* row = bytes.data() + at + start;
        switch (kind) {
          case 0: row[0] = row[1] = 0, row[limit - start - 1] = '\x01'; break;  // no column, a mask
          case 1: row[limit - start - 1] = 0; break;                             // the mask's last byte
          case 2: row[0] = row[1] = '\xFF'; break;                              // too many columns
          case 3: std::fill_n(row, limit - start, '\0'); break;                  // a zeroed sector
          default: row[limit - start - 1 - random() % 8] = static_cast<char>(random());  // the offsets
        }
      }
    }
    testenv::WriteFile(dir.File("garbled.mdb"), bytes);
    return dir.File("garbled.mdb");
  };
  for (const std::string& path : files) {
    const std::string bytes = testenv::ReadFile(path);
    for (int kind = -1; kind < 5; ++kind) {
      SCOPED_TRACE(path + ", damage " + std::to_string(kind));
      const std::string copy = kind < 0 ? path : garble(bytes, kind);
      ProgressChannel progress;
      RecordingDialogs dialogs;
      MdbFile db;
      ChannelResponder watchers(progress);
      bool read = false;
      RunOrDie([&] { read = Analyze(db, copy, progress, dialogs, MakeRowCounter(db, progress.stopRequested)); });
      watchers.Finish();
      if (!read) continue;  // encrypted without its password
      for (PageEntry& page : db.pages) {
        if (!page.Is(PageType::Data)) continue;
        ++(page.rows.settled ? settled : unsettled);
        page.rows.settled = false;
      }
      RowCounter decodeAll = MakeRowCounter(db, progress.stopRequested);
      for (const auto& table : db.tables) {
        if (table->rowsFound < 0) continue;
        const int32_t found = table->rowsFound;
        EXPECT_EQ(found, decodeAll(*table)) << table->name;
        rows += found;
      }
    }
  }
  // Both ways were taken, on many rows.
  EXPECT_GT(settled, 100);
  EXPECT_GT(unsettled, 10);
  EXPECT_GT(rows, 100);
}

}  // namespace
}  // namespace readertest
