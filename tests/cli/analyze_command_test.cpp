// brevantis-cli analyze: the tables and columns on stdout, the status
// messages on stderr, and the exit code, for built, damaged, refused and
// real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"

namespace {

testenv::CommandResult Analyze(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BREVANTIS_CLI, "analyze"};
  argv.insert(argv.end(), args.begin(), args.end());
  return testenv::RunCommand(argv);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A table as listed: its name and its column lines without the indent.
struct Listed {
  std::string name;
  std::vector<std::string> columns;
  std::string deletedRows{};  // the line after the columns, when there is one
  std::string rowsFound{};    // "(N of M rows readable)" for a table short of rows
  bool operator<(const Listed& o) const { return std::tie(name, columns) < std::tie(o.name, o.columns); }
};

std::vector<Listed> Listing(const std::string& out) {
  std::vector<Listed> tables;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("  (", 0) == 0 && line.ends_with(" deleted rows readable)")) {
      if (tables.empty()) ADD_FAILURE() << "deleted rows before any table: " << line;
      else tables.back().deletedRows = line.substr(2);
    } else if (line.rfind("  (", 0) == 0 && line.ends_with(" rows readable)")) {
      if (tables.empty()) ADD_FAILURE() << "rows before any table: " << line;
      else tables.back().rowsFound = line.substr(2);
    } else if (line.rfind("  ", 0) == 0) {
      if (tables.empty()) ADD_FAILURE() << "column before any table: " << line;
      else tables.back().columns.push_back(line.substr(2));
    } else {
      tables.push_back({line, {}, {}});
    }
  }
  return tables;
}

using T = testdb::ColumnType;

TEST(AnalyzeCommand, ListsTablesAndColumnsAsTheTreeShowsThem) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  testdb::Table& books = db.AddTable("Books", {{"Id", T::Long},
                                              {"Title", T::Text, 50},
                                              {"Born", T::Date},
                                              {"Price", T::Currency},
                                              {"InPrint", T::Bit},
                                              {"Cover", T::Ole},
                                              {"Notes", T::Memo},
                                              {"Key", T::Guid},
                                              {"Amount", T::Numeric, 0, 18, 2},
                                              {"Pages", T::Long}});
  books.rows.push_back({{1, "Dune"}});
  books.rows.push_back({{2, "Emma"}, testdb::RowState::Deleted});
  // Record order, not number order: the tree gets each table before the sort.
  db.AddTable("Shelves", {{"Label", T::Text, 10, 18, 0, 2}, {"Row", T::Int, 0, 18, 0, 1}, {"Small", T::Byte, 0, 18, 0, 0}});
  ASSERT_TRUE(db.Write(dir.File("books.mdb")).ok);

  testenv::CommandResult r = Analyze({dir.File("books.mdb")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "Books\n"
            "  Id [COUNTER]\n"
            "  Title [TEXT(100)]\n"
            "  Born [DATE]\n"
            "  Price [CURRENCY]\n"
            "  InPrint [BIT]\n"
            "  Cover [OLEOBJECT]\n"
            "  Notes [MEMO]\n"
            "  Key [GUID]\n"
            "  Amount [NUMERIC(18,2)]\n"
            "  Pages [LONG]\n"
            "  (1 deleted rows readable)\n"
            "Shelves\n"
            "  Label [TEXT(20)]\n"
            "  Row [INT]\n"
            "  Small [BYTE]\n");
  EXPECT_EQ(r.err,
            "Analyzing started\n"
            "Unnamed tables found = 0\n"
            "Analyzing Completed\n"
            "User tables found = 2\n"
            "Schema read of table : Books\n"
            "Schema read of table : Shelves\n"
            "Recovery Completed\n");
}

TEST(AnalyzeCommand, ListsSystemTablesOnlyWhenAskedAndSoDoRowsAndExport) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  db.AddTable("Visible", {{"Id", T::Long}}).rows.push_back({{1}});
  testdb::Table& flat = db.AddTable("f_0123456789ABCDEF0123456789ABCDEF_Data", {{"Id", T::Long}});
  flat.catalogFlags = 0x800A0000;
  flat.rows.push_back({{7}});
  db.AddTable("HiddenByUser", {{"Id", T::Long}}).catalogFlags = 0x8;
  const std::string path = dir.File("system.mdb");
  ASSERT_TRUE(db.Write(path).ok);

  std::vector<std::string> names;
  for (const Listed& t : Listing(Analyze({path}).out)) names.push_back(t.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Visible", "HiddenByUser"}));
  testenv::CommandResult all = Analyze({path, "--system"});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  names.clear();
  for (const Listed& t : Listing(all.out)) names.push_back(t.name);
  EXPECT_EQ(names, (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "Visible",
                                             flat.name, "HiddenByUser"}));
  EXPECT_NE(all.err.find("User tables found = 2\n"), std::string::npos) << all.err;

  auto rows = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {BREVANTIS_CLI, "rows", path});
    return testenv::RunCommand(args);
  };
  EXPECT_EQ(rows({flat.name}).exitCode, 1);
  testenv::CommandResult shown = rows({flat.name, "--system"});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, "Id\r\n7\r\n");
  testenv::CommandResult catalog = rows({"MSysObjects", "--system"});
  EXPECT_EQ(catalog.exitCode, 0) << catalog.err;
  EXPECT_NE(catalog.out.find("HiddenByUser"), std::string::npos);

  testenv::CommandResult exported = testenv::RunCommand(
      {BREVANTIS_CLI, "export", path, "--to", dir.path(), "--format", "csv", "--table", flat.name});
  EXPECT_EQ(exported.exitCode, 1);
  EXPECT_NE(exported.err.find("no table named " + flat.name), std::string::npos) << exported.err;
}

TEST(AnalyzeCommand, ListsTablesWithoutCatalogRowsAsRecoveredTables) {
  testenv::ScratchDir dir;
  std::string path = dir.File("lost.mdb");
  testdb::Layout layout = testdb::WritePreset("sample", {}, path);
  ASSERT_TRUE(layout.ok) << layout.error;
  testenv::CommandResult before = Analyze({path});
  ASSERT_EQ(before.exitCode, 0);
  ASSERT_GE(layout.tables.size(), 3u);
  ASSERT_TRUE(testdb::LoseCatalogRows(path, layout, {layout.tables[0].name, layout.tables[2].name}));

  testenv::CommandResult after = Analyze({path});
  EXPECT_EQ(after.exitCode, 0);
  std::vector<Listed> was = Listing(before.out), is = Listing(after.out);
  ASSERT_EQ(is.size(), was.size());
  for (size_t i = 0; i < was.size(); ++i) {
    EXPECT_EQ(is[i].columns, was[i].columns);
    if (was[i].name == layout.tables[0].name)
      EXPECT_EQ(is[i].name, "Recovered Table 02");  // the lower definition page
    else if (was[i].name == layout.tables[2].name)
      EXPECT_EQ(is[i].name, "Recovered Table 01");
    else
      EXPECT_EQ(is[i].name, was[i].name);
  }
  EXPECT_NE(after.err.find("Unnamed tables found = 2\n"), std::string::npos) << after.err;
}

// A table of many runs of pages, moved rows and unreadable rows among
// them: the count made a run at a time is the count of the rows its walk
// writes.
TEST(AnalyzeCommand, ALargeTableCountsTheRowsItsWalkGives) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder builder;
  testdb::Table& t = builder.AddTable("T", {{"ID", testdb::ColumnType::Long}, {"Name", testdb::ColumnType::Text, 20}});
  t.rowsPerPage = 1;
  for (int id = 1; id <= 1500; ++id) t.rows.push_back({{id, "n" + std::to_string(id)}});
  for (size_t i : {10u, 700u, 1400u}) t.rows[i].state = testdb::RowState::Moved;
  for (size_t i : {20u, 900u, 1300u}) t.rows[i].overwrite = {9, 0};  // more columns than the table has
  const std::string path = dir.File("large.mdb");
  ASSERT_TRUE(builder.Write(path).ok);

  testenv::CommandResult listed = Analyze({path});
  EXPECT_EQ(listed.out, "T\n  ID [COUNTER]\n  Name [TEXT(40)]\n  (1497 of 1500 rows readable)\n") << listed.err;
  testenv::CommandResult rows = testenv::RunCommand({BREVANTIS_CLI, "rows", path, "T", "--all"});
  EXPECT_EQ(std::count(rows.out.begin(), rows.out.end(), '\n'), 1 + 1497) << rows.err;
}

// Files that are no Access database at all, and one that was but keeps
// nothing readable: the page map of a Jet 4 file, without its header.
TEST(AnalyzeCommand, RefusesFilesWithNothingOfAnAccessDatabase) {
  testenv::ScratchDir dir;
  std::mt19937 random(11);
  std::string noise(40 * 4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  testenv::WriteFile(dir.File("noise.mdb"), noise);
  testenv::WriteFile(dir.File("empty.mdb"), "");
  testenv::WriteFile(dir.File("zeros.mdb"), std::string(3 * 4096, '\0'));
  testenv::WriteFile(dir.File("notes.mdb"), "Minutes of the meeting\nAll present.\n");
  testenv::WriteFile(dir.File("archive.mdb"), std::string("PK\x03\x04\x14\0\0\0\x08\0", 10) + noise.substr(0, 5000));
  std::string pageMap(3 * 4096, '\0');
  pageMap.replace(4096, 8, std::string("\x01\x01\x00\x08\x01\x00\x00\x00", 8));
  testenv::WriteFile(dir.File("pagemap.mdb"), pageMap);
  for (const char* name : {"noise.mdb", "empty.mdb", "zeros.mdb", "notes.mdb", "archive.mdb", "pagemap.mdb"}) {
    testenv::CommandResult r = Analyze({dir.File(name)});
    EXPECT_EQ(r.exitCode, 2) << name;
    EXPECT_EQ(r.err, name == std::string("pagemap.mdb") ? "This file is highly corrupted and cannot be recovered.\n"
                                                        : "File not a valid MS Access file.\n")
        << name;
    EXPECT_EQ(r.out, "") << name;
  }
}

TEST(AnalyzeCommand, ReadsTheEncodedFilesOfTheCorpus) {
  std::string corpus = testenv::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  testenv::CommandResult encoded = Analyze({corpus + "/db-enc.mdb"});
  EXPECT_EQ(encoded.exitCode, 0) << encoded.err;
  EXPECT_EQ(encoded.out, "Table1\n  ID [COUNTER]\n  col1 [TEXT(100)]\n  col2 [LONG]\n");
  // Access 97 counts text lengths in characters.
  encoded = Analyze({corpus + "/db97-enc.mdb"});
  EXPECT_EQ(encoded.exitCode, 0) << encoded.err;
  EXPECT_EQ(encoded.out, "Table1\n  ID [COUNTER]\n  col1 [TEXT(50)]\n  col2 [LONG]\n");
}

// Names in the code page the header names, text lengths in characters;
// a code page not known here reads as Windows-1252 and the analysis says so.
TEST(AnalyzeCommand, ReadsAccess97FilesInTheirCodePage) {
  testenv::ScratchDir dir;
  struct Case {
    int codePage;
    std::string table, column, listing, status;
  };
  for (const Case& c : {Case{1252, "Café Größe", "Prix €", "Café Größe\n  Prix € [TEXT(40)]\n", ""},
                        Case{1251, "Города", "Имя", "Города\n  Имя [TEXT(40)]\n", ""},
                        Case{1250, "Łódź", "Źródło", "Łódź\n  Źródło [TEXT(40)]\n", ""},
                        Case{4711, "Plain", "Name", "Plain\n  Name [TEXT(40)]\n",
                             "Unknown code page 4711: text is read as Windows-1252\n"}}) {
    testdb::DatabaseBuilder builder;
    builder.SetJet3(c.codePage);
    builder.AddTable(c.table, {{c.column, T::Text, 40}}).rows.push_back({{"x"}});
    std::string path = dir.File("access97.mdb");
    testdb::Layout layout = builder.Write(path);
    ASSERT_TRUE(layout.ok) << layout.error;
    testenv::CommandResult r = Analyze({path});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.listing);
    EXPECT_EQ(r.err.find("Unknown code page") == std::string::npos, c.status.empty()) << r.err;
    if (!c.status.empty()) {
      EXPECT_NE(r.err.find(c.status), std::string::npos) << r.err;
    }
  }
}

TEST(AnalyzeCommand, ReportsFilesItCannotOpenAndWrongArguments) {
  testenv::ScratchDir dir;
  // The message names the file and the system's reason.
  for (const auto& [path, reason] : {std::pair<std::string, std::string>{dir.path(), "not a regular file"},
                                     {dir.File("missing.mdb"), "No such file or directory"}}) {
    testenv::CommandResult r = Analyze({path});
    EXPECT_EQ(r.exitCode, 1) << path;
    EXPECT_EQ(r.err, "Opening file failed... " + path + ": " + reason + "\n") << path;
    EXPECT_EQ(r.out, "");
  }
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"a.mdb", "b.mdb"}, {""}}) {
    testenv::CommandResult r = Analyze(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
  }
}

// ---- The corpus of real files, against its manifest ----

struct ManifestRow {
  std::string file;
  std::set<std::string> tables;
  std::set<std::string> types;
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
    parts.push_back(text.substr(from, at - from));
  parts.push_back(text.substr(from));
  return parts;
}

std::map<std::string, ManifestRow> ReadManifest(const std::string& corpus) {
  std::map<std::string, ManifestRow> rows;
  std::vector<std::string> lines = Lines(testenv::ReadFile(corpus + "/MANIFEST.tsv"));
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = Split(lines[i], "\t");
    if (f.size() < 11) continue;
    ManifestRow row{f[0], {}, {}};
    size_t colon = f[8].find(": ");
    if (colon != std::string::npos)
      for (const std::string& t : Split(f[8].substr(colon + 2), "; ")) row.tables.insert(t);
    if (!f[10].empty())
      for (const std::string& t : Split(f[10], ", ")) row.types.insert(t);
    rows[row.file] = row;
  }
  return rows;
}

// Access keeps attachments in hidden tables named f_<GUID>_Data. The catalog
// flags them as system tables, which the reader does not look at: it lists
// every table the catalog types as a table and does not name "MSys...".
bool IsAttachmentTable(const std::string& name) {
  if (name.size() != 39 || !name.starts_with("f_") || !name.ends_with("_Data")) return false;
  return std::all_of(name.begin() + 2, name.begin() + 34,
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'); });
}

// The manifest's type names for the reader's.
std::string ManifestType(const std::string& column) {
  static const std::map<std::string, std::string> names = {
      {"BIT", "Boolean"},  {"BYTE", "Byte"},      {"INT", "Integer"},  {"LONG", "Long"},
      {"COUNTER", "Long"}, {"CURRENCY", "Currency"}, {"SINGLE", "Single"}, {"DOUBLE", "Double"},
      {"DATE", "Date"},    {"BINARY", "Binary"},  {"TEXT", "Text"},    {"OLEOBJECT", "OLE"},
      {"MEMO", "Memo"},    {"GUID", "GUID"},      {"NUMERIC", "Numeric"}};
  size_t open = column.rfind(" [");
  if (open == std::string::npos || !column.ends_with("]")) return "?" + column;
  std::string type = column.substr(open + 2, column.size() - open - 3);
  type = type.substr(0, type.find('('));
  auto it = names.find(type);
  return it == names.end() ? "?" + column : it->second;
}

// Jet 4 and Access 97 files; the encoded ones are read by a test of their own.
std::vector<std::string> CorpusPlainMdb() {
  std::vector<std::string> files;
  for (const std::string& path : testenv::CorpusMdbFiles())
    if (!path.ends_with("/db-enc.mdb") && !path.ends_with("/db97-enc.mdb")) files.push_back(path);
  return files;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

TEST(AnalyzeCommandCorpus, ListsTheUserTablesOfEveryFileWithTheirColumnTypes) {
  std::string corpus = testenv::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  std::map<std::string, ManifestRow> manifest = ReadManifest(corpus);
  std::vector<std::string> files = CorpusPlainMdb();
  ASSERT_EQ(files.size(), 81u);
  for (const std::string& path : files) {
    SCOPED_TRACE(BaseName(path));
    ASSERT_EQ(manifest.count(BaseName(path)), 1u);
    const ManifestRow& expected = manifest[BaseName(path)];
    testenv::CommandResult r = Analyze({path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::set<std::string> tables, types;
    for (const Listed& t : Listing(r.out)) {
      if (IsAttachmentTable(t.name)) continue;
      tables.insert(t.name);
      EXPECT_FALSE(t.columns.empty()) << t.name;
      for (const std::string& c : t.columns) types.insert(ManifestType(c));
    }
    std::set<std::string> expectedTypes;
    for (const std::string& t : expected.types) expectedTypes.insert(t);
    // The reference tool shows non-ASCII letters as "?"; compare that file by count.
    if (BaseName(path) == "weirdObjectNames.mdb")
      EXPECT_EQ(tables.size(), expected.tables.size());
    else
      EXPECT_EQ(tables, expected.tables);
    EXPECT_EQ(types, expectedTypes);
    EXPECT_NE(r.err.find("User tables found = "), std::string::npos);
  }
}

// The corpus file with every data page of the catalog (owner page 2) zeroed.
std::string WithoutCatalog(const std::string& path, const testenv::ScratchDir& dir) {
  std::string bytes = testenv::ReadFile(path);
  const size_t pageSize = testenv::PageSizeOf(bytes);
  for (size_t at = 0; at + pageSize <= bytes.size(); at += pageSize) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    if (p[0] == 1 && p[4] == 2 && p[5] == 0 && p[6] == 0 && p[7] == 0)
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), pageSize, '\0');
  }
  std::string copy = dir.File(BaseName(path));
  testenv::WriteFile(copy, bytes);
  return copy;
}

TEST(AnalyzeCommandCorpus, ListsTheSameTablesAsRecoveredTablesWhenTheCatalogIsGone) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  testenv::ScratchDir dir;
  for (const std::string& path : CorpusPlainMdb()) {
    SCOPED_TRACE(BaseName(path));
    std::vector<Listed> named = Listing(Analyze({path}).out);
    testenv::CommandResult r = Analyze({WithoutCatalog(path, dir)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Listed> recovered = Listing(r.out);
    // Numbered from the end of the list: 01 is the last, at the highest page.
    for (size_t i = 0; i < recovered.size(); ++i) {
      char expected[48];
      std::snprintf(expected, sizeof expected, "Recovered Table %02zu", recovered.size() - i);
      EXPECT_EQ(recovered[i].name, expected);
    }
    EXPECT_NE(r.err.find("Unnamed tables found = " + std::to_string(recovered.size()) + "\n"), std::string::npos);
    // Every named table is among them with its columns; the others are the
    // system tables that only the catalog's "MSys" names kept out.
    std::multiset<std::vector<std::string>> columnsRecovered;
    for (const Listed& t : recovered) columnsRecovered.insert(t.columns);
    for (const Listed& t : named) {
      auto it = columnsRecovered.find(t.columns);
      EXPECT_NE(it, columnsRecovered.end()) << t.name;
      if (it != columnsRecovered.end()) columnsRecovered.erase(it);
    }
  }
}

}  // namespace
