// brevantis-cli export into databases end to end: SQLite files, SQL scripts
// loaded by sqlite3 and psql as they are, and a real PostgreSQL server
// started for the tests; names and values that no database takes as they
// come, refusals and failures that must not pass for success.
#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>

#include "tests/support/postgres_server.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_env.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Counts = std::map<std::string, int64_t>;
namespace T = testdb;

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? "\"\"" : std::string(1, c);
  return quoted + "\"";
}

// The rows of every table of a SQLite file, by table name.
Counts SqliteCounts(const std::string& path) {
  Counts counts;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path;
    sqlite3_close(db);
    return counts;
  }
  sqlite3_stmt* tables = nullptr;
  sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &tables, nullptr);
  while (sqlite3_step(tables) == SQLITE_ROW) {
    std::string name(reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)));
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + Quoted(name)).c_str(), -1, &count, nullptr);
    counts[name] = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : -1;
    sqlite3_finalize(count);
  }
  sqlite3_finalize(tables);
  sqlite3_close(db);
  return counts;
}

// One value of a query against a server's database, as text.
std::string PgValue(const std::string& url, const std::string& query) {
  PGconn* connection = PQconnectdb(url.c_str());
  PGresult* result = PQexec(connection, query.c_str());
  std::string value = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0
                          ? PQgetvalue(result, 0, 0)
                          : "(" + std::string(PQerrorMessage(connection)) + ")";
  PQclear(result);
  PQfinish(connection);
  return value;
}

Counts PgCounts(const std::string& url) {
  Counts counts;
  PGconn* connection = PQconnectdb(url.c_str());
  PGresult* tables = PQexec(connection, "SELECT tablename FROM pg_tables WHERE schemaname = 'public'");
  for (int i = 0; i < PQntuples(tables); ++i) {
    std::string name = PQgetvalue(tables, i, 0);
    counts[name] = std::stoll(PgValue(url, "SELECT count(*) FROM " + Quoted(name)));
  }
  PQclear(tables);
  PQfinish(connection);
  return counts;
}

class Cli {
 public:
  testenv::CommandResult Run(Names args) const {
    args.insert(args.begin(), BREVANTIS_CLI);
    return testenv::RunCommand(args);
  }
  // Exports into a new folder of its own; the one file the export wrote
  // there with that extension.
  std::string ExportFile(const std::string& database, Names options, const std::string& extension,
                         testenv::CommandResult* result = nullptr) {
    std::string destination = dir.File("out" + std::to_string(++exports_));
    fs::create_directory(destination);
    Names args = {"export", database, "--to", destination};
    args.insert(args.end(), options.begin(), options.end());
    testenv::CommandResult run = Run(args);
    if (result) *result = run;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const auto& entry : fs::recursive_directory_iterator(destination))
      if (entry.path().extension() == extension) return entry.path().string();
    return {};
  }
  testenv::ScratchDir dir;

 private:
  int exports_ = 0;
};

// Names each database quotes differently, reserved words, and two long
// names alike in the 63 bytes PostgreSQL keeps; texts with every character
// a literal must escape.
testdb::DatabaseBuilder AwkwardDatabase() {
  testdb::DatabaseBuilder builder;
  const std::string longName = "Überlange Tabellenbezeichnung für die Auftragspositionen Nr ";
  Names tableNames = {"Order \"Details\"", "[Brackets]", "semi;colon", "new\nline", "select",
                      "back`tick", "sqlite_master", longName + "1", longName + "2"};
  for (const std::string& name : tableNames) {
    T::Table& table = builder.AddTable(name, {{"Id", T::ColumnType::Long},
                                              {"from", T::ColumnType::Text, 50},
                                              {"it's \"quoted\"; -- x", T::ColumnType::Memo}});
    table.rows = {{{int64_t{1}, "O'Brien \\ \"x\"\t;", T::Text{std::string("nul\0inside", 10)}}},
                  {{int64_t{2}, T::Null{}, std::string(300000, 'h')}}};
  }
  return builder;
}

TEST(DatabaseExportTest, AwkwardNamesAndTextsLoadIntoEveryDatabase) {
  Cli cli;
  std::string database = cli.dir.File("awkward.mdb");
  ASSERT_TRUE(AwkwardDatabase().Write(database).ok);

  // SQLite keeps every name as it is, apart from its own sqlite_ prefix.
  Counts sqlite = SqliteCounts(cli.ExportFile(database, {"--format", "sqlite"}, ".sqlite"));
  EXPECT_EQ(sqlite.size(), 9u);
  EXPECT_EQ(sqlite.count("new\nline"), 1u);
  EXPECT_EQ(sqlite.count("_sqlite_master"), 1u);
  for (const auto& [name, rows] : sqlite) EXPECT_EQ(rows, 2) << name;

  // The script gives sqlite3 the same database.
  std::string script = cli.ExportFile(database, {"--format", "sql"}, ".sql");
  std::string loaded = cli.dir.File("loaded.sqlite");
  testenv::CommandResult load = testenv::RunCommand({"/usr/bin/sqlite3", "-bail", loaded, ".read '" + script + "'"});
  EXPECT_EQ(load.exitCode, 0) << load.err;
  EXPECT_EQ(SqliteCounts(loaded), sqlite);

  testenv::PostgresServer server;
  if (!server.problem().empty()) GTEST_SKIP() << server.problem();
  ASSERT_TRUE(server.CreateDatabase("script"));
  script = cli.ExportFile(database, {"--format", "sql", "--dialect", "postgres"}, ".sql");
  load = server.PsqlFile("script", script);
  EXPECT_EQ(load.exitCode, 0) << load.err;
  Counts postgres = PgCounts(server.Url("script"));
  EXPECT_EQ(postgres.size(), 9u);
  for (const auto& [name, rows] : postgres) EXPECT_EQ(rows, 2) << name;

  // Straight into the server: the same tables.
  ASSERT_TRUE(server.CreateDatabase("direct"));
  testenv::CommandResult direct = cli.Run({"export", database, "--to", server.Url("direct")});
  EXPECT_EQ(direct.exitCode, 0) << direct.err;
  EXPECT_EQ(PgCounts(server.Url("direct")), postgres);
}

}  // namespace
