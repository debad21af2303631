// The DDL of every file of the corpus, in each dialect, loaded by the
// engine's own client into an empty database: slow, for it starts the
// clients some hundred times.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_env.h"

namespace {

const char kSqlite3[] = "/usr/bin/sqlite3";

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  const std::string corpus = testenv::CorpusDir();
  if (corpus.empty()) return files;
  for (const auto& entry : std::filesystem::directory_iterator(corpus))
    if (entry.path().extension() == ".mdb" || entry.path().extension() == ".accdb") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(SchemaLoad, EveryCorpusSchemaLoadsInSqlite) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "the corpus is not there";
  if (!std::filesystem::exists(kSqlite3)) GTEST_SKIP() << "sqlite3 is not installed";
  testenv::ScratchDir dir;
  int loaded = 0;
  for (const std::string& file : CorpusFiles()) {
    testenv::CommandResult ddl = testenv::RunCommand({BREVANTIS_CLI, "schema", file, "--dialect", "sqlite"});
    if (ddl.exitCode != 0) continue;
    const std::string name = std::filesystem::path(file).filename();
    testenv::WriteFile(dir.File(name + ".sql"), ddl.out);
    testenv::CommandResult load =
        testenv::RunCommand({kSqlite3, "-bail", "-batch", dir.File(name + ".sqlite"), ".read '" + dir.File(name + ".sql") + "'"});
    EXPECT_EQ(load.exitCode, 0) << name << ": " << load.err;
    loaded += load.exitCode == 0;
  }
  EXPECT_GT(loaded, 50);
}

}  // namespace
