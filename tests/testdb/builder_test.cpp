// What the builder writes: the page words the project's reader checks, page
// ownership, determinism, long definitions, big tables, row states, column
// numbering, objects that are not tables, and refusals of bad descriptions.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"
#include "tests/testdb/reader_oracles.h"

namespace {

using oracle::Reader;
using testdb::ColumnType;
constexpr size_t kPage = 4096;

struct FileBytes {
  std::string bytes;
  explicit FileBytes(const std::string& path) : bytes(testenv::ReadFile(path)) {}
  size_t pages() const { return bytes.size() / kPage; }
  uint8_t U8(uint32_t page, size_t at) const { return static_cast<uint8_t>(bytes.at(page * kPage + at)); }
  uint16_t U16(uint32_t page, size_t at) const { return static_cast<uint16_t>(U8(page, at) | U8(page, at + 1) << 8); }
  uint32_t U32(uint32_t page, size_t at) const { return U16(page, at) | static_cast<uint32_t>(U16(page, at + 2)) << 16; }
};

void ExpectReadersAgree(const std::string& path, const testdb::Table& table) {
  for (Reader reader : {Reader::Mdbtools, Reader::MdbReader}) {
    if (!oracle::Unavailable(reader).empty()) continue;
    oracle::ReadDatabase read = oracle::Read(reader, path, {&table});
    ASSERT_TRUE(read.ok) << oracle::ReaderName(reader) << ": " << read.error;
    const oracle::ReadTable* t = read.Find(table.name);
    ASSERT_NE(t, nullptr) << oracle::ReaderName(reader);
    EXPECT_EQ(oracle::Sorted(t->rows), oracle::ExpectedRows(reader, table, t->columns)) << oracle::ReaderName(reader);
  }
}

void SkipWithoutReaders() {
  if (!oracle::Unavailable(Reader::Mdbtools).empty() && !oracle::Unavailable(Reader::MdbReader).empty())
    GTEST_SKIP() << oracle::Unavailable(Reader::Mdbtools) << "; " << oracle::Unavailable(Reader::MdbReader);
}

TEST(BuilderFormat, PagesOneToFiveCarryTheSignatureWords) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder empty;
  std::vector<std::string> files = {dir.File("empty.mdb")};
  ASSERT_TRUE(empty.Write(files[0]).ok);
  for (const char* preset : {"sample", "all-types", "many-tables"}) {
    files.push_back(dir.File(std::string(preset) + ".mdb"));
    ASSERT_TRUE(testdb::WritePreset(preset, {}, files.back()).ok) << preset;
  }
  const uint16_t secondWords[] = {0, 0, 0x0BDE, 0x0EA9, 0x0DEB, 0x0CCB};
  for (const std::string& file : files) {
    FileBytes f(file);
    ASSERT_GE(f.pages(), 6u) << file;
    EXPECT_EQ(f.U8(0, 0x14), 1) << file;  // Jet 4
    EXPECT_EQ(f.U16(1, 0), 0x0101) << file;
    for (uint32_t page = 2; page <= 5; ++page) {
      EXPECT_EQ(f.U16(page, 0), 0x0102) << file << " page " << page;
      EXPECT_EQ(f.U16(page, 2), secondWords[page]) << file << " page " << page;
    }
    EXPECT_EQ(f.bytes.size() % kPage, 0u) << file;
  }
}

TEST(BuilderFormat, EveryPageOfATableNamesItsDefinitionAndLongValuePagesAreMarked) {
  testenv::ScratchDir dir;
  std::string path = dir.File("sample.mdb");
  testdb::Layout layout = testdb::WritePreset("sample", {}, path);
  ASSERT_TRUE(layout.ok) << layout.error;
  FileBytes f(path);
  std::set<uint32_t> longValuePages;
  for (const testdb::TableLayout& t : layout.tables) {
    uint32_t definition = t.definitionPages[0];
    EXPECT_EQ(f.U8(definition, 0), 2) << t.name;
    EXPECT_EQ(f.U8(definition, 40), 0x4E) << t.name;
    std::vector<uint32_t> owned;
    for (uint32_t p = 0; p < f.pages(); ++p)
      if (f.U8(p, 0) == 1 && f.U32(p, 4) == definition) owned.push_back(p);
    EXPECT_EQ(owned, t.dataPages) << t.name;
    EXPECT_EQ(f.U32(definition, 16), t.liveRows) << t.name;
    longValuePages.insert(t.longValuePages.begin(), t.longValuePages.end());
  }
  std::set<uint32_t> marked;
  for (uint32_t p = 0; p < f.pages(); ++p)
    if (f.U8(p, 0) == 1 && f.U32(p, 4) == 0x4C41564C) marked.insert(p);
  EXPECT_EQ(marked, longValuePages);
  EXPECT_FALSE(longValuePages.empty());
  for (uint32_t p : layout.catalogDataPages) EXPECT_EQ(f.U32(p, 4), 2u);
}

TEST(BuilderFormat, SameDescriptionAndSeedGiveTheSameBytes) {
  testenv::ScratchDir dir;
  struct Case {
    const char* preset;
    uint64_t seed;
  };
  std::vector<std::string> contents;
  for (Case c : {Case{"sample", 7}, Case{"sample", 7}, Case{"sample", 8}, Case{"large", 7}, Case{"large", 7}}) {
    testdb::PresetOptions options;
    options.seed = c.seed;
    options.rows = 3000;
    std::string path = dir.File("db.mdb");
    ASSERT_TRUE(testdb::WritePreset(c.preset, options, path).ok);
    contents.push_back(testenv::ReadFile(path));
  }
  EXPECT_EQ(contents[0], contents[1]);
  EXPECT_NE(contents[0], contents[2]);
  EXPECT_EQ(contents[3], contents[4]);
}

TEST(BuilderFormat, LongDefinitionContinuesOnChainedFullPages) {
  SkipWithoutReaders();
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  std::vector<testdb::Column> columns;
  const ColumnType types[] = {ColumnType::Long, ColumnType::Text, ColumnType::Double, ColumnType::Memo};
  for (int i = 0; i < 200; ++i)
    columns.push_back({"A rather long column name number " + std::to_string(i), types[i % 4], 20});
  testdb::Table& t = db.AddTable("Wide", columns);
  for (int r = 0; r < 3; ++r) {
    testdb::Row row;
    for (int i = 0; i < 200; ++i) {
      if (types[i % 4] == ColumnType::Long) row.values.push_back(r * 1000 + i);
      else if (types[i % 4] == ColumnType::Double) row.values.push_back(r + i / 8.0);
      else row.values.push_back(std::to_string(r) + ":" + std::to_string(i));
    }
    t.rows.push_back(row);
  }
  std::string path = dir.File("wide.mdb");
  testdb::Layout layout = db.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;
  const std::vector<uint32_t>& pages = layout.tables[0].definitionPages;
  ASSERT_GE(pages.size(), 3u);
  FileBytes f(path);
  for (size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(f.U16(pages[i], 0), 0x0102);
    EXPECT_EQ(f.U32(pages[i], 4), i + 1 < pages.size() ? pages[i + 1] : 0u);
    if (i + 1 < pages.size()) {
      EXPECT_EQ(f.U16(pages[i], 2), 0) << "full page " << i;
    }
  }
  ExpectReadersAgree(path, t);
}

TEST(BuilderFormat, UsedMapTakesTheReferenceFormOnlyWhenPagesSpreadPast512) {
  testenv::ScratchDir dir;
  for (uint64_t rows : {100u, 20000u}) {
    testdb::PresetOptions options;
    options.rows = rows;
    std::string path = dir.File("large.mdb");
    testdb::Layout layout = testdb::WritePreset("large", options, path);
    ASSERT_TRUE(layout.ok);
    const testdb::TableLayout& t = layout.tables[0];
    bool spread = t.dataPages.back() - t.dataPages.front() >= 512;
    EXPECT_EQ(spread, rows == 20000u);
    FileBytes f(path);
    size_t slot = f.U16(t.usedMap.page, 14 + 2 * t.usedMap.row) & 0x1FFF;
    EXPECT_EQ(f.U8(t.usedMap.page, slot), spread ? 1 : 0) << rows << " rows";
  }
}

// Deleted rows stay on the page but are not read; a moved row is read once,
// from the page it moved to; rows may leave columns out at the end.
TEST(BuilderRows, DeletedAndMovedRowsReadAsAccessWroteThem) {
  SkipWithoutReaders();
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  testdb::Table& t = db.AddTable("States", {{"Id", ColumnType::Long}, {"Name", ColumnType::Text, 30}, {"Flag", ColumnType::Bit}});
  t.rowsPerPage = 4;
  for (int i = 0; i < 14; ++i) {
    testdb::Row row{{i, "row " + std::to_string(i), i % 2 == 0}};
    if (i == 0 || (i >= 4 && i <= 7)) row.state = testdb::RowState::Deleted;  // slot 0; a page of only deleted rows
    if (i == 2 || i == 11) row.state = testdb::RowState::Moved;
    t.rows.push_back(row);
  }
  t.rows.push_back({{99}});
  std::string path = dir.File("states.mdb");
  testdb::Layout layout = db.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;
  EXPECT_EQ(layout.tables[0].liveRows, 10u);
  ExpectReadersAgree(path, t);
}

TEST(BuilderRows, ColumnsGoByNumberWhateverTheRecordOrderAndGaps) {
  SkipWithoutReaders();
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  // Records reversed, numbers with gaps where columns were deleted.
  testdb::Table& t = db.AddTable("Gaps", {{"Last", ColumnType::Text, 10, 18, 0, 9},
                                          {"Amount", ColumnType::Currency, 0, 18, 0, 5},
                                          {"Note", ColumnType::Memo, 0, 18, 0, 3},
                                          {"First", ColumnType::Long, 0, 18, 0, 1}});
  t.rows = {{{"z", testdb::Currency{12345}, "memo", 1}}, {{testdb::Null{}, testdb::Null{}, testdb::Null{}, 2}}};
  std::string path = dir.File("gaps.mdb");
  ASSERT_TRUE(db.Write(path).ok);
  for (Reader reader : {Reader::Mdbtools, Reader::MdbReader}) {
    if (!oracle::Unavailable(reader).empty()) continue;
    oracle::ReadDatabase read = oracle::Read(reader, path, {&t});
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.data[0].columns, (std::vector<std::string>{"First", "Note", "Amount", "Last"}));
  }
  ExpectReadersAgree(path, t);
}

TEST(BuilderObjects, QueriesLinksAndSystemFlaggedTablesAreNotListedAsTables) {
  SkipWithoutReaders();
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  db.AddTable("Visible", {{"Id", ColumnType::Long}}).rows = {{{1}}};
  db.AddTable("Hidden", {{"Id", ColumnType::Long}}).catalogFlags = 0x8;
  db.AddTable("AccessSystem", {{"Id", ColumnType::Long}}).catalogFlags = 0x2;
  db.AddQuery({"Visible Query", "Visible"});
  db.AddLinkedTable({"Linked", "/data/other.mdb", "Remote"});
  std::string path = dir.File("objects.mdb");
  ASSERT_TRUE(db.Write(path).ok);
  for (Reader reader : {Reader::Mdbtools, Reader::MdbReader}) {
    if (!oracle::Unavailable(reader).empty()) continue;
    oracle::ReadDatabase read = oracle::Read(reader, path);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.tables, (std::vector<std::string>{"Visible", "Hidden"})) << oracle::ReaderName(reader);
  }
  if (std::filesystem::exists("/usr/bin/mdb-queries")) {
    testenv::CommandResult queries = testenv::RunCommand({"/usr/bin/mdb-queries", "-L", path});
    EXPECT_NE(queries.out.find("Visible Query"), std::string::npos) << queries.out << queries.err;
    testenv::CommandResult sql = testenv::RunCommand({"/usr/bin/mdb-queries", path, "Visible Query"});
    EXPECT_NE(sql.out.find("FROM [Visible]"), std::string::npos) << sql.out << sql.err;
  }
}

TEST(BuilderRows, RawRowBytesAreStoredAsGiven) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  testdb::Table& t = db.AddTable("Raw", {{"Id", ColumnType::Long}});
  const std::vector<uint8_t> raw = {0x00, 0x00, 0xFF, 0xEE, 0xDD};  // column count 0
  t.rows = {{{1}}, {{}, testdb::RowState::Normal, raw}};
  std::string path = dir.File("raw.mdb");
  testdb::Layout layout = db.Write(path);
  ASSERT_TRUE(layout.ok);
  FileBytes f(path);
  uint32_t page = layout.tables[0].dataPages[0];
  size_t start = f.U16(page, 16) & 0x1FFF, end = f.U16(page, 14) & 0x1FFF;
  EXPECT_EQ(f.bytes.substr(page * kPage + start, end - start), std::string(raw.begin(), raw.end()));
  EXPECT_EQ(layout.tables[0].liveRows, 2u);
}

// An encoded database: the other readers decode its pages by the header's
// key and find the same rows.
TEST(BuilderFormat, EncodedFilesReadInTheOtherReaders) {
  SkipWithoutReaders();
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  db.SetDatabaseKey(0x5EC0DE42);
  testdb::Table& t = db.AddTable("Secret", {{"Id", ColumnType::Long}, {"Word", ColumnType::Text, 20},
                                            {"Notes", ColumnType::Memo}});
  for (int i = 0; i < 300; ++i) t.rows.push_back({{i, "word " + std::to_string(i), std::string(i * 20, 'n')}});
  std::string path = dir.File("encoded.mdb");
  ASSERT_TRUE(db.Write(path).ok);
  EXPECT_NE(FileBytes(path).U16(2, 0), 0x0102);  // page 2 is not plain
  ExpectReadersAgree(path, t);
}

// Encrypted databases of the two schemes mdb-reader decrypts: it opens them
// with their password and finds the same rows.
TEST(BuilderFormat, EncryptedFilesReadInMdbReaderWithTheirPassword) {
  if (std::string why = oracle::Unavailable(Reader::MdbReader); !why.empty()) GTEST_SKIP() << why;
  testenv::ScratchDir dir;
  for (OfficeScheme scheme : {OfficeScheme::Agile, OfficeScheme::Rc4CryptoApi}) {
    testdb::DatabaseBuilder db;
    testdb::Table& t = db.AddTable("Secret", {{"Id", ColumnType::Long}, {"Notes", ColumnType::Memo}});
    for (int i = 0; i < 100; ++i) t.rows.push_back({{i, std::string(i * 50, static_cast<char>('a' + i % 26))}});
    testdb::OfficeEncryption encryption;
    encryption.scheme = scheme;
    encryption.keyBits = scheme == OfficeScheme::Agile ? 256 : 128;
    encryption.password = "Schlüssel";
    db.SetOfficeEncryption(encryption);
    std::string path = dir.File("encrypted.accdb");
    ASSERT_TRUE(db.Write(path).ok);
    oracle::ReadDatabase read = oracle::Read(Reader::MdbReader, path, {&t}, encryption.password);
    ASSERT_TRUE(read.ok) << read.error;
    const oracle::ReadTable* secret = read.Find("Secret");
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(oracle::Sorted(secret->rows), oracle::ExpectedRows(Reader::MdbReader, t, secret->columns));
  }
}

// The documented layouts of fixed values, byte for byte: readers decode
// them, but the expectations of the reader checks are built the same way as
// the values, so a layout fault could cancel out there.
TEST(BuilderRows, FixedValuesHaveTheDocumentedBytes) {
  struct Case {
    testdb::Column column;
    testdb::Value value;
    std::string hex;
  };
  const Case cases[] = {
      {{"G", ColumnType::Guid}, testdb::Guid::FromText("{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}"),
       "3A3096BCB8534D47ACC1D2EB8D0B09D5"},
      {{"G", ColumnType::Guid}, "bc96303a-53b8-474d-acc1-d2eb8d0b09d5", "3A3096BCB8534D47ACC1D2EB8D0B09D5"},
      {{"N", ColumnType::Numeric, 0, 20, 10}, testdb::Numeric::FromDecimal("-8540982423.4530000000", 10),
       "8000000000040000009EA64CA180CCB5E3"},
      {{"N", ColumnType::Numeric, 0, 18, 2}, 5, "00000000000000000000000000F4010000"},
      {{"C", ColumnType::Currency}, testdb::Currency{-12345678}, "B29E43FFFFFFFFFF"},
      {{"C", ColumnType::Currency}, 2, "204E000000000000"},
      {{"D", ColumnType::Date}, testdb::Date{-1.25}, "000000000000F4BF"},
      {{"S", ColumnType::Single}, 1.5, "0000C03F"},
      {{"I", ColumnType::Int}, -2, "FEFF"},
      {{"B", ColumnType::Byte}, 200, "C8"},
  };
  testenv::ScratchDir dir;
  for (const Case& c : cases) {
    testdb::DatabaseBuilder db;
    db.AddTable("T", {c.column}).rows = {{{c.value}}};
    std::string path = dir.File("value.mdb");
    testdb::Layout layout = db.Write(path);
    ASSERT_TRUE(layout.ok) << layout.error;
    FileBytes f(path);
    uint32_t page = layout.tables[0].dataPages[0];
    size_t row = f.U16(page, 14) & 0x1FFF;
    std::string stored;
    for (size_t i = 0; i < c.hex.size() / 2; ++i) {
      char buf[3];
      std::snprintf(buf, sizeof buf, "%02X", f.U8(page, row + 2 + i));
      stored += buf;
    }
    EXPECT_EQ(stored, c.hex) << c.column.name;
  }
}

TEST(BuilderRefusals, BadDescriptionsFailWithAReason) {
  testenv::ScratchDir dir;
  struct Case {
    const char* what;
    std::vector<testdb::Column> columns;
    testdb::Value value;
    const char* path;
    const char* reason;
  };
  const Case cases[] = {
      {"text in a LONG column", {{"Id", ColumnType::Long}}, "x", "a.mdb", "Id"},
      {"duplicate column number", {{"A", ColumnType::Long, 0, 18, 0, 1}, {"B", ColumnType::Long, 0, 18, 0, 1}}, 1, "b.mdb", "B"},
      {"row longer than a page", {{"Big", ColumnType::Memo}}, testdb::Text{std::string(5000, 'x'), testdb::TextEncoding::Auto, testdb::LongStorage::Inline}, "c.mdb", "fit"},
      {"single long value over a page", {{"Big", ColumnType::Ole}}, testdb::Bytes{std::vector<uint8_t>(5000, 1), testdb::LongStorage::Single}, "d.mdb", "fit"},
      {"uncompressible text forced compressed", {{"T", ColumnType::Text}}, testdb::Text{"\xC4\x80", testdb::TextEncoding::Compressed}, "e.mdb", "T"},
      {"unwritable path", {{"Id", ColumnType::Long}}, 1, "missing/f.mdb", "missing"},
  };
  for (const Case& c : cases) {
    testdb::DatabaseBuilder db;
    db.AddTable("T", c.columns).rows = {{{c.value}}};
    testdb::Layout layout = db.Write(dir.File(c.path));
    EXPECT_FALSE(layout.ok) << c.what;
    EXPECT_NE(layout.error.find(c.reason), std::string::npos) << c.what << ": " << layout.error;
  }
}

}  // namespace
