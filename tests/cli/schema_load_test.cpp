// The DDL of every file of the corpus, in each dialect, loaded by the
// engine's own client into an empty database: slow, for it starts the
// clients some hundred times.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/mariadb_server.h"
#include "tests/support/postgres_server.h"
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

// Descriptions, defaults and NOT NULL as the servers take them: each
// file's DDL into a database of its own, stopping at the first error.
TEST(SchemaLoad, EveryCorpusSchemaLoadsInPostgresAndMariaDb) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "the corpus is not there";
  testenv::PostgresServer postgres;
  testenv::MariaDbServer mariadb;
  if (!postgres.problem().empty() || !mariadb.problem().empty())
    GTEST_SKIP() << postgres.problem() << " " << mariadb.problem();
  testenv::ScratchDir dir;
  int loaded = 0, number = 0;
  for (const std::string& file : CorpusFiles()) {
    const std::string name = std::filesystem::path(file).filename();
    const std::string database = "f" + std::to_string(++number);
    testenv::CommandResult ddl = testenv::RunCommand({BREVANTIS_CLI, "schema", file, "--dialect", "postgres"});
    if (ddl.exitCode != 0) continue;
    testenv::WriteFile(dir.File(database + ".sql"), ddl.out);
    ASSERT_TRUE(postgres.CreateDatabase(database));
    testenv::CommandResult load = postgres.PsqlFile(database, dir.File(database + ".sql"));
    EXPECT_EQ(load.exitCode, 0) << name << " in PostgreSQL: " << load.err;

    ddl = testenv::RunCommand({BREVANTIS_CLI, "schema", file, "--dialect", "mysql"});
    ASSERT_EQ(ddl.exitCode, 0) << name;
    testenv::WriteFile(dir.File(database + ".mysql"), ddl.out);
    testenv::CommandResult made = mariadb.Client("", "CREATE DATABASE " + database);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    testenv::CommandResult mysqlLoad = mariadb.Client(database, "source " + dir.File(database + ".mysql"));
    EXPECT_EQ(mysqlLoad.exitCode, 0) << name << " in MariaDB: " << mysqlLoad.err;
    loaded += load.exitCode == 0 && mysqlLoad.exitCode == 0;
  }
  EXPECT_GT(loaded, 50);
}

}  // namespace
