// Damaged files are this program's normal input. Each case damages a copy
// of a sound file the way real files break and demands that the run ends,
// and that every table whose own pages survived comes back with every row.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "reader/row_counts.h"
#include "tests/damage/recovery_check.h"
#include "tests/support/file_header.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_env.h"

namespace {

using damage::Recover;
using damage::Recovery;

// A builder database with what damage can hit: a table over many pages, a
// definition over several pages, memo and OLE values on long-value pages.
std::string MakeBuilderDatabase(const std::string& path, testdb::Layout* written = nullptr) {
  testdb::DatabaseBuilder db;
  testdb::Table& orders = db.AddTable("Orders", {{"Id", testdb::ColumnType::Long},
                                                 {"Customer", testdb::ColumnType::Text, 40},
                                                 {"Amount", testdb::ColumnType::Currency},
                                                 {"Placed", testdb::ColumnType::Date},
                                                 {"Paid", testdb::ColumnType::Bit},
                                                 {"Weight", testdb::ColumnType::Double}});
  for (int i = 0; i < 1500; ++i)
    orders.rows.push_back({{i, "Customer " + std::to_string(i % 97), testdb::Currency{i * 12345LL},
                            testdb::Date{39000.0 + i / 7.0}, i % 3 == 0, i * 0.25}});
  testdb::Table& notes = db.AddTable("Notes", {{"Id", testdb::ColumnType::Long},
                                               {"Body", testdb::ColumnType::Memo},
                                               {"Picture", testdb::ColumnType::Ole}});
  for (int i = 0; i < 40; ++i) {
    std::string body(static_cast<size_t>(i * 300 + 1), static_cast<char>('a' + i % 26));
    notes.rows.push_back({{i, body, testdb::Bytes{testdb::OleBitmap(testdb::MakeBmp(8 + i, 8))}}});
  }
  std::vector<testdb::Column> wide;
  for (int c = 0; c < 150; ++c)
    wide.push_back({"Column number " + std::to_string(c) + " with a long name", testdb::ColumnType::Int});
  testdb::Table& w = db.AddTable("Wide", wide);
  for (int r = 0; r < 30; ++r) {
    testdb::Row row;
    for (int c = 0; c < 150; ++c) row.values.push_back(r * 1000 + c);
    w.rows.push_back(row);
  }
  testdb::Table& small = db.AddTable("Small", {{"Name", testdb::ColumnType::Text, 10}});
  small.rows.push_back({{"one"}});
  small.rows.push_back({{"two"}});
  testdb::Layout layout = db.Write(path);
  EXPECT_TRUE(layout.ok) << layout.error;
  if (written) *written = layout;
  return path;
}

struct Source {
  std::string name;
  std::string path;
};

class Damage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new testenv::ScratchDir;
    sources_ = new std::vector<Source>;
    sources_->push_back({"builder", MakeBuilderDatabase(scratch_->File("builder.mdb"))});
    for (const std::string& file : testenv::CorpusJet4Files()) {
      std::string name = std::filesystem::path(file).filename().string();
      if (name == "db-enc.mdb") continue;  // its plain twin is not at hand
      sources_->push_back({name, file});
    }
  }
  static void TearDownTestSuite() {
    delete sources_;
    delete scratch_;
  }

  // A fresh copy of the source to damage.
  std::string Copy(const Source& source) {
    std::string copy = scratch_->File("damaged.mdb");
    std::filesystem::copy_file(source.path, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
  }
  std::string OleFolder() { return scratch_->path() + "/"; }

  Recovery Original(const Source& source) {
    Recovery r = Recover(source.path, OleFolder());
    EXPECT_TRUE(r.analysed) << source.name << ": " << r.refusal;
    return r;
  }

  // Every surviving table back with every row; a file refused only when
  // no row of its tables survived.
  void ExpectSurvivorsWhole(const Source& source, const Recovery& original, const Recovery& damaged,
                            const std::set<int32_t>& hit, const std::string& what) {
    if (!damaged.analysed) {
      EXPECT_EQ(damaged.refusal, kNothingRecovered) << source.name << ", " << what;
      EXPECT_EQ(damage::Compare(original, damaged, hit).rows, 0) << source.name << ", " << what;
      return;
    }
    std::string loss = damage::FirstLoss(original, damaged, hit);
    EXPECT_TRUE(loss.empty()) << source.name << ", " << what << ": " << loss;
  }

  static testenv::ScratchDir* scratch_;
  static std::vector<Source>* sources_;
};

testenv::ScratchDir* Damage::scratch_ = nullptr;
std::vector<Source>* Damage::sources_ = nullptr;

TEST_F(Damage, LostCatalogGivesEveryTableBackAsRecoveredTablesNumberedFromTheHighestPage) {
  for (const Source& source : *sources_) {
    Recovery original = Original(source);
    std::string path = Copy(source);
    ASSERT_TRUE(testdb::ZeroPages(path, original.catalogPages)) << source.name;
    Recovery damaged = Recover(path, OleFolder());
    ASSERT_TRUE(damaged.analysed) << source.name;
    damage::Tally t = damage::Compare(original, damaged, {});
    EXPECT_EQ(t.tablesBack, t.tables) << source.name;
    EXPECT_EQ(t.rowsBack, t.rows) << source.name;
    ExpectSurvivorsWhole(source, original, damaged, {}, "catalog lost");
    int number = 0;
    for (auto it = damaged.tables.rbegin(); it != damaged.tables.rend(); ++it) {
      char expected[32];
      std::snprintf(expected, sizeof expected, "Recovered Table %02d", ++number);
      EXPECT_EQ(it->second.name, expected) << source.name << ", definition page " << it->first;
    }
  }
}

TEST_F(Damage, GarbledPagesLeaveTheTablesWhosePagesSurvivedWhole) {
  for (double percent : {1.0, 5.0, 20.0}) {
    for (const Source& source : *sources_) {
      Recovery original = Original(source);
      std::string path = Copy(source);
      std::vector<uint32_t> pages = testdb::DamagePercent(path, percent, 20261208, /*garble=*/true);
      std::set<int32_t> hit(pages.begin(), pages.end());
      Recovery damaged = Recover(path, OleFolder());
      ExpectSurvivorsWhole(source, original, damaged, hit, std::to_string(percent) + "% garbled");
    }
  }
}

TEST_F(Damage, ZeroedPagesLeaveTheTablesWhosePagesSurvivedWhole) {
  for (const Source& source : *sources_) {
    Recovery original = Original(source);
    std::string path = Copy(source);
    std::vector<uint32_t> pages = testdb::DamagePercent(path, 10.0, 7, /*garble=*/false);
    std::set<int32_t> hit(pages.begin(), pages.end());
    Recovery damaged = Recover(path, OleFolder());
    ExpectSurvivorsWhole(source, original, damaged, hit, "10% zeroed");
  }
}

TEST_F(Damage, TruncatedFileGivesTheTablesBeforeTheCut) {
  for (const Source& source : *sources_) {
    Recovery original = Original(source);
    uint64_t size = std::filesystem::file_size(source.path);
    for (uint64_t cut : {size / 2, size * 9 / 10, size * 7 / 10 + 1234, size - 1}) {
      if (cut < 6 * 4096) continue;  // too short to be recognised at all
      std::string path = Copy(source);
      ASSERT_TRUE(testdb::TruncateFile(path, cut));
      Recovery damaged = Recover(path, OleFolder());
      ExpectSurvivorsWhole(source, original, damaged, damage::PagesFrom(cut, original.pageCount),
                           "cut at " + std::to_string(cut));
    }
  }
}

// Bytes inserted after page 20, as a bad copy or a carved file holds them:
// every table and every row comes back as from the sound file.
TEST_F(Damage, InsertedBytesCostNoRow) {
  for (const Source& source : *sources_) {
    if (std::filesystem::file_size(source.path) < 23 * 4096) continue;  // nothing after page 20 to move
    Recovery original = Original(source);
    for (uint64_t inserted : {512, 1000}) {
      std::string path = Copy(source);
      ASSERT_TRUE(testdb::InsertBytes(path, 21 * 4096, inserted, inserted));
      Recovery damaged = Recover(path, OleFolder());
      ASSERT_TRUE(damaged.analysed) << source.name << ", " << inserted << " bytes inserted";
      damage::Tally t = damage::Compare(original, damaged, {});
      EXPECT_EQ(t.tablesBack, t.tables) << source.name << ", " << inserted << " bytes inserted";
      EXPECT_EQ(t.rowsBack, t.rows) << source.name << ", " << inserted << " bytes inserted";
    }
  }
}

TEST_F(Damage, ShorterThanSixPagesIsReadAsJet4WhileItsHeaderSaysSo) {
  const Source& source = sources_->front();
  std::string path = Copy(source);
  ASSERT_TRUE(testdb::TruncateFile(path, 5 * 4096));
  Recovery damaged = Recover(path, OleFolder());
  EXPECT_TRUE(damaged.analysed);
  EXPECT_TRUE(damaged.tables.empty());
  // With the header and the definitions gone too, only the page map is
  // left: a trace of an Access file, and nothing to read.
  ASSERT_TRUE(testdb::ZeroPages(path, {0, 2, 3, 4}));
  damaged = Recover(path, OleFolder());
  EXPECT_FALSE(damaged.analysed);
  EXPECT_EQ(damaged.refusal, "This file is highly corrupted and cannot be recovered.");
}

// Pages 1 to 5 carry the words of the format's signature; losing any of
// them, or the catalog with its definition page, refuses no file and costs
// no table.
TEST_F(Damage, DamageToTheFirstPagesRefusesNoFile) {
  for (const Source& source : *sources_) {
    Recovery original = Original(source);
    for (uint32_t page : {1u, 2u, 3u, 4u, 5u}) {
      std::string path = Copy(source);
      ASSERT_TRUE(testdb::GarblePages(path, {page}, page));
      Recovery damaged = Recover(path, OleFolder());
      ASSERT_TRUE(damaged.analysed) << source.name << ", page " << page << " garbled";
      ExpectSurvivorsWhole(source, original, damaged, {}, "page " + std::to_string(page) + " garbled");
    }
    std::string path = Copy(source);
    std::vector<uint32_t> catalog = original.catalogPages;
    catalog.push_back(2);
    ASSERT_TRUE(testdb::ZeroPages(path, catalog));
    Recovery damaged = Recover(path, OleFolder());
    ASSERT_TRUE(damaged.analysed) << source.name;
    ExpectSurvivorsWhole(source, original, damaged, {}, "catalog and page 2 lost");
  }
}

TEST_F(Damage, EncodedDatabaseGivesWhatItsPlainTwinGives) {
  testenv::ScratchDir dir;
  std::string plain = MakeBuilderDatabase(dir.File("plain.mdb"));
  std::string encoded = dir.File("encoded.mdb");
  std::filesystem::copy_file(plain, encoded);
  ASSERT_TRUE(testdb::SetDatabaseKey(encoded, 0x5EC0DE42));
  ASSERT_NE(testenv::ReadFile(plain).substr(4096), testenv::ReadFile(encoded).substr(4096));
  Recovery original = Recover(plain, dir.path() + "/");
  Recovery decoded = Recover(encoded, dir.path() + "/");
  ASSERT_TRUE(decoded.analysed) << decoded.refusal;
  EXPECT_EQ(damage::FirstLoss(original, decoded, {}), "");
  for (const auto& [page, table] : original.tables) EXPECT_EQ(decoded.tables[page].name, table.name);
}

// A table whose definition page is lost: its rows come back in a table of
// their own, named by the catalog while its row is there, each variable
// value a column; rows whose structure does not hold, pages that only look
// like data pages and long-value pointers into garbage are passed over.
TEST_F(Damage, RowsOfALostDefinitionComeBackAsATableOfTheirOwn) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  testdb::Table& people = db.AddTable("People", {{"Id", testdb::ColumnType::Long},
                                                 {"Name", testdb::ColumnType::Text, 40},
                                                 {"City", testdb::ColumnType::Text, 40},
                                                 {"Notes", testdb::ColumnType::Memo}});
  std::vector<std::string> texts;
  for (int i = 0; i < 600; ++i) {
    std::string name = "Person " + std::to_string(i), city = i % 7 ? "Graz" : "Zürich";
    // Inline, one long-value row, a chain of them.
    std::string notes = "Notes on " + name + std::string(static_cast<size_t>(i % 3) * 3000, '.');
    people.rows.push_back(
        {{i, name, testdb::Text{city, i % 2 ? testdb::TextEncoding::Ucs2 : testdb::TextEncoding::Auto}, notes}});
    texts.insert(texts.end(), {name, city, notes});
  }
  // Column counts of 0 and 257, offsets out of order and past the row.
  for (std::vector<uint8_t> raw : {std::vector<uint8_t>{0, 0, 1, 2, 3, 4, 0},
                                   std::vector<uint8_t>(44, 0x01),
                                   std::vector<uint8_t>{4, 0, 1, 0, 0, 0, 'a', 'b', 9, 0, 6, 0, 2, 0, 0x0F},
                                   std::vector<uint8_t>{4, 0, 1, 0, 0, 0, 'a', 'b', 0xFF, 0, 6, 0, 1, 0, 0x0F}})
    people.rows.push_back({{}, testdb::RowState::Normal, raw});
  db.AddTable("Kept", {{"Name", testdb::ColumnType::Text, 10}}).rows.push_back({{"kept"}});
  std::string path = dir.File("orphans.mdb");
  testdb::Layout layout = db.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;
  const testdb::TableLayout& lost = *layout.Find("People");
  ASSERT_TRUE(testdb::ZeroPages(path, lost.definitionPages));

  Recovery r = Recover(path, dir.path() + "/");
  ASSERT_TRUE(r.analysed);
  ASSERT_EQ(r.tables.size(), 2u);
  const damage::RecoveredTable& orphan = r.tables.at(static_cast<int32_t>(lost.definitionPages[0]));
  EXPECT_EQ(orphan.name, "People");
  EXPECT_EQ(orphan.rows.size(), 600u);
  std::multiset<std::string> cells;
  for (const damage::RecoveredRow& row : orphan.rows) {
    ASSERT_EQ(row.cells.size(), 5u) << row.text;  // fixed data, the Id guessed, then three values
    cells.insert(row.cells.begin(), row.cells.end());
  }
  EXPECT_EQ(cells.count("57 02 00 00"), 1u);  // the fixed data of Id 599, in hexadecimal
  for (const std::string& text : texts) EXPECT_GE(cells.count(text), 1u) << text.substr(0, 40);

  // Without its catalog row, it is numbered; garbage where its rows and
  // long values were changes nothing else.
  ASSERT_TRUE(testdb::LoseCatalogRows(path, layout, {"People"}));
  std::vector<uint32_t> scrambled = lost.longValuePages;
  scrambled.push_back(lost.dataPages.front());
  ASSERT_TRUE(testdb::ScrambleRows(path, scrambled, 5));
  r = Recover(path, dir.path() + "/");
  ASSERT_TRUE(r.analysed);
  EXPECT_EQ(r.tables.at(static_cast<int32_t>(lost.definitionPages[0])).name, "Orphan Rows 01");
  EXPECT_EQ(r.tables.at(static_cast<int32_t>(layout.Find("Kept")->definitionPages[0])).rows.size(), 1u);
}

// A table whose definition page is blanked: its fixed columns are guessed
// from its rows' bytes, shown as guesses, named from its properties while
// its catalog row lasts, and give the values the sound file gives.
TEST_F(Damage, LostDefinitionGivesItsFixedColumnsTypedByGuess) {
  testdb::DatabaseBuilder db;
  testdb::Table& ledger = db.AddTable("Ledger", {{"Id", testdb::ColumnType::Long},
                                                 {"Amount", testdb::ColumnType::Currency},
                                                 {"Posted", testdb::ColumnType::Date},
                                                 {"Quantity", testdb::ColumnType::Int},
                                                 {"Settled", testdb::ColumnType::Bit},
                                                 {"Memo", testdb::ColumnType::Text, 40}});
  for (int i = 0; i < 700; ++i)
    ledger.rows.push_back({{i + 1, testdb::Currency{(i * 7919 % 500000) * 100LL}, testdb::Date{36000.0 + i / 3.0},
                            i % 50, i % 3 == 0, "Entry " + std::to_string(i)}});
  // Access's Format and text switches single out the date, the amount, the
  // boolean and the text; nothing tells the two integers apart by name.
  for (auto [column, format] : {std::pair{"Id", ""}, {"Amount", "Currency"}, {"Posted", "Short Date"},
                                {"Quantity", ""}, {"Settled", "Yes/No"}})
    ledger.properties.push_back({column, "Format", testdb::Text{format}});
  ledger.properties.push_back({"Memo", "UnicodeCompression", true});
  db.AddTable("Kept", {{"Name", testdb::ColumnType::Text, 10}}).rows.push_back({{"kept"}});
  std::string path = scratch_->File("ledger.mdb");
  testdb::Layout layout = db.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;
  const int32_t page = static_cast<int32_t>(layout.Find("Ledger")->definitionPages[0]);
  Recovery original = Recover(path, OleFolder());
  ASSERT_TRUE(testdb::ZeroPages(path, layout.Find("Ledger")->definitionPages));

  const std::vector<std::string> named = {"Fixed data [BINARY]", "Column 1 [LONG?]", "Amount [CURRENCY?]",
                                          "Posted [DATE?]",      "Column 4 [INT?]",  "Settled [BIT?]",
                                          "Memo [TEXT(255)]"};
  const std::vector<std::string> numbered = {"Fixed data [BINARY]", "Column 1 [LONG?]", "Column 2 [CURRENCY?]",
                                             "Column 3 [DATE?]",    "Column 4 [INT?]",  "Column 5 [BIT?]",
                                             "Value 1 [TEXT(255)]"};
  for (bool catalogRow : {true, false}) {
    if (!catalogRow) ASSERT_TRUE(testdb::LoseCatalogRows(path, layout, {"Ledger"}));
    Recovery r = Recover(path, OleFolder());
    ASSERT_TRUE(r.analysed);
    const damage::RecoveredTable& lost = r.tables.at(page);
    EXPECT_EQ(lost.columns, catalogRow ? named : numbered);
    const std::vector<damage::RecoveredRow>& want = original.tables.at(page).rows;
    ASSERT_EQ(lost.rows.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      ASSERT_EQ(lost.rows[i].cells.size(), 7u);
      // Numbered, the fixed fields, the boolean and the variable value come
      // in the table's order too.
      for (size_t c = 0; c < 6; ++c)
        EXPECT_EQ(lost.rows[i].cells[c + 1], want[i].cells[c]) << "row " << i << ", column " << c;
    }
    damage::Tally t = damage::Compare(original, r, {page});
    EXPECT_EQ(t.lostRowsBack, t.lostRows);
  }
}

// Each table's definition blanked in turn: the values of its rows come back
// in the table of its rows, typed by guess where the bytes are fixed.
TEST_F(Damage, LostDefinitionsOfTheCorpusGiveTheirValuesBack) {
  damage::Tally total;
  for (const Source& source : *sources_) {
    if (source.name == "builder") continue;  // made-up values, not the kind people enter
    Recovery original = Original(source);
    for (const auto& [page, table] : original.tables) {
      std::string path = Copy(source);
      ASSERT_TRUE(testdb::ZeroPages(path, {table.definitionPages.begin(), table.definitionPages.end()}));
      Recovery damaged = Recover(path, OleFolder());
      if (damaged.analysed)
        total.Add(damage::Compare(original, damaged, {table.definitionPages.begin(), table.definitionPages.end()}));
    }
  }
  if (total.lostRows == 0) GTEST_SKIP() << "no corpus";
  std::printf("values back %lld of %lld, rows back whole %lld of %lld\n", static_cast<long long>(total.lostValuesBack),
              static_cast<long long>(total.lostValues), static_cast<long long>(total.lostRowsBack),
              static_cast<long long>(total.lostRows));
  EXPECT_GE(100 * total.lostValuesBack, 97 * total.lostValues);
  EXPECT_GE(100 * total.lostRowsBack, 93 * total.lostRows);
}

// Single bits flipped in one table's definition pages, row offset tables,
// rows and long-value pointers: that table may lose what it may, the run
// ends and every other table comes back whole.
TEST_F(Damage, FlippedBitsInOneTableSpareTheOthers) {
  std::mt19937_64 random(42);
  for (const Source& source : *sources_) {
    Recovery original = Original(source);
    if (original.tables.empty()) continue;
    for (const auto& [page, victim] : original.tables) {
      std::vector<testdb::BitFlip> flips;
      std::vector<int32_t> pages = victim.definitionPages;
      pages.insert(pages.end(), victim.dataPages.begin(), victim.dataPages.end());
      for (int32_t p : pages) {
        for (int i = 0; i < 12; ++i) {
          // Past the page header: the owner and type stay, so the page stays
          // the victim's own.
          uint64_t offset = static_cast<uint64_t>(p) * 4096 + 8 + random() % (4096 - 8);
          flips.push_back({offset, static_cast<int>(random() % 8)});
        }
      }
      std::string path = Copy(source);
      ASSERT_TRUE(testdb::FlipBits(path, flips));
      std::set<int32_t> hit(victim.definitionPages.begin(), victim.definitionPages.end());
      hit.insert(victim.dataPages.begin(), victim.dataPages.end());
      Recovery damaged = Recover(path, OleFolder());
      ExpectSurvivorsWhole(source, original, damaged, hit, "bits flipped in " + victim.name);
    }
  }
}

TEST_F(Damage, LostCatalogRowOfOneTableRecoversJustThatTable) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  for (const char* name : {"Alpha", "Beta", "Gamma"}) {
    testdb::Table& t = db.AddTable(name, {{"Id", testdb::ColumnType::Long}});
    t.rows.push_back({{1}});
  }
  std::string path = dir.File("lost.mdb");
  testdb::Layout layout = db.Write(path);
  ASSERT_TRUE(testdb::LoseCatalogRows(path, layout, {"Beta"}));
  Recovery r = Recover(path, dir.path() + "/");
  ASSERT_TRUE(r.analysed);
  ASSERT_EQ(r.tables.size(), 3u);
  EXPECT_EQ(r.tables.at(static_cast<int32_t>(layout.Find("Alpha")->definitionPages[0])).name, "Alpha");
  EXPECT_EQ(r.tables.at(static_cast<int32_t>(layout.Find("Beta")->definitionPages[0])).name, "Recovered Table 01");
  EXPECT_EQ(r.tables.at(static_cast<int32_t>(layout.Find("Gamma")->definitionPages[0])).name, "Gamma");
}

TEST_F(Damage, BrokenDefinitionChainEndsAndSparesTheOtherTables) {
  testenv::ScratchDir dir;
  std::string path = dir.File("chain.mdb");
  testdb::Layout layout;
  MakeBuilderDatabase(path, &layout);
  Recovery original = Recover(path, dir.path() + "/");
  const testdb::TableLayout* wide = layout.Find("Wide");
  ASSERT_NE(wide, nullptr);
  ASSERT_GT(wide->definitionPages.size(), 1u);
  std::set<int32_t> hit(wide->definitionPages.begin(), wide->definitionPages.end());
  // A chain that comes back to its first page, and one cut short.
  for (uint32_t next : {wide->definitionPages[0], wide->definitionPages.back(), 0u}) {
    std::string copy = dir.File("copy.mdb");
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(testdb::BreakDefinitionChain(copy, layout, "Wide", next));
    Recovery damaged = Recover(copy, dir.path() + "/");
    ASSERT_TRUE(damaged.analysed);
    EXPECT_EQ(damage::FirstLoss(original, damaged, hit), "") << "next page " << next;
  }
}

}  // namespace
