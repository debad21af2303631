// brevantis-cli rows against databases written by the test builder, and
// against mdbtools over the corpus of real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>

#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"

namespace {

using Csv = std::vector<std::vector<std::string>>;
using Row = std::vector<std::string>;

// RFC 4180 with CRLF line ends; the bytes of a field are kept as they are.
Csv ParseCsv(const std::string& text) {
  Csv rows;
  Row row;
  std::string field;
  bool quoted = false, fieldStarted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && field.empty()) {
      quoted = fieldStarted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
      ++i;
    } else {
      field += c;
    }
    (void)fieldStarted;
  }
  return rows;
}

testenv::CommandResult Rows(const std::string& file, const std::string& table, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> argv = {BREVANTIS_CLI, "rows", file, table};
  argv.insert(argv.end(), extra.begin(), extra.end());
  return testenv::RunCommand(argv);
}

// The data rows of a table, checked to start with the header.
Csv DataRows(const std::string& file, const std::string& table, const std::vector<std::string>& extra = {}) {
  testenv::CommandResult result = Rows(file, table, extra);
  EXPECT_EQ(result.exitCode, 0) << table << ": " << result.err;
  Csv rows = ParseCsv(result.out);
  EXPECT_FALSE(rows.empty()) << table;
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

// A text as the cells hold it: every character's two-byte code with its
// zero bytes left out.
std::string StoredBytes(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    uint32_t code = extra ? b & (0x3F >> extra) : b;
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k) code = code << 6 | (utf8[i + k] & 0x3F);
    i += 1 + extra;
    if (code & 0xFF) out += static_cast<char>(code & 0xFF);
    if ((code >> 8) & 0xFF) out += static_cast<char>(code >> 8);
  }
  return out;
}

std::string Repeat(const std::string& piece, size_t size) {
  std::string s;
  while (s.size() < size) s += piece;
  s.resize(size);
  return s;
}

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The object file a cell names, read and removed.
std::string TakeOleFile(const std::string& path, const std::string& extension) {
  EXPECT_NE(path.find("/TempOLeFiles/Ole"), std::string::npos) << path;
  EXPECT_EQ(std::filesystem::path(path).extension().string(), "." + extension) << path;
  std::string bytes = testenv::ReadFile(path);
  std::filesystem::remove(path);
  return bytes;
}

class AllTypesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testenv::ScratchDir;
    path_ = dir_->File("all-types.mdb");
    ASSERT_TRUE(testdb::WritePreset("all-types", {}, path_).ok);
  }
  static void TearDownTestSuite() { delete dir_; }
  static testenv::ScratchDir* dir_;
  static std::string path_;
};
testenv::ScratchDir* AllTypesTest::dir_ = nullptr;
std::string AllTypesTest::path_;

struct TableRows {
  const char* table;
  Csv rows;
};

class AllTypesScalarsTest : public AllTypesTest, public ::testing::WithParamInterface<TableRows> {};

TEST_P(AllTypesScalarsTest, RendersEveryValue) { EXPECT_EQ(DataRows(path_, GetParam().table), GetParam().rows); }

std::string AllBytesFromOne() {
  std::string all;
  for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
  return all;
}

const TableRows kScalarTables[] = {
    {"Integers", {{"0", "-32768", "-2147483648"}, {"255", "32767", "2147483647"}, {"1", "0", "0"}, {"NULL", "NULL", "NULL"}}},
    {"Money",
     {{"-1234.5678"}, {"922337203685477.5807"}, {"-922337203685477.5807"}, {"0.0000"}, {"1.0000"}, {"NULL"}}},
    {"Floats",
     {{"1.50000", "1.50000000000000"},
      {"-1.50000", "-1.50000000000000"},
      {"0.0000", "0.0000"},
      {"0.00100000", "0.001000000000000000"},
      {"10000000272564224.0000", "10000000000000000.0000"},
      {"NULL", "NULL"}}},
    {"Dates",
     {{"12/30/01 00:00:00"}, {"12/30/01 12:00:00"}, {"12/29/01 06:00:00"}, {"01/01/00 00:00:00"},
      {"01/01/00 00:00:00"}, {"01/05/07 09:05:03"}, {"02/28/00 00:00:00"}, {"03/01/00 00:00:00"},
      {"12/31/99 24:00:00"}, {"01/29/98 00:00:00"}, {"NULL"}}},
    {"Texts",
     {{"compressed", "Hello, world"},
      {"ucs2", "Hello, world"},
      {"empty", "NULL"},
      {"marker", "NULL"},
      {"latin1", StoredBytes("Ærøskøbing, Zürich, Málaga")},
      {"above ff", StoredBytes("Ελληνικά – Кириллица – 漢字")},
      {"low byte zero", StoredBytes("Āā Ĭ 〇")},
      {"switching", StoredBytes("abc Ωmega def Ψ ghi")},
      {"byte order mark", StoredBytes("\xEF\xBB\xBFstarts with U+FEFF")},
      {"null", "NULL"}}},
    {"Guids",
     {{"{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}"}, {"{00000000-0000-0000-0000-000000000000}"},
      {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"}, {"NULL"}}},
    {"Numerics",
     {{"0000000000012345.00", "0000000000000000000000012345"},
      {"-0000000000012345.67", "-0000000000000000000000000001"},
      {"0000098765432109.87", "0000000000000000004294967296"},
      {"0000000000000000.01", "9999999999999999999999999999"},
      {"0000000000000000.00", "-0000000009223372036854775808"},
      {"NULL", "NULL"}}},
    {"Binaries", {{"\xDE\xAD\xBE\xEF"}, {AllBytesFromOne()}, {"NULL"}, {"NULL"}}},
};

INSTANTIATE_TEST_SUITE_P(Tables, AllTypesScalarsTest, ::testing::ValuesIn(kScalarTables),
                         [](const auto& info) { return std::string(info.param.table); });

TEST_F(AllTypesTest, MemosComeBackWhole) {
  const std::string fox = "The quick brown fox jumps over the lazy dog. ";
  const std::map<std::string, std::string> expected = {
      {"1 byte inline", "T"},
      {"1 byte single", "T"},
      {"1 byte chain", "T"},
      {"4 KiB single", Repeat(fox, 4000)},
      {"4 KiB chain", Repeat(fox, 4096)},
      {"64 KiB chain", Repeat(fox, 65536)},
      {"64 KiB compressed chain", Repeat(fox, 65536)},
      {"1 MiB chain", Repeat(fox, 1 << 20)},
      {"uncompressed inline", Repeat(fox, 20)},
      {"empty", "NULL"},
      {"null", "NULL"},
  };
  Csv rows = DataRows(path_, "Memos");
  ASSERT_EQ(rows.size(), expected.size() + 1);
  for (const Row& row : rows) {
    ASSERT_EQ(row.size(), 2u);
    if (row[0] == "non-latin single") {
      // Whole pieces only: the last one is cut inside a character.
      std::string pieces = StoredBytes(Repeat("Ωμέγα 漢字 ", 288));
      EXPECT_EQ(row[1].substr(0, pieces.size()), pieces);
      continue;
    }
    ASSERT_TRUE(expected.count(row[0])) << row[0];
    EXPECT_EQ(row[1], expected.at(row[0])) << row[0];
  }
}

TEST_F(AllTypesTest, OleObjectsAreWrittenByteForByte) {
  Csv rows = DataRows(path_, "OleObjects");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(TakeOleFile(rows[0][1], "bmp"), AsText(testdb::MakeBmp(185, 185)));
  EXPECT_EQ(TakeOleFile(rows[1][1], "pdf"), AsText(testdb::MakePdf(100 * 1024)));
  EXPECT_EQ(TakeOleFile(rows[2][1], "txt"), std::string(100 * 1024, 'x'));
  EXPECT_EQ(TakeOleFile(rows[3][1], "bmp"), AsText(testdb::MakeBmp(2, 2)));
  EXPECT_EQ(TakeOleFile(rows[4][1], "txt"), "hi");
  EXPECT_EQ(TakeOleFile(rows[5][1], "ole"), "\x01\x02\x03\x04\x05");
  EXPECT_EQ(rows[6][1], "NULL");
}

TEST_F(AllTypesTest, EveryTypeInOneRow) {
  Csv rows = DataRows(path_, "AllTypes");
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[0].size(), 14u);
  std::string picture = rows[0][10];
  rows[0][10] = "picture";
  EXPECT_EQ(rows[0], (Row{"1", "1", "200", "-2", "1.5000", "2.50000", "3.25000000000000", "01/01/23 12:00:00",
                          "\x01\x02\x03", "row one", "picture", "memo one", "{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}",
                          "-0000008540982423.45"}));
  EXPECT_EQ(TakeOleFile(picture, "ole"), "\x09\x08\x07");
  Row nulls(14, "NULL");
  nulls[0] = "2";
  nulls[1] = "0";
  EXPECT_EQ(rows[1], nulls);
}

// A table of 252 rows, one of them deleted and one that stores no columns.
class PagedTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testdb::DatabaseBuilder builder;
    testdb::Table& people = builder.AddTable(
        "People", {{"ID", testdb::ColumnType::Long}, {"Name", testdb::ColumnType::Text, 40}});
    for (int id = 1; id <= 252; ++id) {
      testdb::Row row;
      row.values = {id, "Person, \"" + std::to_string(id) + "\"\r\nline two"};
      if (id == 10) row.state = testdb::RowState::Deleted;
      if (id == 21) row.rawBytes = std::vector<uint8_t>(12, 0);
      people.rows.push_back(row);
    }
    path = dir.File("people.mdb");
    ASSERT_TRUE(builder.Write(path).ok);
  }

  static std::vector<int> Ids(const Csv& rows) {
    std::vector<int> ids;
    for (const Row& row : rows) ids.push_back(std::atoi(row.at(0).c_str()));
    return ids;
  }
  static std::vector<int> Range(int first, int last, std::vector<int> without = {}) {
    std::vector<int> ids;
    for (int id = first; id <= last; ++id)
      if (std::find(without.begin(), without.end(), id) == without.end()) ids.push_back(id);
    return ids;
  }

  testenv::ScratchDir dir;
  std::string path;
};

TEST_F(PagedTableTest, AllGivesEveryLiveRowWithItsBytesQuoted) {
  Csv rows = DataRows(path, "People", {"--all"});
  EXPECT_EQ(Ids(rows), Range(1, 252, {10, 21}));
  EXPECT_EQ(rows.at(0), (Row{"1", "Person, \"1\"\r\nline two"}));
  EXPECT_EQ(Rows(path, "People").out, Rows(path, "People", {"--all"}).out);
  EXPECT_EQ(Rows(path, "People").out.substr(0, 9), "ID,Name\r\n");
}

TEST_F(PagedTableTest, PageGivesTheBrowsersPages) {
  EXPECT_EQ(Ids(DataRows(path, "People", {"--page", "1"})), Range(1, 102, {10, 21}));
  EXPECT_EQ(Ids(DataRows(path, "People", {"--page", "2"})), Range(103, 202));
  EXPECT_EQ(Ids(DataRows(path, "People", {"--page", "3"})), Range(203, 252));
  EXPECT_TRUE(DataRows(path, "People", {"--page", "4"}).empty());
}

struct Misuse {
  const char* name;
  std::vector<std::string> args;  // after "rows"; FILE stands for the database
  int exitCode;
  const char* message;
};

class RowsMisuseTest : public PagedTableTest, public ::testing::WithParamInterface<Misuse> {};

TEST_P(RowsMisuseTest, FailsWithAMessage) {
  std::vector<std::string> argv = {BREVANTIS_CLI, "rows"};
  for (const std::string& arg : GetParam().args) argv.push_back(arg == "FILE" ? path : arg);
  testenv::CommandResult result = testenv::RunCommand(argv);
  EXPECT_EQ(result.exitCode, GetParam().exitCode);
  EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
  EXPECT_TRUE(result.out.empty());
}

const Misuse kMisuses[] = {
    {"UnknownTable", {"FILE", "Nobody"}, 1, "unknown table: Nobody"},
    {"NoTable", {"FILE"}, 1, "usage"},
    {"PageZero", {"FILE", "People", "--page", "0"}, 1, "usage"},
    {"PageNotANumber", {"FILE", "People", "--page", "x"}, 1, "usage"},
    {"UnknownOption", {"FILE", "People", "--fast"}, 1, "usage"},
    {"MissingFile", {"/nonexistent/db.mdb", "People"}, 1, "Opening file failed..."},
};

INSTANTIATE_TEST_SUITE_P(Arguments, RowsMisuseTest, ::testing::ValuesIn(kMisuses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RowsCommandTest, RefusedFormatExitsWithTwo) {
  testenv::ScratchDir dir;
  std::string path = dir.File("zeros.mdb");
  testenv::WriteFile(path, std::string(8 * 4096, '\0'));
  testenv::CommandResult result = Rows(path, "Any");
  EXPECT_EQ(result.exitCode, 2) << result.err;
}

// Damaged rows become markers or NULL values, and the walk goes on.
TEST(RowsCommandTest, DamagedRowsDoNotStopTheTable) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder builder;
  testdb::Table& t = builder.AddTable("T", {{"ID", testdb::ColumnType::Long},
                                            {"Name", testdb::ColumnType::Text, 20},
                                            {"Body", testdb::ColumnType::Memo}});
  for (int id = 1; id <= 6; ++id) t.rows.push_back({{id, "n" + std::to_string(id), "memo"}});
  // No columns; more columns than the table; offsets past the row; a memo
  // pointing at a page that is not a long-value page.
  t.rows[1].rawBytes = std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0};
  t.rows[2].rawBytes = std::vector<uint8_t>{0xFF, 0x7F, 1, 2, 3, 4, 5, 6};
  t.rows[3].rawBytes = std::vector<uint8_t>{3, 0, 4, 0, 0, 0, 6, 0, 0, 0x0F, 6, 0, 2, 0, 0x07};
  t.rows[4].rawBytes = std::vector<uint8_t>{3, 0, 5, 0, 0, 0, 'x', 0, 0, 0, 0, 0x40, 0, 1, 0, 0, 0, 0, 0, 0,
                                            20, 0, 8, 0, 6, 0, 2, 0, 0x07};
  std::string path = dir.File("damaged.mdb");
  ASSERT_TRUE(builder.Write(path).ok);
  Csv rows = DataRows(path, "T");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (Row{"1", "n1", "memo"}));
  EXPECT_EQ(rows[1], (Row{"4", "NULL", "NULL"}));
  EXPECT_EQ(rows[2], (Row{"5", "x", "NULL"}));
  EXPECT_EQ(rows[3], (Row{"6", "n6", "memo"}));
}

}  // namespace
