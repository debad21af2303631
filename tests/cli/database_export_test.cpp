// brevantis-cli export into databases end to end: SQLite files, SQL scripts
// loaded by sqlite3 and psql as they are, and a real PostgreSQL server
// started for the tests; names and values that no database takes as they
// come, refusals and failures that must not pass for success.
#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>

#include "tests/support/mariadb_server.h"
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

// The first value of a query against a SQLite file, as sqlite3 prints it.
std::string SqliteValue(const std::string& path, const std::string& query) {
  testenv::CommandResult result = testenv::RunCommand({"/usr/bin/sqlite3", "-readonly", path, query});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
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
Names AwkwardTableNames() {
  const std::string longName = "Überlange Tabellenbezeichnung für die Auftragspositionen Nr ";
  return {"Order \"Details\"", "[Brackets]", "semi;colon", "new\nline", "select",
          "back`tick", "sqlite_master", longName + "1", longName + "2"};
}

testdb::DatabaseBuilder AwkwardDatabase() {
  testdb::DatabaseBuilder builder;
  for (const std::string& name : AwkwardTableNames()) {
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
  const std::string file = cli.ExportFile(database, {"--format", "sqlite"}, ".sqlite");
  Counts sqlite = SqliteCounts(file);
  EXPECT_EQ(sqlite.size(), 9u);
  EXPECT_EQ(sqlite.count("new\nline"), 1u);
  EXPECT_EQ(sqlite.count("_sqlite_master"), 1u);
  for (const auto& [name, rows] : sqlite) EXPECT_EQ(rows, 2) << name;
  const std::string memo = Quoted("it's \"quoted\"; -- x");
  EXPECT_EQ(SqliteValue(file, "SELECT \"from\" || '|' || hex(" + memo + ") FROM \"select\" WHERE Id = 1"),
            "O'Brien \\ \"x\"\t;|6E756C00696E73696465");
  EXPECT_EQ(SqliteValue(file, "SELECT length(" + memo + ") FROM \"back`tick\" WHERE Id = 2"), "300000");

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
  // PostgreSQL's text holds no zero character: the rest of the text stays.
  EXPECT_EQ(PgValue(server.Url("script"), "SELECT \"from\" || '|' || " + memo + " FROM \"select\" WHERE \"Id\" = 1"),
            "O'Brien \\ \"x\"\t;|nulinside");

  // Straight into the server: the same tables.
  ASSERT_TRUE(server.CreateDatabase("direct"));
  testenv::CommandResult direct = cli.Run({"export", database, "--to", server.Url("direct")});
  EXPECT_EQ(direct.exitCode, 0) << direct.err;
  EXPECT_EQ(PgCounts(server.Url("direct")), postgres);
}



// Customers and their orders: a primary key each, a unique and a plain
// index, an index over a column the table lacks (damage), an enforced
// relationship that one order breaks, and a deleted customer whose key
// repeats a live one.
testdb::DatabaseBuilder KeyedDatabase() {
  testdb::DatabaseBuilder builder;
  T::Table& customers = builder.AddTable(
      "Customers", {{"Id", T::ColumnType::Long}, {"Name", T::ColumnType::Text, 30}, {"City", T::ColumnType::Text, 30}});
  customers.indexes = {{.name = "PrimaryKey", .keys = {{"Id"}}, .primary = true},
                       {.name = "Name", .keys = {{"Name"}}, .unique = true},
                       {.name = "City", .keys = {{"City", true}}},
                       {.name = "Lost", .keys = {{.number = 12}}}};
  customers.rows = {{{int64_t{1}, "Ann", "Oslo"}}, {{int64_t{2}, "Bob", "Rome"}},
                    {{int64_t{1}, "Ann", "Oslo"}, T::RowState::Deleted}};
  T::Table& orders = builder.AddTable("Orders", {{"OrderId", T::ColumnType::Long}, {"Customer", T::ColumnType::Long}});
  orders.indexes = {{.name = "PrimaryKey", .keys = {{"OrderId"}}, .primary = true},
                    {.name = "Customer", .keys = {{"Customer"}}}};
  orders.rows = {{{int64_t{11}, int64_t{2}}}, {{int64_t{10}, int64_t{1}}}, {{int64_t{12}, int64_t{99}}}};
  builder.AddRelationship({"CustomersOrders", "Orders", {"Customer"}, "Customers", {"Id"}, 0x1000});
  return builder;
}

// Keys, indexes and foreign keys of a SQLite database, one line each.
std::string SqliteKeys(const std::string& path) {
  const std::string tables = " FROM sqlite_master m, ";
  return SqliteValue(path, "SELECT 'pk', m.name, p.name" + tables +
                               "pragma_table_info(m.name) p WHERE m.type = 'table' AND p.pk > 0 "
                               "UNION ALL SELECT 'index ' || il.\"unique\", m.name, ix.name || ' ' || ix.desc" + tables +
                               "pragma_index_list(m.name) il, pragma_index_xinfo(il.name) ix "
                               "WHERE m.type = 'table' AND il.origin = 'c' AND ix.key "
                               "UNION ALL SELECT 'fk', m.name, f.\"from\" || '>' || f.\"table\" || '.' || f.\"to\" || ' ' || "
                               "f.on_delete" + tables + "pragma_foreign_key_list(m.name) f WHERE m.type = 'table' "
                               "ORDER BY 1, 2, 3");
}

TEST(DatabaseExportTest, KeysIndexesAndForeignKeysReachEveryDatabase) {
  Cli cli;
  std::string database = cli.dir.File("keyed.mdb");
  ASSERT_TRUE(KeyedDatabase().Write(database).ok);

  const std::string file = cli.ExportFile(database, {"--format", "sqlite", "--deleted"}, ".sqlite");
  const std::string keys =
      "fk|Orders|Customer>Customers.Id CASCADE\n"
      "index 0|Customers|City 1\nindex 0|Orders|Customer 0\nindex 1|Customers|Name 0\n"
      "pk|Customers|Id\npk|Orders|OrderId";
  EXPECT_EQ(SqliteKeys(file), keys);
  EXPECT_EQ(SqliteCounts(file).at("Customers (deleted)"), 1);
  // The rows stay in the file's order, not the key's.
  EXPECT_EQ(SqliteValue(file, "SELECT group_concat(OrderId) FROM (SELECT OrderId FROM Orders ORDER BY rowid)"), "11,10,12");
  // The broken relationship is counted, the damaged index named.
  const std::string statistics = testenv::ReadFile((fs::path(file).parent_path() / "Export Statistics.log").string());
  EXPECT_NE(statistics.find("Orders:                   3  (1 row breaks a foreign key)"), std::string::npos)
      << statistics;
  EXPECT_NE(statistics.find("Schema left out:\r\n  Customers: index \"Lost\" names column number 12"),
            std::string::npos)
      << statistics;

  // A unique index that a damaged file's rows break still speeds lookups.
  testdb::DatabaseBuilder twice;
  T::Table& codes = twice.AddTable("Codes", {{"Code", T::ColumnType::Text, 10}});
  codes.indexes = {{.name = "Code", .keys = {{"Code"}}, .unique = true}};
  codes.rows = {{{"a"}}, {{"a"}}};
  ASSERT_TRUE(twice.Write(cli.dir.File("twice.mdb")).ok);
  const std::string repeated = cli.ExportFile(cli.dir.File("twice.mdb"), {"--format", "sqlite"}, ".sqlite");
  EXPECT_EQ(SqliteKeys(repeated), "index 0|Codes|Code 0");
  const std::string repeatedStatistics =
      testenv::ReadFile((fs::path(repeated).parent_path() / "Export Statistics.log").string());
  EXPECT_NE(repeatedStatistics.find(":                   2  (values repeat in the unique index \"Codes_Code\": "
                                    "made without UNIQUE)"),
            std::string::npos)
      << repeatedStatistics;

  // The script gives sqlite3 the same keys, the foreign keys not checked
  // while it loads.
  std::string script = cli.ExportFile(database, {"--format", "sql", "--deleted"}, ".sql");
  std::string loaded = cli.dir.File("keyed.sqlite");
  testenv::CommandResult load = testenv::RunCommand({"/usr/bin/sqlite3", "-bail", loaded, ".read '" + script + "'"});
  EXPECT_EQ(load.exitCode, 0) << load.err;
  EXPECT_EQ(SqliteKeys(loaded), keys);

  // A key or a required column that a damaged file's rows break costs the
  // constraint, not the rows. SQLite, which cannot add them after the rows,
  // makes the table again without them at the first row that breaks one.
  testdb::DatabaseBuilder broken;
  T::Table& twiceKeyed = broken.AddTable("Keys", {{"Id", T::ColumnType::Long}, {"Name", T::ColumnType::Text, 20}});
  twiceKeyed.indexes = {{.name = "PrimaryKey", .keys = {{"Id"}}, .primary = true}};
  twiceKeyed.properties = {{"Name", "Required", true},
                           {"Name", "Description", "who it is"},
                           {"Name", "DefaultValue", "=\"x\""},
                           {"", "Description", "keys twice"}};
  twiceKeyed.rows = {{{int64_t{1}, "a"}}, {{int64_t{1}, T::Null{}}}};
  ASSERT_TRUE(broken.Write(cli.dir.File("broken.mdb")).ok);
  const std::string bare = cli.ExportFile(cli.dir.File("broken.mdb"), {"--format", "sqlite"}, ".sqlite");
  EXPECT_EQ(SqliteValue(bare, "SELECT group_concat(Id || ':' || ifnull(Name, '-')) FROM Keys"), "1:a,1:-");
  EXPECT_EQ(SqliteKeys(bare), "");
  EXPECT_NE(testenv::ReadFile((fs::path(bare).parent_path() / "Export Statistics.log").string())
                .find("Keys:                   2  (primary key and NOT NULL not made, the rows break them: "),
            std::string::npos);

  testenv::PostgresServer server;
  if (!server.problem().empty()) GTEST_SKIP() << server.problem();
  // psql into a fresh database, and straight into the server: the foreign
  // key added after the rows, without checking them.
  ASSERT_TRUE(server.CreateDatabase("script") && server.CreateDatabase("direct"));
  script = cli.ExportFile(database, {"--format", "sql", "--dialect", "postgres"}, ".sql");
  load = server.PsqlFile("script", script);
  EXPECT_EQ(load.exitCode, 0) << load.err;
  testenv::CommandResult direct = cli.Run({"export", database, "--to", server.Url("direct")});
  EXPECT_EQ(direct.exitCode, 0) << direct.err;
  for (const char* name : {"script", "direct"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(server.Psql(name, "SELECT string_agg(indexdef, '; ' ORDER BY indexdef) FROM pg_indexes "
                                "WHERE schemaname = 'public'").out,
              "CREATE INDEX \"Customers_City\" ON public.\"Customers\" USING btree (\"City\" DESC); "
              "CREATE INDEX \"Orders_Customer\" ON public.\"Orders\" USING btree (\"Customer\"); "
              "CREATE UNIQUE INDEX \"Customers_Name\" ON public.\"Customers\" USING btree (\"Name\"); "
              "CREATE UNIQUE INDEX \"Customers_pkey\" ON public.\"Customers\" USING btree (\"Id\"); "
              "CREATE UNIQUE INDEX \"Orders_pkey\" ON public.\"Orders\" USING btree (\"OrderId\")\n");
    EXPECT_EQ(server.Psql(name, "SELECT conname, convalidated, confdeltype FROM pg_constraint WHERE contype = 'f'").out,
              "CustomersOrders|f|c\n");
  }
  // What the properties say reaches the server.
  direct = cli.Run({"export", cli.dir.File("broken.mdb"), "--to", server.Url("direct")});
  EXPECT_EQ(direct.exitCode, 0) << direct.err;
  EXPECT_NE(direct.out.find("(primary key not made: "), std::string::npos) << direct.out;
  EXPECT_NE(direct.out.find("NOT NULL not set on Name: "), std::string::npos) << direct.out;
  EXPECT_EQ(PgCounts(server.Url("direct")).at("Keys"), 2);
  EXPECT_EQ(server.Psql("direct", "SELECT obj_description('\"Keys\"'::regclass) || '|' || "
                                  "col_description('\"Keys\"'::regclass, 2) || '|' || column_default "
                                  "FROM information_schema.columns WHERE table_name = 'Keys' AND column_name = 'Name'").out,
            "keys twice|who it is|'x'::character varying\n");

  // An index of the same name counts as a table would.
  ASSERT_EQ(server.Psql("direct", "DROP TABLE \"Customers\" CASCADE").exitCode, 0);
  ASSERT_EQ(server.Psql("direct", "CREATE TABLE t (x int); CREATE INDEX \"Customers_Name\" ON t (x)").exitCode, 0);
  direct = cli.Run({"export", database, "--to", server.Url("direct"), "--table", "Customers"});
  EXPECT_EQ(direct.exitCode, 1);
  EXPECT_NE(direct.err.find("the index Customers_Name exists already in the database"), std::string::npos)
      << direct.err;
  direct = cli.Run({"export", database, "--to", server.Url("direct"), "--table", "Customers", "--replace"});
  EXPECT_EQ(direct.exitCode, 0) << direct.err;
  EXPECT_EQ(server.Psql("direct", "SELECT count(*) FROM pg_indexes WHERE tablename = 'Customers'").out, "3\n");
}

// Every kind of value typed as SQLite and PostgreSQL hold it: numbers as
// numbers, exact decimals, dates as ISO text and timestamps, bytes as
// bytes, an absent value as NULL and an empty text as an empty text.
TEST(DatabaseExportTest, ValuesKeepTheirTypesInSqliteAndPostgres) {
  Cli cli;
  std::string database = cli.dir.File("types.mdb");
  ASSERT_EQ(testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, database, "--preset", "all-types"}).exitCode, 0);
  std::string sqlite = cli.ExportFile(database, {"--format", "sqlite"}, ".sqlite");
  EXPECT_EQ(SqliteValue(sqlite, "PRAGMA integrity_check"), "ok");
  testenv::PostgresServer server;
  const bool withServer = server.problem().empty() && server.CreateDatabase("types");
  if (withServer) {
    testenv::CommandResult direct = cli.Run({"export", database, "--to", server.Url("types")});
    EXPECT_EQ(direct.exitCode, 0) << direct.err;
  }
  struct Case {
    std::string table, column;
    int row;  // from 1, in the table's order
    std::string sqlite;    // typeof|quote()
    std::string postgres;  // as psql shows it
  };
  for (const Case& c : std::vector<Case>{
           {"Integers", "LongValue", 1, "integer|-2147483648", "-2147483648"},
           {"Integers", "ByteValue", 4, "null|NULL", ""},
           {"Money", "Amount", 1, "real|-1234.5678", "-1234.5678"},
           {"Money", "Amount", 5, "integer|1", "1.0000"},
           {"Floats", "SingleValue", 4, "real|0.001", "0.001"},
           {"Floats", "DoubleValue", 5, "real|1.0e+16", "1e+16"},
           {"Dates", "When", 2, "text|'1899-12-30 12:00:00'", "1899-12-30 12:00:00"},
           {"Dates", "When", 3, "text|'1899-12-29 06:00:00'", "1899-12-29 06:00:00"},
           {"Dates", "When", 6, "text|'2007-01-05 09:05:03'", "2007-01-05 09:05:03"},
           {"Dates", "When", 10, "text|'1898-01-29 00:00:00'", "1898-01-29 00:00:00"},
           {"Texts", "Value", 4, "text|'#TEXT'", "#TEXT"},
           {"Texts", "Value", 10, "null|NULL", ""},
           {"Guids", "Id", 1, "text|'{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}'", "bc96303a-53b8-474d-acc1-d2eb8d0b09d5"},
           {"Numerics", "P18S2", 2, "real|-12345.67", "-12345.67"},
           {"Binaries", "Data", 1, "blob|X'DEADBEEF'", "\\xdeadbeef"},
           {"Memos", "Body", 10, "text|''", ""},
       }) {
    SCOPED_TRACE(c.table + "." + c.column + " row " + std::to_string(c.row));
    const std::string from = " FROM " + Quoted(c.table) + " LIMIT 1 OFFSET " + std::to_string(c.row - 1);
    EXPECT_EQ(SqliteValue(sqlite, "SELECT typeof(" + Quoted(c.column) + ") || '|' || quote(" + Quoted(c.column) +
                                      ")" + from),
              c.sqlite);
    if (withServer) EXPECT_EQ(PgValue(server.Url("types"), "SELECT " + Quoted(c.column) + from), c.postgres);
  }
  // A memo of a mebibyte, whole.
  EXPECT_EQ(SqliteValue(sqlite, "SELECT length(Body) FROM Memos WHERE Label = '1 MiB chain'"), "1048576");
}

TEST(DatabaseExportTest, AServerThatRefusesIsAnErrorAndWhatWasCommittedStays) {
  testenv::PostgresServer server;
  if (!server.problem().empty()) GTEST_SKIP() << server.problem();
  Cli cli;
  testdb::DatabaseBuilder builder;
  builder.AddTable("First", {{"Id", T::ColumnType::Long}}).rows = {{{int64_t{1}}}, {{int64_t{2}}}};
  // A text longer than its column allows, as only a damaged file holds it.
  builder.AddTable("Second", {{"Code", T::ColumnType::Text, 3}}).rows = {{{"abc"}}, {{"abcdef"}}};
  std::string database = cli.dir.File("refused.mdb");
  ASSERT_TRUE(builder.Write(database).ok);
  ASSERT_TRUE(server.CreateDatabase("target"));

  testenv::CommandResult refused = cli.Run({"export", database, "--to", server.Url("target")});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("Could not export Second: the server refused row 2: "), std::string::npos) << refused.err;
  EXPECT_EQ(PgCounts(server.Url("target")), (Counts{{"First", 2}, {"Second", 0}}));

  // Tables of the same names are not touched unless asked for.
  testenv::CommandResult again = cli.Run({"export", database, "--to", server.Url("target"), "--table", "First"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("the table First exists already in the database"), std::string::npos) << again.err;
  testenv::CommandResult replaced =
      cli.Run({"export", database, "--to", server.Url("target"), "--table", "First", "--replace"});
  EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
  EXPECT_EQ(PgCounts(server.Url("target")).at("First"), 2);

  // A wrong password and a server that is not there: refused before the
  // analysis, without the password in the message.
  std::string wrong = server.Url("target", testenv::PostgresServer::kPasswordUser);
  wrong.insert(wrong.find('@'), ":not-it");
  for (const std::string& url : {wrong, std::string("postgresql://nobody@/target?host=/nonexistent")}) {
    testenv::CommandResult result = cli.Run({"export", database, "--to", url});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Cannot export to postgresql://", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find("not-it"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Analyzing"), std::string::npos) << result.err;
  }
}

// A full disk (here: a file-size limit) under the SQLite file: the table
// is named and the export fails.
TEST(DatabaseExportTest, AFullDiskUnderTheDatabaseFailsTheExportNamingTheTable) {
  Cli cli;
  testdb::DatabaseBuilder builder;
  T::Table& big = builder.AddTable("Big", {{"Id", T::ColumnType::Long}, {"Body", T::ColumnType::Memo}});
  big.generatedRows = 2000;
  big.generator = [](uint64_t i, T::Row& row) { row.values = {int64_t(i), std::string(2000, 'x')}; };
  std::string database = cli.dir.File("big.mdb");
  ASSERT_TRUE(builder.Write(database).ok);
  std::string destination = cli.dir.File("full");
  fs::create_directory(destination);
  testenv::CommandResult result = testenv::RunCommand(
      {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1024; exec '" + std::string(BREVANTIS_CLI) + "' export '" +
                            database + "' --to '" + destination + "' --format sqlite"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Could not export Big: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Export completed with errors..."), std::string::npos) << result.err;
}


// The MySQL script loads into a real MariaDB server as it is, every name
// and value whole.
TEST(DatabaseExportTest, TheMysqlScriptLoadsIntoMariaDb) {
  testenv::MariaDbServer server;
  if (!server.problem().empty()) GTEST_SKIP() << server.problem();
  Cli cli;
  std::string awkward = cli.dir.File("awkward.mdb"), types = cli.dir.File("types.mdb"), keyed = cli.dir.File("keyed.mdb");
  ASSERT_TRUE(AwkwardDatabase().Write(awkward).ok);
  ASSERT_EQ(testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, types, "--preset", "all-types"}).exitCode, 0);
  // Keys and a foreign key that a row breaks: added after the rows.
  ASSERT_TRUE(KeyedDatabase().Write(keyed).ok);
  for (const std::string& database : {awkward, types, keyed}) {
    const std::string name = fs::path(database).stem().string();
    ASSERT_EQ(server.Client("", "CREATE DATABASE " + name).exitCode, 0);
    std::string script = cli.ExportFile(database, {"--format", "sql", "--dialect", "mysql"}, ".sql");
    testenv::CommandResult load = server.Client(name, "source " + script);
    EXPECT_EQ(load.exitCode, 0) << load.err;
  }
  // Hexadecimal: the client's batch output escapes tabs and backslashes.
  auto value = [&](const std::string& query) { return server.Client("", query).out; };
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'awkward'"), "9\n");
  for (const std::string& table : AwkwardTableNames()) {
    std::string quoted = "`";
    for (char c : table) quoted += c == '`' ? "``" : std::string(1, c);
    EXPECT_EQ(value("SELECT COUNT(*) FROM awkward." + quoted + "`"), "2\n") << table;
  }
  EXPECT_EQ(value("SELECT HEX(`from`), HEX(`it's \"quoted\"; -- x`) FROM awkward.`select` WHERE Id = 1"),
            "4F27427269656E205C20227822093B\t6E756C00696E73696465\n");
  EXPECT_EQ(value("SELECT Amount FROM types.Money LIMIT 1"), "-1234.5678\n");
  EXPECT_EQ(value("SELECT `When` FROM types.Dates LIMIT 1 OFFSET 2"), "1899-12-29 06:00:00\n");
  EXPECT_EQ(value("SELECT HEX(Data) FROM types.Binaries LIMIT 1"), "DEADBEEF\n");
  EXPECT_EQ(value("SELECT Id FROM types.Guids LIMIT 1"), "{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}\n");
  EXPECT_EQ(value("SELECT LENGTH(Body) FROM types.Memos WHERE Label = '1 MiB chain'"), "1048576\n");
}

// Every Jet 4 and .accdb file of the corpus exported to SQLite and checked
// value by value against mdb-export (a black box).
TEST(DatabaseExportCorpus, SqliteValuesEqualMdbExports) {
  std::string corpus = testenv::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  Names files = testenv::CorpusJet4Files();
  for (const auto& entry : fs::directory_iterator(corpus))
    if (entry.path().extension() == ".accdb") files.push_back(entry.path().string());
  Cli cli;
  int checked = 0;
  for (const std::string& file : files) {
    // mdb-export prints the calculated columns of these files empty or as
    // day zero; their values are checked against their expressions apart.
    if (file.ends_with("/calcFieldTestV2010.accdb") || file.ends_with("/extDateTestV2019.accdb")) continue;
    std::string destination = cli.dir.File("corpus");
    fs::remove_all(destination);
    fs::create_directory(destination);
    if (cli.Run({"export", file, "--to", destination, "--format", "sqlite"}).exitCode != 0) continue;
    std::string sqlite;
    for (const auto& entry : fs::recursive_directory_iterator(destination))
      if (entry.path().extension() == ".sqlite") sqlite = entry.path().string();
    testenv::CommandResult check = testenv::RunCommand({"/usr/bin/python3", BREVANTIS_DATABASE_CHECK, sqlite, file});
    if (check.exitCode == 2) continue;  // mdbtools cannot read it
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
