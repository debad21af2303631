// Every preset of make-test-db reads back in mdbtools and in mdb-reader with
// the tables, row counts and values that were described.
#include <gtest/gtest.h>

#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"
#include "tests/testdb/reader_oracles.h"

namespace {

using oracle::Reader;

struct PresetCase {
  const char* preset;
  uint64_t rows;
  bool jet3 = false;
};
void PrintTo(const PresetCase& c, std::ostream* os) {
  *os << c.preset << " (rows " << c.rows << (c.jet3 ? ", Access 97)" : ")");
}

// Describes where two row sets first differ, keeping long cells short.
std::string FirstDifference(const std::vector<std::vector<std::string>>& expected,
                            const std::vector<std::vector<std::string>>& actual) {
  auto shorten = [](const std::string& s) { return s.size() > 120 ? s.substr(0, 120) + "...(" + std::to_string(s.size()) + " bytes)" : s; };
  if (expected.size() != actual.size())
    return "expected " + std::to_string(expected.size()) + " rows, read " + std::to_string(actual.size());
  for (size_t r = 0; r < expected.size(); ++r) {
    if (expected[r].size() != actual[r].size()) return "row " + std::to_string(r) + ": cell count differs";
    for (size_t c = 0; c < expected[r].size(); ++c)
      if (expected[r][c] != actual[r][c])
        return "sorted row " + std::to_string(r) + " cell " + std::to_string(c) + ": expected [" +
               shorten(expected[r][c]) + "] read [" + shorten(actual[r][c]) + "]";
  }
  return "";
}

class PresetReadTest : public testing::TestWithParam<std::tuple<PresetCase, Reader>> {};

TEST_P(PresetReadTest, ReaderShowsTheDescribedTablesAndValues) {
  auto [preset, reader] = GetParam();
  if (std::string why = oracle::Unavailable(reader); !why.empty()) GTEST_SKIP() << why;
  testenv::ScratchDir dir;
  std::string path = dir.File("db.mdb");
  testdb::PresetOptions options;
  options.rows = preset.rows;
  options.jet3 = preset.jet3;
  testdb::DatabaseBuilder described;
  ASSERT_TRUE(testdb::DescribePreset(preset.preset, options, described));
  testdb::Layout layout = testdb::WritePreset(preset.preset, options, path);
  ASSERT_TRUE(layout.ok) << layout.error;

  std::vector<const testdb::Table*> tables;
  std::vector<std::string> names;
  for (const auto& t : described.tables()) {
    tables.push_back(t.get());
    names.push_back(t->name);
  }
  oracle::ReadDatabase read = oracle::Read(reader, path, tables);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.tables, names);
  for (size_t i = 0; i < tables.size(); ++i) {
    const oracle::ReadTable* t = read.Find(names[i]);
    ASSERT_NE(t, nullptr) << names[i];
    EXPECT_EQ(t->rowCount, static_cast<int64_t>(layout.tables[i].liveRows)) << names[i];
    std::vector<std::string> columnNames;
    for (const testdb::Column& c : tables[i]->columns) columnNames.push_back(c.name);
    EXPECT_EQ(t->columns, columnNames) << names[i];
    EXPECT_EQ(FirstDifference(oracle::ExpectedRows(reader, *tables[i], t->columns), oracle::Sorted(t->rows)), "")
        << names[i];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetReadTest,
    testing::Combine(testing::Values(PresetCase{"sample", 0}, PresetCase{"all-types", 0},
                                     PresetCase{"many-tables", 0}, PresetCase{"access97", 0},
                                     // Over 512 data pages (1024 in Access 97): the used map takes
                                     // the reference form.
                                     PresetCase{"large", 20000}, PresetCase{"large", 20000, true}),
                     testing::Values(Reader::Mdbtools, Reader::MdbReader)),
    [](const auto& info) {
      const PresetCase& preset = std::get<0>(info.param);
      std::string name = std::string(preset.preset) + (preset.jet3 ? "_jet3_" : "_") + oracle::ReaderName(std::get<1>(info.param));
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

class DamagedPresetTest : public testing::TestWithParam<Reader> {};

// Readers that go by the catalog no longer see the tables whose rows were lost.
TEST_P(DamagedPresetTest, TablesWithLostCatalogRowsAreNotListed) {
  if (std::string why = oracle::Unavailable(GetParam()); !why.empty()) GTEST_SKIP() << why;
  testenv::ScratchDir dir;
  struct Case {
    const char* preset;
    std::vector<std::string> listed;
  };
  for (const Case& c : {Case{"no-catalog", {}}, Case{"damaged", {"Customers", "Employees", "Orders"}}}) {
    std::string path = dir.File(std::string(c.preset) + ".mdb");
    ASSERT_TRUE(testdb::WritePreset(c.preset, {}, path).ok);
    oracle::ReadDatabase read = oracle::Read(GetParam(), path);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.tables, c.listed) << c.preset;
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, DamagedPresetTest, testing::Values(Reader::Mdbtools, Reader::MdbReader),
                         [](const auto& info) { return std::string(info.param == Reader::Mdbtools ? "mdbtools" : "mdb_reader"); });

}  // namespace
