// Complex columns end to end: attachments, multi-value and version-history
// columns written by the builder, read through analyze, rows and the export,
// with and without the rows of MSysComplexColumns; and the attachments of
// the corpus's files and the builder's against mdb-reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_env.h"

namespace {

namespace fs = std::filesystem;
using T = testdb::ColumnType;

testdb::Attachment File(std::string name, std::string text, bool compressed = true) {
  return {std::move(name), std::vector<uint8_t>(text.begin(), text.end()), compressed};
}

// FileData that is no zlib stream, and one that inflates to 100 times the
// length it states.
std::vector<uint8_t> Stored(uint32_t flag, uint32_t stated, std::vector<uint8_t> body) {
  std::vector<uint8_t> stored = {static_cast<uint8_t>(flag), 0, 0, 0, static_cast<uint8_t>(stated),
                                 static_cast<uint8_t>(stated >> 8), 0, 0};
  stored.insert(stored.end(), body.begin(), body.end());
  return stored;
}

testenv::CommandResult Cli(std::vector<std::string> args) {
  args.insert(args.begin(), BREVANTIS_CLI);
  return testenv::RunCommand(args);
}

// The one dated folder an export made in destination.
std::string ExportFolder(const std::string& destination) {
  for (const auto& entry : fs::directory_iterator(destination)) return entry.path().string();
  return {};
}

TEST(ComplexColumns, CellsListTheFilesTheValuesAndTheLatestVersion) {
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder builder;
  testdb::Table& t = builder.AddTable("T", {{"Id", T::Long},
                                            {.name = "Files", .type = T::Complex, .complexKind = testdb::ComplexKind::Attachment},
                                            {.name = "Tags", .type = T::Complex},
                                            {.name = "History", .type = T::Complex, .complexKind = testdb::ComplexKind::VersionHistory}});
  testdb::Attachment broken = File("broken.txt", "");
  broken.storedData = Stored(1, 40, {0x78, 0x5E, 1, 2, 3, 4, 5, 6});
  testdb::Attachment big = File("big.txt", "");
  // Deflated: a 20-byte header for "txt", then 40,000 spaces.
  big.storedData = Stored(1, 400, {});
  {
    std::vector<uint8_t> content = {20, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 't', 0, 'x', 0, 't', 0, 0, 0};
    content.resize(content.size() + 40000, ' ');
    std::vector<uint8_t> deflated = testdb::Deflate(content);
    big.storedData->insert(big.storedData->end(), deflated.begin(), deflated.end());
  }
  t.rows.push_back({{1, testdb::Complex{.files = {File("a.txt", "alpha\n"), File("b.bin", "\x01\x02", false)}},
                     testdb::Complex{.values = {"red", "blue"}}, testdb::Complex{.values = {"first", "second", "third"}}}});
  t.rows.push_back({{2, testdb::Complex{}, testdb::Null{}, testdb::Complex{}}});
  t.rows.push_back({{3, testdb::Complex{.files = {broken, big}}, testdb::Complex{.id = 999}, testdb::Null{}}});
  const std::string path = dir.File("complex.accdb");
  testdb::Layout layout = builder.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;

  testenv::CommandResult analyzed = Cli({"analyze", path});
  EXPECT_EQ(analyzed.out, "T\n  Id [COUNTER]\n  Files [ATTACHMENT]\n  Tags [COMPLEX]\n  History [COMPLEX]\n");
  const std::string expected =
      "Id,Files,Tags,History\r\n"
      "1,a.txt; b.bin,red; blue,third\r\n"
      "2,,,\r\n"
      "3,broken.txt [data does not inflate]; big.txt [cut at its stated size],,\r\n";
  EXPECT_EQ(Cli({"rows", path, "T"}).out, expected);

  const std::string out = dir.File("out");
  fs::create_directory(out);
  ASSERT_EQ(Cli({"export", path, "--to", out, "--format", "csv"}).exitCode, 0);
  const std::string files = ExportFolder(out) + "/Attachments/T/";
  EXPECT_EQ(testenv::ReadFile(files + "1/a.txt"), "alpha\n");
  EXPECT_EQ(testenv::ReadFile(files + "1/b.bin"), "\x01\x02");
  EXPECT_FALSE(fs::exists(files + "3/broken.txt"));
  EXPECT_EQ(testenv::ReadFile(files + "3/big.txt"), std::string(400 - 20, ' '));

  // Without the rows that tie the columns to their tables, the flat tables
  // are found by their own columns.
  ASSERT_TRUE(testdb::ZeroPages(path, layout.complexTables.back().dataPages));
  EXPECT_EQ(Cli({"rows", path, "T"}).out, expected);
}

// Each file mdb-reader reads from the column is among the files the export
// wrote for the table, byte for byte. The count of files compared.
size_t ExpectSameAttachments(const std::string& file, const std::string& table, const std::string& column,
                             const std::string& scratch) {
  const char* env = std::getenv("BREVANTIS_MDB_READER");
  const std::string prefix = env && *env ? env : "/tmp/mdbr";
  testenv::CommandResult theirs = testenv::RunCommand(
      {"/usr/bin/node", BREVANTIS_TEST_DIR "/attachments_with_mdb_reader.js", prefix, file, table, column});
  const std::string out = scratch + "/" + fs::path(file).stem().string() + "-" + table;
  fs::create_directories(out);
  const int exported = Cli({"export", file, "--to", out, "--format", "csv", "--system", "--table", table}).exitCode;
  // Files of early versions have no such table: neither reader finds it.
  if (theirs.err.find("Could not find table") != std::string::npos) {
    EXPECT_NE(exported, 0) << file;
    return 0;
  }
  EXPECT_EQ(theirs.exitCode, 0) << theirs.err;
  EXPECT_EQ(exported, 0);
  std::multimap<std::string, std::string> ours;
  const fs::path folder = ExportFolder(out) + "/Attachments/" + table;
  if (fs::exists(folder))
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.is_regular_file()) ours.emplace(entry.path().filename().string(), testenv::ReadFile(entry.path()));
  std::istringstream lines(theirs.out);
  size_t compared = 0;
  for (std::string line; std::getline(lines, line); ++compared) {
    std::string name = line.substr(line.find('\t') + 1);
    std::string hex = name.substr(name.find('\t') + 1);
    name.resize(name.find('\t'));
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    bool found = false;
    for (auto [at, end] = ours.equal_range(name); at != end && !found; ++at) found = at->second == bytes;
    EXPECT_TRUE(found) << file << ": " << table << " " << name;
  }
  EXPECT_EQ(compared, ours.size()) << file << ": " << table;
  return compared;
}

TEST(ComplexColumns, AttachmentsAreTheFilesMdbReaderReads) {
  const char* env = std::getenv("BREVANTIS_MDB_READER");
  const std::string prefix = env && *env ? env : "/tmp/mdbr";
  if (!fs::exists(prefix + "/node_modules/mdb-reader/package.json") || !fs::exists("/usr/bin/node"))
    GTEST_SKIP() << "mdb-reader is not installed";
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder builder;
  testdb::Table& t = builder.AddTable("Docs", {{"Id", T::Long},
                                               {.name = "Files", .type = T::Complex, .complexKind = testdb::ComplexKind::Attachment}});
  std::string large(30000, 'x');
  for (size_t i = 0; i < large.size(); i += 7) large[i] = static_cast<char>('a' + i % 26);
  t.rows.push_back({{1, testdb::Complex{.files = {File("notes.txt", "some notes\n"), File("large.dat", large, false)}}}});
  t.rows.push_back({{2, testdb::Complex{.files = {File("notes.txt", "other notes\n")}}}});
  ASSERT_TRUE(builder.Write(dir.File("docs.accdb")).ok);
  EXPECT_EQ(ExpectSameAttachments(dir.File("docs.accdb"), "Docs", "Files", dir.path()), 3u);

  const std::string corpus = testenv::CorpusDir();
  if (corpus.empty()) return;
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string file = entry.path().string();
    if (entry.path().extension() != ".accdb" || file.find("-enc") != std::string::npos) continue;
    files += ExpectSameAttachments(file, "MSysResources", "Data", dir.path());
  }
  files += ExpectSameAttachments(corpus + "/complexDataTestV2010.accdb", "Table1", "attach-data", dir.path());
  EXPECT_GE(files, 17u);  // the files of the corpus's resource tables and Table1
}

}  // namespace
