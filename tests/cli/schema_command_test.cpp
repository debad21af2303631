// brevantis-cli schema: DDL that the engines load with the keys, indexes
// and foreign keys the file holds, whatever its names hold, checked on
// built files in SQLite and against mdbtools' mdb-schema on the corpus
// (schema_load_test.cpp loads the corpus's DDL in every engine).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "tests/support/test_db_builder.h"
#include "tests/support/test_env.h"

namespace {

using T = testdb::ColumnType;

testenv::CommandResult Schema(const std::string& file, const std::string& dialect) {
  return testenv::RunCommand({BREVANTIS_CLI, "schema", file, "--dialect", dialect});
}

bool HasProgram(const std::string& path) { return std::filesystem::exists(path); }

const char kSqlite3[] = "/usr/bin/sqlite3";
const char kMdbSchema[] = "/usr/bin/mdb-schema";

// sqlite3 running SQL on a database file; the rows of the last query with
// fields separated by '|'.
testenv::CommandResult Sqlite(const std::string& database, const std::string& sql) {
  const std::string script = database + ".sql";
  testenv::WriteFile(script, sql);
  return testenv::RunCommand({kSqlite3, "-bail", "-batch", database, ".read '" + script + "'"});
}

TEST(SchemaCommand, DdlLoadsInSqliteWithKeysAndIndexesWhateverTheNamesHold) {
  if (!HasProgram(kSqlite3)) GTEST_SKIP() << "sqlite3 is not installed";
  testenv::ScratchDir dir;
  testdb::DatabaseBuilder db;
  // Quotes, brackets, a statement's end, a line break and reserved words.
  const std::string customers = "Customers\"; DROP TABLE x;--\nSELECT";
  const std::string quoted = "it's \"[q]`";
  testdb::Table& c = db.AddTable(customers, {{"ID", T::Long}, {"select", T::Text, 20}, {quoted, T::Text, 100},
                                             {"Amount", T::Currency}, {"Memo", T::Memo}});
  c.indexes = {{.name = "PrimaryKey", .keys = {{"ID"}}, .primary = true},
               {.name = "Pair", .keys = {{"select"}, {quoted, true}}, .unique = true},
               {.name = "Lost", .keys = {{.number = 12}}}};
  c.rows.push_back({{1, "a", "b", testdb::Currency{12345}, "memo"}});
  testdb::Table& o = db.AddTable("Order", {{"OrderID", T::Long}, {"Line", T::Int}, {"Customer", T::Long}});
  o.indexes = {{.name = "PrimaryKey", .keys = {{"OrderID"}, {"Line"}}, .primary = true},
               {.name = "Customer", .keys = {{"Customer"}}}};
  const std::string path = dir.File("names.mdb");
  ASSERT_TRUE(db.Write(path).ok);

  testenv::CommandResult ddl = Schema(path, "sqlite");
  ASSERT_EQ(ddl.exitCode, 0) << ddl.err;
  // The index over a column the table lacks is left out, and said so.
  EXPECT_NE(ddl.err.find("index \"Lost\" names column number 12, which the table does not have"), std::string::npos)
      << ddl.err;
  EXPECT_NE(ddl.out.find("-- Customers\"; DROP TABLE x;--\n-- SELECT: index \"Lost\""), std::string::npos) << ddl.out;
  const std::string database = dir.File("names.sqlite");
  testenv::CommandResult load = Sqlite(database, ddl.out);
  ASSERT_EQ(load.exitCode, 0) << load.err << ddl.out;

  auto rows = [&](const std::string& sql) {
    testenv::CommandResult r = Sqlite(database, sql);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  };
  EXPECT_EQ(rows("SELECT name, type, pk FROM pragma_table_info('" + std::regex_replace(customers, std::regex("'"), "''") +
                 "') ORDER BY cid"),
            "ID|INT|1\nselect|VARCHAR(20)|0\n" + quoted + "|VARCHAR(100)|0\nAmount|NUMERIC(19,4)|0\nMemo|TEXT|0\n");
  EXPECT_EQ(rows("SELECT name, pk FROM pragma_table_info('Order') WHERE pk > 0 ORDER BY pk"), "OrderID|1\nLine|2\n");
  EXPECT_EQ(rows("SELECT il.\"unique\", ix.name, ix.desc FROM sqlite_master m, pragma_index_list(m.tbl_name) il, "
                 "pragma_index_xinfo(il.name) ix WHERE m.type = 'table' AND il.origin = 'c' AND ix.key "
                 "ORDER BY il.name, ix.seqno"),
            "1|select|0\n1|" + quoted + "|1\n0|Customer|0\n");
  EXPECT_EQ(rows("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name LIKE '%Lost%'"), "0\n");

  // The other dialects quote their own way and name no index twice.
  for (const char* dialect : {"postgres", "mysql"}) {
    testenv::CommandResult other = Schema(path, dialect);
    EXPECT_EQ(other.exitCode, 0) << dialect << other.err;
    EXPECT_NE(other.out.find(dialect == std::string("mysql") ? "CREATE TABLE `Customers\"; DROP TABLE x;--\nSELECT`"
                                                             : "CREATE TABLE \"Customers\"\"; DROP TABLE x;--\nSELECT\""),
              std::string::npos)
        << other.out;
  }
  testenv::CommandResult unknown = Schema(path, "oracle");
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("unknown dialect oracle"), std::string::npos);
}

// Keys, indexes and foreign keys as written for MySQL (by us or by
// mdb-schema), which keeps names' case: the table, whether unique, the
// columns in order.
struct Keys {
  std::set<std::string> tables, primary, indexes, foreignKeys;
};

std::set<std::string> Tables(const std::string& ddl) {
  static const std::regex table("CREATE TABLE `(.+?)`");
  std::set<std::string> tables;
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), table), end; it != end; ++it) tables.insert((*it)[1]);
  return tables;
}

std::string Names(const std::string& list) {
  static const std::regex name("`((?:[^`]|``)*)`(?:\\(\\d+\\))?( DESC)?");
  std::string out;
  for (std::sregex_iterator it(list.begin(), list.end(), name), end; it != end; ++it) out += (*it)[1].str() + ",";
  return out;
}

Keys MdbSchemaKeys(const std::string& ddl) {
  static const std::regex primary("ALTER TABLE `(.+?)` ADD PRIMARY KEY \\((.*?)\\);");
  static const std::regex index("ALTER TABLE `(.+?)` ADD (UNIQUE )?INDEX `.+?` \\((.*?)\\);");
  static const std::regex foreign("ALTER TABLE `(.+?)` ADD CONSTRAINT `.+?` FOREIGN KEY \\((.*?)\\) REFERENCES `(.+?)`\\((.*?)\\)(.*?);");
  Keys keys;
  keys.tables = Tables(ddl);
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), primary), end; it != end; ++it)
    keys.primary.insert((*it)[1].str() + ":" + Names((*it)[2]));
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), index), end; it != end; ++it)
    keys.indexes.insert((*it)[1].str() + ":" + (*it)[2].str() + Names((*it)[3]));
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), foreign), end; it != end; ++it)
    keys.foreignKeys.insert((*it)[1].str() + ":" + Names((*it)[2]) + ">" + (*it)[3].str() + ":" + Names((*it)[4]) +
                            (*it)[5].str());
  return keys;
}

Keys OurKeys(const std::string& ddl) {
  static const std::regex table("CREATE TABLE `(.+?)` \\(([^;]*?)\\n\\)");
  static const std::regex primary("PRIMARY KEY \\((.*?)\\)\\n");
  static const std::regex index("CREATE (UNIQUE )?INDEX `.+?` ON `(.+?)` \\((.*?)\\);");
  static const std::regex foreign("ALTER TABLE `(.+?)` ADD CONSTRAINT `.+?` FOREIGN KEY \\((.*?)\\) REFERENCES `(.+?)` \\((.*?)\\)(.*?);");
  Keys keys;
  keys.tables = Tables(ddl);
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), table), end; it != end; ++it) {
    std::smatch key;
    std::string body = (*it)[2].str() + "\n";
    if (std::regex_search(body, key, primary)) keys.primary.insert((*it)[1].str() + ":" + Names(key[1]));
  }
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), index), end; it != end; ++it)
    keys.indexes.insert((*it)[2].str() + ":" + (*it)[1].str() + Names((*it)[3]));
  for (std::sregex_iterator it(ddl.begin(), ddl.end(), foreign), end; it != end; ++it)
    keys.foreignKeys.insert((*it)[1].str() + ":" + Names((*it)[2]) + ">" + (*it)[3].str() + ":" + Names((*it)[4]) +
                            (*it)[5].str());
  return keys;
}

// Where mdb-schema and the file part: checked by hand against the bytes.
const std::map<std::string, std::set<std::string>> kMdbSchemaMisreads = {
    // A logical index whose number is not its B-tree's: mdbtools takes the
    // B-tree of that number, here the other index's.
    {"testIndexCodes.mdb", {"Table1:name,", "Table1:UNIQUE name,", "Table1:data,", "Table1:data,"}},
    // Two relationships from one table: mdbtools writes the first only.
    {"indexTestV2010.accdb", {"Table1:otherfk2,>Table3:id, ON UPDATE CASCADE"}},
    {"jackcess_indexTestV2003_8662b8b7.mdb", {"Table1:otherfk2,>Table3:id, ON UPDATE CASCADE"}},
    {"jackcess_indexTestV2000_facd2463.mdb",
     {"Table1:otherfk1,>Table2:id, ON DELETE CASCADE", "Table1:otherfk2,>Table3:id, ON UPDATE CASCADE"}},
};

TEST(SchemaCommand, KeysIndexesAndForeignKeysAgreeWithMdbSchemaOnTheCorpus) {
  const std::string corpus = testenv::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "the corpus is not there";
  if (!HasProgram(kMdbSchema)) GTEST_SKIP() << "mdbtools is not installed";
  int files = 0, same = 0, misread = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".mdb" && entry.path().extension() != ".accdb") continue;
    testenv::CommandResult ours = Schema(entry.path().string(), "mysql");
    if (ours.exitCode != 0) continue;  // refused or encrypted: the format checks' tests say so
    ++files;
    testenv::CommandResult theirs = testenv::RunCommand({kMdbSchema, "--indexes", "--relations", entry.path(), "mysql"});
    Keys a = OurKeys(ours.out), b = MdbSchemaKeys(theirs.out);
    // mdb-schema cannot write descending columns: it leaves the list empty.
    auto known = [&](const std::string& key) { return key.ends_with(":") || key.ends_with(":UNIQUE "); };
    std::set<std::string> excused;
    if (auto it = kMdbSchemaMisreads.find(name); it != kMdbSchemaMisreads.end()) excused = it->second;
    // Each lists tables the other does not (system tables, complex
    // columns' own): only the tables both list are compared.
    auto shared = [&](const std::string& key) {
      const std::string table = key.substr(0, key.find(':'));
      return a.tables.count(table) && b.tables.count(table);
    };
    auto compare = [&](const std::set<std::string>& ours, const std::set<std::string>& theirs, const char* what) {
      for (const std::string& key : theirs)
        if (shared(key) && !ours.count(key) && !known(key) && !excused.count(key))
          ADD_FAILURE() << name << ": mdb-schema has the " << what << " " << key;
      for (const std::string& key : ours) {
        if (!shared(key)) continue;
        if (theirs.count(key)) ++same;
        else if (excused.count(key)) ++misread;
        else if (!std::any_of(theirs.begin(), theirs.end(), known)) ADD_FAILURE() << name << ": we have the " << what << " " << key;
      }
    };
    compare(a.primary, b.primary, "primary key");
    compare(a.indexes, b.indexes, "index");
    // Relationships need MSysRelationships, which a file may have lost.
    if (ours.err.find("MSysRelationships is not there") == std::string::npos)
      compare(a.foreignKeys, b.foreignKeys, "foreign key");
  }
  EXPECT_GT(files, 50);
  std::printf("%d files: %d keys and indexes as mdb-schema has them, %d where it misreads the file\n", files, same,
              misread);
}

}  // namespace
