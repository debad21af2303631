// brevantis-cli rows against databases written by the test builder, and
// against mdbtools' mdb-export over every user table of the corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "platform/dialogs.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "report/analysis_view.h"
#include "report/analysis_watcher.h"
#include "report/progress_channel.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"

namespace {

using Csv = std::vector<std::vector<std::string>>;
using Row = std::vector<std::string>;

// RFC 4180; lines end in CRLF (ours) or LF (mdb-export); the bytes of a
// field are kept as they are.
Csv ParseCsv(const std::string& text) {
  Csv rows;
  Row row;
  std::string field;
  bool quoted = false;
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
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
    } else {
      field += c;
    }
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

// Each byte as the character of that code point, as BINARY values show.
std::string Latin1(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | b >> 6);
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

// `piece` repeated to `size` bytes, cut back to a whole UTF-8 character.
std::string Repeat(const std::string& piece, size_t size) {
  std::string s;
  while (s.size() < size) s += piece;
  while (size > 0 && size < s.size() && (static_cast<unsigned char>(s[size]) & 0xC0) == 0x80) --size;
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

// The record page shows the same rows, one whose values are all absent too.
TEST_P(AllTypesScalarsTest, RendersEveryValue) {
  EXPECT_EQ(DataRows(path_, GetParam().table), GetParam().rows);
  EXPECT_EQ(DataRows(path_, GetParam().table, {"--page", "1"}), GetParam().rows);
}

std::string AllBytesFromOne() {
  std::string all;
  for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
  return all;
}

const TableRows kScalarTables[] = {
    {"Integers", {{"0", "-32768", "-2147483648"}, {"255", "32767", "2147483647"}, {"1", "0", "0"}, {"", "", ""}}},
    {"Money", {{"-1234.5678"}, {"922337203685477.5807"}, {"-922337203685477.5807"}, {"0.0000"}, {"1.0000"}, {""}}},
    {"Floats",
     {{"1.50000", "1.50000000000000"},
      {"-1.50000", "-1.50000000000000"},
      {"0.0000", "0.0000"},
      {"0.00100000", "0.001000000000000000"},
      {"10000000272564224.0000", "10000000000000000.0000"},
      {"", ""}}},
    {"Dates",
     {{"12/30/1899 00:00:00"}, {"12/30/1899 12:00:00"}, {"12/29/1899 06:00:00"}, {"01/01/1900 00:00:00"},
      {"01/01/2000 00:00:00"}, {"01/05/2007 09:05:03"}, {"02/28/1900 00:00:00"}, {"03/01/1900 00:00:00"},
      {"12/31/9999 24:00:00"}, {"01/29/1898 00:00:00"}, {""}}},
    {"Texts",
     {{"compressed", "Hello, world"},
      {"ucs2", "Hello, world"},
      {"empty", ""},
      {"marker", "#TEXT"},
      {"latin1", "Ærøskøbing, Zürich, Málaga"},
      {"above ff", "Ελληνικά – Кириллица – 漢字"},
      {"low byte zero", "Āā Ĭ 〇"},
      {"switching", "abc Ωmega def Ψ ghi"},
      {"byte order mark", "\xEF\xBB\xBFstarts with U+FEFF"},
      {"null", ""}}},
    {"Guids",
     {{"{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}"}, {"{00000000-0000-0000-0000-000000000000}"},
      {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"}, {""}}},
    {"Numerics",
     {{"12345.00", "12345"},
      {"-12345.67", "-1"},
      {"98765432109.87", "4294967296"},
      {"0.01", "9999999999999999999999999999"},
      {"0.00", "-9223372036854775808"},
      {"", ""}}},
    // A leading zero byte is a byte like the others.
    {"Binaries", {{Latin1("\xDE\xAD\xBE\xEF")}, {Latin1(AllBytesFromOne())}, {std::string("\0\x01\x02", 3)}, {""}}},
};

INSTANTIATE_TEST_SUITE_P(Tables, AllTypesScalarsTest, ::testing::ValuesIn(kScalarTables),
                         [](const auto& info) { return std::string(info.param.table); });

// Large numbers, extended dates and calculated columns, damaged values
// included: each a marker, and the rest of its row as it was.
class AceTypesTest : public ::testing::TestWithParam<TableRows> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testenv::ScratchDir;
    path_ = dir_->File("ace-types.accdb");
    ASSERT_TRUE(testdb::WritePreset("ace-types", {}, path_).ok);
  }
  static void TearDownTestSuite() { delete dir_; }
  static testenv::ScratchDir* dir_;
  static std::string path_;
};
testenv::ScratchDir* AceTypesTest::dir_ = nullptr;
std::string AceTypesTest::path_;

TEST_P(AceTypesTest, RendersEveryValue) { EXPECT_EQ(DataRows(path_, GetParam().table), GetParam().rows); }

const TableRows kAceTables[] = {
    {"Large", {{"42"}, {"-1"}, {"-9223372036854775808"}, {"9223372036854775807"}, {""}}},
    {"Extended",
     {{"first day", "01/01/0001 00:00:00.0000001"},
      {"with ticks", "06/14/2021 22:45:12.3456789"},
      {"last day", "12/31/9999 23:59:59.9999999"},
      {"not digits", "#DATETIME"},
      {"past 9999", "#DATETIME"},
      {"null", ""}}},
    {"Calculated",
     {{"1", "Wayne, Bruce", "12", "83333.3333", "1", "19230.7692307692", "125000.000000000", "10/15/1582 00:00:00",
       "1000000000000000", "Wayne, BruceWayne, Bruce"},
      {"2", "Simpson, Bart", "13", "-0.0833", "0", "-0.0192307692", "-0.125000000000000", "12/30/1899 12:00:00",
       "-1000000000000000", "Simpson, Bart"},
      {"3", "", "", "", "", "", "", "", "", ""},
      {"4", "#CALCULATED", "#CALCULATED", "", "", "#CALCULATED", "#CALCULATED", "", "", ""}}},
};

INSTANTIATE_TEST_SUITE_P(Tables, AceTypesTest, ::testing::ValuesIn(kAceTables),
                         [](const auto& info) { return std::string(info.param.table); });

// The tree names each type, a calculated column by its result's.
TEST(AceTypesTreeTest, NamesEveryType) {
  testenv::ScratchDir dir;
  std::string path = dir.File("ace-types.accdb");
  ASSERT_TRUE(testdb::WritePreset("ace-types", {}, path).ok);
  testenv::CommandResult result = testenv::RunCommand({BREVANTIS_CLI, "analyze", path});
  EXPECT_EQ(result.out,
            "Large\n  Value [BIGINT]\n"
            "Extended\n  Label [TEXT(40)]\n  When [DATETIME2]\n"
            "Calculated\n  Id [COUNTER]\n  Full [TEXT(255)]\n  Length [LONG]\n  Monthly [CURRENCY]\n  Rich [BIT]\n"
            "  Weekly [NUMERIC]\n  Ratio [DOUBLE]\n  Born [DATE]\n  Huge [BIGINT]\n  Story [MEMO]\n");
}

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
      {"non-latin single", Repeat("Ωμέγα 漢字 ", 300)},
      {"empty", ""},
      {"null", ""},
  };
  Csv rows = DataRows(path_, "Memos");
  ASSERT_EQ(rows.size(), expected.size());
  for (const Row& row : rows) {
    ASSERT_EQ(row.size(), 2u);
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
  EXPECT_EQ(rows[6][1], "");
}

TEST_F(AllTypesTest, EveryTypeInOneRow) {
  Csv rows = DataRows(path_, "AllTypes");
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[0].size(), 14u);
  std::string picture = rows[0][10];
  rows[0][10] = "picture";
  EXPECT_EQ(rows[0], (Row{"1", "1", "200", "-2", "1.5000", "2.50000", "3.25000000000000", "01/01/2023 12:00:00",
                          "\x01\x02\x03", "row one", "picture", "memo one", "{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}",
                          "-8540982423.45"}));
  EXPECT_EQ(TakeOleFile(picture, "ole"), "\x09\x08\x07");
  Row nulls(14, "");
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
  EXPECT_TRUE(DataRows(path, "People", {"--page", "2000000000"}).empty());
}

// Deleted rows: those whose bytes still hold up come back with their values,
// exactly as the same rows print when live; the others never show.
TEST(RowsCommandTest, DeletedGivesTheDeletedRowsThatStillRead) {
  testenv::ScratchDir dir;
  const std::vector<testdb::Column> columns = {{"ID", testdb::ColumnType::Long},   {"Born", testdb::ColumnType::Date},
                                               {"Ok", testdb::ColumnType::Bit},    {"Name", testdb::ColumnType::Text, 20},
                                               {"Body", testdb::ColumnType::Memo}, {"Pic", testdb::ColumnType::Ole}};
  auto values = [](int id, bool withBody) -> std::vector<testdb::Value> {
    testdb::Value body = testdb::Null{};
    if (withBody)
      body = testdb::Text{Repeat("memo " + std::to_string(id) + " ", id == 4 ? 6000 : 300), testdb::TextEncoding::Auto,
                          id == 4 ? testdb::LongStorage::Chain : testdb::LongStorage::Single};
    testdb::Value name = id % 2 ? testdb::Value(testdb::Null{}) : testdb::Value("n" + std::to_string(id));
    testdb::Value pic = id == 4 ? testdb::Value(testdb::Bytes{{1, 2, 3}}) : testdb::Value(testdb::Null{});
    return {id, testdb::Date{45000.25}, id % 3 == 0, name, body, pic};
  };
  testdb::DatabaseBuilder damaged, intact;
  testdb::Table& t = damaged.AddTable("T", columns);
  testdb::Table& expected = intact.AddTable("T", columns);
  for (int id = 1; id <= 10; ++id) t.rows.push_back({values(id, true), testdb::RowState::Deleted});
  // The memo field of rows 7 and 9 (no name) starts at row byte 14.
  t.rows[4].overwrite = {9, 0};                            // column count
  t.rows[5].overwrite = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};    // mask and offsets
  t.rows[5].overwriteAt = -5;
  t.rows[6].overwrite = {5, 0, 0, 0x40};                   // the memo's stated length
  t.rows[6].overwriteAt = 14;
  t.rows[8].overwrite = {0, 3, 0, 0};                      // the memo's row: not a long-value page
  t.rows[8].overwriteAt = 18;
  t.rows[7].state = testdb::RowState::Moved;
  for (int id : {3, 10}) t.rows[static_cast<size_t>(id - 1)].state = testdb::RowState::Normal;
  for (int id : {1, 2, 4, 7, 9}) expected.rows.push_back({values(id, id != 7 && id != 9)});
  std::string path = dir.File("deleted.mdb"), truth = dir.File("intact.mdb");
  ASSERT_TRUE(damaged.Write(path).ok);
  ASSERT_TRUE(intact.Write(truth).ok);

  testenv::CommandResult deleted = Rows(path, "T", {"--deleted"});
  EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
  EXPECT_EQ(ParseCsv(deleted.out).size(), 6u);
  EXPECT_EQ(deleted.out, Rows(truth, "T", {"--all"}).out);
  // The moved row lies on a page of its own, after the others.
  Csv live = DataRows(path, "T", {"--all"});
  ASSERT_EQ(live.size(), 3u);
  EXPECT_EQ((Row{live[0][0], live[1][0], live[2][0]}), (Row{"3", "10", "8"}));
  EXPECT_TRUE(DataRows(truth, "T", {"--deleted"}).empty());
}

// Pages that carry the table's number but that its usage map leaves out
// were freed by Access: their rows are deleted rows, in either map form. A
// map that cannot be read costs no row: the owner numbers stand, and the
// analysis says so.
TEST(RowsCommandTest, RowsOfPagesTheUsageMapLeavesOutAreDeletedRows) {
  for (int liveRows : {3, 600}) {  // an inline map; pages spread past 512: a reference map
    SCOPED_TRACE(liveRows);
    testenv::ScratchDir dir;
    testdb::DatabaseBuilder builder;
    testdb::Table& t = builder.AddTable("T", {{"ID", testdb::ColumnType::Long}, {"Name", testdb::ColumnType::Text, 20}});
    if (liveRows > 3) t.rowsPerPage = 1;
    for (int id = 1; id <= liveRows; ++id) t.rows.push_back({{id, "n" + std::to_string(id)}});
    for (int id : {1001, 1002}) t.rows.push_back({{id, "gone"}, testdb::RowState::Freed});
    const std::string path = dir.File("freed.mdb");
    testdb::Layout layout = builder.Write(path);
    ASSERT_TRUE(layout.ok) << layout.error;
    ASSERT_FALSE(layout.tables[0].freedPages.empty());

    Csv live = DataRows(path, "T", {"--all"});
    ASSERT_EQ(live.size(), static_cast<size_t>(liveRows));
    EXPECT_EQ(live.back(), (Row{std::to_string(liveRows), "n" + std::to_string(liveRows)}));
    EXPECT_EQ(DataRows(path, "T", {"--deleted"}), (Csv{{"1001", "gone"}, {"1002", "gone"}}));
    testenv::CommandResult listed = testenv::RunCommand({BREVANTIS_CLI, "analyze", path});
    EXPECT_NE(listed.out.find("  (2 deleted rows readable)\n"), std::string::npos) << listed.out;

    // An unknown map form: the map no longer reads.
    std::string bytes = testenv::ReadFile(path);
    const size_t mapPage = size_t{layout.tables[0].usedMap.page} * 4096;
    const size_t slot = mapPage + 14 + 2 * size_t{layout.tables[0].usedMap.row};
    const size_t row = mapPage + ((static_cast<uint8_t>(bytes[slot]) | static_cast<uint8_t>(bytes[slot + 1]) << 8) & 0x1FFF);
    bytes[row] = 7;
    testenv::WriteFile(path, bytes);
    EXPECT_EQ(DataRows(path, "T", {"--all"}).size(), static_cast<size_t>(liveRows) + 2);
    EXPECT_TRUE(DataRows(path, "T", {"--deleted"}).empty());
    EXPECT_NE(Rows(path, "T").err.find("Usage map unreadable, pages taken by owner : T\n"), std::string::npos);
  }
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
    {"DeletedWithPage", {"FILE", "People", "--deleted", "--page", "1"}, 1, "usage"},
    {"MissingFile", {"/nonexistent/db.mdb", "People"}, 1, "Opening file failed..."},
    {"PasswordTwice", {"FILE", "People", "--password", "a", "--password-file", "/dev/null"}, 1,
     "--password and --password-file exclude each other"},
    {"MissingPasswordFile", {"FILE", "People", "--password-file", "/nonexistent/pw"}, 1,
     "--password-file /nonexistent/pw: No such file or directory"},
    {"PasswordFileNotAFile", {"FILE", "People", "--password-file", "/dev/zero"}, 1,
     "--password-file /dev/zero: not a regular file"},
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

// An encrypted database of each scheme: every row with the password, through
// pages of rows and of long values; exit 2 and nothing on stdout without it.
struct Encryption {
  const char* label;
  OfficeScheme scheme;
  int keyBits;
  HashAlgorithm hash;
};
void PrintTo(const Encryption& e, std::ostream* os) { *os << e.label; }

class RowsEncryptedTest : public ::testing::TestWithParam<Encryption> {};

TEST_P(RowsEncryptedTest, EveryRowWithThePasswordAndNoneWithout) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  testdb::Table& t = db.AddTable("Ledger", {{"Id", ColumnType::Long}, {"Name", ColumnType::Text, 40},
                                            {"Notes", ColumnType::Memo}});
  Csv expected;
  for (int i = 0; i < 400; ++i) {
    std::string notes = i % 50 == 0 ? std::string(9000, static_cast<char>('a' + i % 26)) : "note " + std::to_string(i);
    t.rows.push_back({{i, "name " + std::to_string(i), notes}});
    expected.push_back({std::to_string(i), "name " + std::to_string(i), notes});
  }
  testdb::OfficeEncryption encryption;
  encryption.scheme = GetParam().scheme;
  encryption.keyBits = GetParam().keyBits;
  encryption.hash = GetParam().hash;
  encryption.password = "pässwörd 1";
  db.SetOfficeEncryption(encryption);
  const std::string path = dir.File("ledger.accdb");
  ASSERT_TRUE(db.Write(path).ok);

  EXPECT_EQ(DataRows(path, "Ledger", {"--password", "pässwörd 1"}), expected);
  testenv::WriteFile(dir.File("pw"), "pässwörd 1\r\n");
  EXPECT_EQ(DataRows(path, "Ledger", {"--password-file", dir.File("pw")}), expected);
  for (const auto& [extra, message] :
       {std::pair<std::vector<std::string>, std::string>{{}, "This database is encrypted: its password is needed to read it."},
        {{"--password", "Pässwörd 1"}, "The password is not correct."},
        {{"--password", ""}, "The password is not correct."}}) {
    testenv::CommandResult refused = Rows(path, "Ledger", extra);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, message + "\n");
    EXPECT_EQ(refused.out, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, RowsEncryptedTest,
    ::testing::Values(Encryption{"AgileAes256Sha512", OfficeScheme::Agile, 256, HashAlgorithm::Sha512},
                      Encryption{"AgileAes128Sha1", OfficeScheme::Agile, 128, HashAlgorithm::Sha1},
                      Encryption{"Rc4CryptoApi40", OfficeScheme::Rc4CryptoApi, 40, HashAlgorithm::Sha1},
                      Encryption{"Rc4CryptoApi128", OfficeScheme::Rc4CryptoApi, 128, HashAlgorithm::Sha1},
                      Encryption{"StandardAes128", OfficeScheme::AesStandard, 128, HashAlgorithm::Sha1},
                      Encryption{"NonStandardAes256", OfficeScheme::AesNonStandard, 256, HashAlgorithm::Sha1}),
    [](const auto& info) { return std::string(info.param.label); });

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
  EXPECT_EQ(rows[1], (Row{"4", "", ""}));
  EXPECT_EQ(rows[2], (Row{"5", "x", ""}));
  EXPECT_EQ(rows[3], (Row{"6", "n6", "memo"}));
}

// rows --all against mdb-export. The two print values differently, so they
// are compared as values: numbers as numbers, dates as dates, texts as
// UTF-8. Known mdbtools habits are allowed for: binary values cut at the
// first zero byte, GUIDs without the fourth hyphen, empty texts printed as
// NULL, dates before 1900 printed as 1900-01-00, texts cut at the character
// U+0000, and a "?" for each half of a character beyond U+FFFF (a table
// whose name holds one cannot be asked for by name).
const char kMdbExport[] = "/usr/bin/mdb-export";
const char kMdbTables[] = "/usr/bin/mdb-tables";
const char kMdbNull[] = "\x01NULL\x01";
constexpr size_t kMdbtoolsMemoLimit = 199999;

// Our text as mdbtools prints it: "??" for each four-byte character, "?"
// for a byte its code page leaves undefined (which we show as U+FFFD).
std::string AsMdbtoolsText(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (static_cast<unsigned char>(utf8[i]) >= 0xF0 && i + 3 < utf8.size()) {
      out += "??";
      i += 3;
    } else if (utf8.compare(i, 3, "\xEF\xBF\xBD") == 0) {
      out += "?";
      i += 2;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

bool SameNumber(const std::string& ours, const std::string& theirs, double tolerance) {
  char* endOurs = nullptr;
  char* endTheirs = nullptr;
  double a = std::strtod(ours.c_str(), &endOurs), b = std::strtod(theirs.c_str(), &endTheirs);
  if (ours.empty() || theirs.empty() || *endOurs || *endTheirs) return false;
  return a == b || std::fabs(a - b) <= tolerance * std::max(1.0, std::fabs(b));
}

// Ours "MM/DD/YYYY HH:MM:SS" (midnight may be hour 24 of the day before);
// theirs "YYYY-MM-DD HH:MM:SS".
bool SameDate(const std::string& ours, const std::string& theirs) {
  if (theirs.rfind("1900-01-00", 0) == 0) return true;
  int y, mo, d, h, mi, s, oy, omo, od, oh, omi, os;
  if (std::sscanf(theirs.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return false;
  if (std::sscanf(ours.c_str(), "%d/%d/%d %d:%d:%d", &omo, &od, &oy, &oh, &omi, &os) != 6) return false;
  // mdbtools and we may round the time of day apart by a second.
  int seconds = h * 3600 + mi * 60 + s, ourSeconds = oh * 3600 + omi * 60 + os;
  return omo == mo && od == d && oy == y && std::abs(seconds - ourSeconds) <= 1;
}

// Texts holding the character U+0000: mdbtools ends them there, we go on.
bool CutAtNulCharacter(const std::string& file, const std::string& table) {
  return std::filesystem::path(file).filename() == "testIndexCodes.mdb" && (table == "Table1" || table == "Table1_desc");
}

bool SameValue(const std::string& type, const std::string& ours, const std::string& theirs, bool cutAtNul) {
  // mdbtools cuts a binary value at its first zero byte; nothing left shows as null.
  if (theirs == kMdbNull)
    return ours.empty() || (type == "BIT" && ours == "0") || (type == "BINARY" && ours.front() == '\0');
  if (type == "TEXT" || type == "MEMO") {
    if (theirs.empty()) return ours.empty();
    std::string printed = AsMdbtoolsText(ours);
    if (theirs.size() == kMdbtoolsMemoLimit && printed.starts_with(theirs)) return true;
    return printed == theirs || (cutAtNul && printed.substr(0, printed.find('\0')) == theirs);
  }
  // mdbtools prints a complex column's id; its values are compared with
  // mdb-reader's apart.
  if (type == "COMPLEX" || type == "ATTACHMENT") return true;
  if (type == "SINGLE") return SameNumber(ours, theirs, 1e-6);
  if (type == "DOUBLE") return SameNumber(ours, theirs, 1e-12);
  if (type == "NUMERIC") return ours == theirs;
  if (type == "BIT" || type == "BYTE" || type == "INT" || type == "LONG" || type == "COUNTER" || type == "CURRENCY")
    return SameNumber(ours, theirs, 0);
  if (type == "DATE") return SameDate(ours, theirs);
  if (type == "GUID") {
    std::string a = ours, b = theirs;
    std::erase(a, '-');
    std::erase(b, '-');
    return a == b;
  }
  // Ours shows each byte as a character; theirs are the raw bytes.
  if (type == "BINARY") return ours.substr(0, ours.find('\0')) == Latin1(theirs);
  // mdbtools prints the object's raw bytes, cut at the first zero byte.
  if (type == "OLEOBJECT") return !ours.empty() ? std::filesystem::exists(ours) : theirs.empty();
  return ours == theirs;
}

std::string Output(const std::vector<std::string>& argv) { return testenv::RunCommand(argv).out; }

// Column types by table and column name, from the analysis listing.
std::map<std::string, std::map<std::string, std::string>> ColumnTypes(const std::string& file) {
  std::map<std::string, std::map<std::string, std::string>> types;
  std::istringstream listing(Output({BREVANTIS_CLI, "analyze", file}));
  std::string line, table;
  while (std::getline(listing, line)) {
    if (line.rfind("  ", 0) != 0) {
      table = line;
      continue;
    }
    size_t open = line.rfind(" [");
    if (open == std::string::npos) continue;
    std::string type = line.substr(open + 2, line.size() - open - 3);
    types[table][line.substr(2, open - 2)] = type.substr(0, type.find('('));
  }
  return types;
}

// Columns left out of a comparison: by table, column and our type name.
using SkippedColumn = std::function<bool(const std::string&, const std::string&, const std::string&)>;

void ExpectSameAsMdbExport(const std::string& file, const SkippedColumn& skipped = nullptr) {
  auto types = ColumnTypes(file);
  std::istringstream tableNames(Output({kMdbTables, "-1", file}));
  std::string table;
  while (std::getline(tableNames, table)) {
    if (table.empty() || (table.find("??") != std::string::npos && !types.count(table))) continue;
    // System tables the catalog flags but mdbtools lists by name.
    if (table.rfind("MSys", 0) == 0 && !types.count(table)) continue;
    SCOPED_TRACE(table);
    Csv theirs = ParseCsv(Output({kMdbExport, "-0", kMdbNull, "-b", "raw", "-T", "%Y-%m-%d %H:%M:%S", file, table}));
    Csv ours = ParseCsv(Output({BREVANTIS_CLI, "rows", file, table, "--all"}));
    ASSERT_FALSE(theirs.empty());
    ASSERT_FALSE(ours.empty()) << "no output";
    ASSERT_EQ(ours.size(), theirs.size()) << "row count";
    // Columns by name, or by place where our name has its control
    // characters replaced: both headers list the columns in column order.
    ASSERT_EQ(ours[0].size(), theirs[0].size()) << "columns";
    std::vector<size_t> at;
    for (size_t c = 0; c < theirs[0].size(); ++c) {
      auto found = std::find(ours[0].begin(), ours[0].end(), theirs[0][c]);
      at.push_back(found != ours[0].end() ? static_cast<size_t>(found - ours[0].begin()) : c);
    }
    const auto& columnTypes = types[table];
    bool cutAtNul = CutAtNulCharacter(file, table);
    auto matches = [&](const Row& our, const Row& their) {
      for (size_t c = 0; c < their.size(); ++c) {
        auto type = columnTypes.find(ours[0][at[c]]);
        if (type != columnTypes.end() && skipped && skipped(table, type->first, type->second)) continue;
        if (at[c] >= our.size() || type == columnTypes.end() || !SameValue(type->second, our[at[c]], their[c], cutAtNul))
          return false;
      }
      return true;
    };
    // Rows in the same order; where not, as a multiset (mdbtools follows
    // the usage map, we the page order).
    std::vector<bool> used(ours.size(), false);
    for (size_t r = 1; r < theirs.size(); ++r) {
      if (!used[r] && matches(ours[r], theirs[r])) {
        used[r] = true;
        continue;
      }
      bool found = false;
      for (size_t o = 1; o < ours.size() && !found; ++o)
        if (!used[o] && matches(ours[o], theirs[r])) used[o] = found = true;
      if (!found) ADD_FAILURE() << "mdb-export row " << r << " has no match: " << ::testing::PrintToString(theirs[r]);
    }
  }
}

bool HaveMdbtools() { return std::filesystem::exists(kMdbExport) && std::filesystem::exists(kMdbTables); }

class RowsMdbtoolsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RowsMdbtoolsTest, EveryTableMatchesMdbExport) {
  if (!HaveMdbtools()) GTEST_SKIP() << "mdbtools is not installed";
  ExpectSameAsMdbExport(GetParam());
}

// Names and values in many scripts, memos whose pages cut characters apart;
// and an Access 97 file: code-page text, rows whose offsets pass 256 bytes.
class RowsPresetTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RowsPresetTest, EveryTableMatchesMdbExport) {
  if (!HaveMdbtools()) GTEST_SKIP() << "mdbtools is not installed";
  testenv::ScratchDir dir;
  std::string path = dir.File("preset.mdb");
  ASSERT_TRUE(testdb::WritePreset(GetParam(), {}, path).ok);
  ExpectSameAsMdbExport(path);
}

// Every text as the builder stored it, tables mdbtools cannot name included;
// rows as a multiset, since moved rows come where their pages are.
TEST_P(RowsPresetTest, TextsComeBackAsStored) {
  testenv::ScratchDir dir;
  std::string path = dir.File("preset.mdb");
  ASSERT_TRUE(testdb::WritePreset(GetParam(), {}, path).ok);
  testdb::DatabaseBuilder builder;
  ASSERT_TRUE(testdb::DescribePreset(GetParam(), {}, builder));
  for (const auto& table : builder.tables()) {
    SCOPED_TRACE(table->name);
    testenv::CommandResult result = Rows(path, table->name);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    Csv rows = ParseCsv(result.out);
    ASSERT_FALSE(rows.empty());
    for (size_t c = 0; c < table->columns.size(); ++c) EXPECT_EQ(rows[0].at(c), table->columns[c].name);
    std::vector<size_t> texts;
    for (size_t c = 0; c < table->columns.size(); ++c)
      if (table->columns[c].type == testdb::ColumnType::Text || table->columns[c].type == testdb::ColumnType::Memo)
        texts.push_back(c);
    std::multiset<Row> expected, read;
    for (const testdb::Row& row : table->rows) {
      if (row.state == testdb::RowState::Deleted) continue;
      Row cells;
      for (size_t c : texts) {
        const auto* text = c < row.values.size() ? std::get_if<testdb::Text>(&row.values[c].kind()) : nullptr;
        cells.push_back(text ? text->utf8 : "");
      }
      expected.insert(cells);
    }
    for (size_t r = 1; r < rows.size(); ++r) {
      Row cells;
      for (size_t c : texts) cells.push_back(rows[r].at(c));
      read.insert(cells);
    }
    EXPECT_TRUE(read == expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Presets, RowsPresetTest, ::testing::Values("unicode", "access97"), [](const auto& info) {
  return std::string(info.param) == "unicode" ? "Unicode" : "Access97";
});

// Access 97 files among them, and db-enc.mdb and db97-enc.mdb, whose pages
// are RC4-encoded.
INSTANTIATE_TEST_SUITE_P(Corpus, RowsMdbtoolsTest, ::testing::ValuesIn(testenv::CorpusMdbFiles()), [](const auto& info) {
  std::string name = std::filesystem::path(info.param).stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RowsMdbtoolsTest);

// ---- The .accdb files of the corpus ---------------------------------------

// The calculated columns of each table, as the analysis reads them.
std::map<std::string, std::set<std::string>> CalculatedColumns(const std::string& file) {
  std::map<std::string, std::set<std::string>> calculated;
  ProgressChannel progress;
  SilentAnalysisView view;
  AnalysisWatcher watcher(progress, view);
  watcher.AnswerInline();
  platform::StderrDialogs dialogs;
  MdbFile db;
  if (!Analyze(db, file, progress, dialogs)) return calculated;
  for (const auto& table : db.tables)
    for (const ColumnDef& column : table->columns)
      if (column.calculated) calculated[table->name].insert(column.name);
  return calculated;
}

std::string MdbReaderPrefix() {
  const char* env = std::getenv("BREVANTIS_MDB_READER");
  return env && *env ? env : "/tmp/mdbr";
}

bool HaveMdbReader() {
  return std::filesystem::exists(MdbReaderPrefix() + "/node_modules/mdb-reader/package.json") &&
         std::filesystem::exists("/usr/bin/node");
}

// mdb-reader's extended date "YYYY.MM.DD HH:MM:SS.fffffffff" as ours,
// "MM/DD/YYYY HH:MM:SS.fffffff" (the stored text has 7 places).
std::string AsOurExtendedDate(const std::string& theirs) {
  if (theirs.size() != 29 || theirs.compare(27, 2, "00") != 0) return "?" + theirs;
  return theirs.substr(5, 2) + "/" + theirs.substr(8, 2) + "/" + theirs.substr(0, 4) + theirs.substr(10, 17);
}

// Values by type that mdbtools cannot print (large numbers, extended
// dates) and decimals, compared with mdb-reader's; calculated columns,
// which neither reader unwraps, left out. The count of values compared.
int64_t ExpectSameAsMdbReader(const std::string& file, const std::map<std::string, std::set<std::string>>& calculated) {
  auto types = ColumnTypes(file);
  const std::string script = std::string(BREVANTIS_TESTS_DIR) + "/cli/mdb_reader_rows.mjs";
  int64_t compared = 0;
  for (const auto& [table, columnTypes] : types) {
    std::vector<std::string> columns;
    for (const auto& [column, type] : columnTypes)
      if ((type == "BIGINT" || type == "DATETIME2" || type == "NUMERIC") &&
          !(calculated.count(table) && calculated.at(table).count(column)))
        columns.push_back(column);
    if (columns.empty()) continue;
    SCOPED_TRACE(table);
    testenv::CommandResult read = testenv::RunCommand({"/usr/bin/node", script, MdbReaderPrefix(), file, table});
    Csv theirs = ParseCsv(read.out);
    Csv ours = ParseCsv(Output({BREVANTIS_CLI, "rows", file, table, "--all"}));
    if (read.exitCode != 0 || ours.size() != theirs.size() || ours.empty()) {
      ADD_FAILURE() << "mdb-reader: exit " << read.exitCode << ", " << theirs.size() << " lines against our "
                    << ours.size() << ": " << read.err;
      continue;
    }
    auto project = [&](const Csv& rows, bool mdbReader) {
      std::vector<Row> projected;
      for (size_t r = 1; r < rows.size(); ++r) {
        Row row;
        for (const std::string& column : columns) {
          size_t c = static_cast<size_t>(std::find(rows[0].begin(), rows[0].end(), column) - rows[0].begin());
          std::string value = c < rows[r].size() ? rows[r][c] : "?";
          if (mdbReader && value == "<null>") value.clear();
          else if (mdbReader && columnTypes.at(column) == "DATETIME2") value = AsOurExtendedDate(value);
          row.push_back(value);
        }
        projected.push_back(row);
      }
      std::sort(projected.begin(), projected.end());
      return projected;
    };
    EXPECT_EQ(project(ours, false), project(theirs, true)) << ::testing::PrintToString(columns);
    compared += static_cast<int64_t>(columns.size() * (ours.size() - 1));
  }
  return compared;
}

class RowsAceCorpusTest : public ::testing::TestWithParam<std::string> {};

// Every table mdb-export lists, against mdb-export where it prints the
// type and against mdb-reader where it does not.
TEST_P(RowsAceCorpusTest, EveryTableMatchesTheOtherReaders) {
  if (!HaveMdbtools()) GTEST_SKIP() << "mdbtools is not installed";
  const std::string& file = GetParam();
  // Encrypted files need their passwords.
  if (Rows(file, "?").exitCode == 2) GTEST_SKIP() << "the file is refused";
  auto calculated = CalculatedColumns(file);
  ExpectSameAsMdbExport(file, [&](const std::string& table, const std::string& column, const std::string& type) {
    return type == "BIGINT" || type == "DATETIME2" || type.rfind("UNKNOWN-DATATYPE", 0) == 0 ||
           (calculated.count(table) && calculated.at(table).count(column));
  });
  if (!HaveMdbReader()) GTEST_SKIP() << "mdb-reader is not installed";
  int64_t compared = ExpectSameAsMdbReader(file, calculated);
  std::cout << std::filesystem::path(file).filename().string() << ": " << compared
            << " decimal, large-number and extended-date values compared with mdb-reader\n";
}

INSTANTIATE_TEST_SUITE_P(Corpus, RowsAceCorpusTest, ::testing::ValuesIn(testenv::CorpusAceFiles()), [](const auto& info) {
  std::string name = std::filesystem::path(info.param).stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RowsAceCorpusTest);

// Each calculated column of the corpus's file holds what its expression
// gives from the row's other columns.
TEST(RowsAceCorpusTest, CalculatedColumnsHoldWhatTheirExpressionsGive) {
  const std::string file = testenv::CorpusDir() + "/calcFieldTestV2010.accdb";
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
  Csv rows = DataRows(file, "Table1");
  ASSERT_EQ(rows.size(), 4u);
  auto number = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
  for (const Row& row : rows) {
    SCOPED_TRACE(row[0]);
    ASSERT_EQ(row.size(), 17u);
    const std::string& lastFirst = row[3];
    const double salary = number(row[6]), decimal = number(row[14]), monthly = number(row[7]);
    EXPECT_EQ(lastFirst, row[2] + ", " + row[1]);
    EXPECT_EQ(row[5], std::to_string(lastFirst.size()));
    EXPECT_EQ(row[9], lastFirst + "=" + lastFirst);
    EXPECT_NEAR(monthly, salary / 12, 0.00005);
    EXPECT_EQ(row[8], salary > 100000 ? "1" : "0");
    EXPECT_NEAR(number(row[10]), salary / 52, 1e-10);
    EXPECT_EQ(row[11], row[6]);
    EXPECT_EQ(row[12], "1");
    EXPECT_EQ(row[14], row[13]);
    EXPECT_NEAR(number(row[15]), salary * 0.13 / decimal, std::fabs(salary * 0.13 / decimal) * 1e-6);
    double big = salary * monthly / decimal * 34.12342134;
    EXPECT_NEAR(number(row[16]), big, std::fabs(big) * 1e-9);
  }
  EXPECT_EQ(rows[0][10], "19230.7692307692");
}

TEST(RowsMdbtoolsCorpusTest, CorpusIsThere) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
  EXPECT_FALSE(testenv::CorpusJet4Files().empty());
  EXPECT_FALSE(testenv::CorpusJet3Files().empty());
}

}  // namespace
