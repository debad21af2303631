// Saved queries' SQL rebuilt from their MSysQueries rows: the forms Access
// shows for each kind, and rows that are shuffled, unknown or contradictory.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "reader/query_sql.h"

namespace {

QueryRow Row(QueryAttribute attribute, std::string name1, std::string name2, std::string expression, int32_t flag = 0,
             int order = 0) {
  QueryRow row;
  row.attribute = static_cast<int32_t>(attribute);
  row.name1 = std::move(name1);
  row.name2 = std::move(name2);
  row.expression = std::move(expression);
  row.flag = flag;
  if (order > 0) row.order = std::string({0, 0, 0, static_cast<char>(order)});
  return row;
}

using A = QueryAttribute;

// The select query of the samples: DISTINCT, three tables, a left join and
// an inner join of two conditions, where and order.
std::vector<QueryRow> SelectRows() {
  return {Row(A::Start, "", "", ""),
          Row(A::Kind, "", "", "", 1),
          Row(A::Options, "", "", "", 2),
          Row(A::Table, "Table1", "", "", 0, 1),
          Row(A::Table, "Table2", "", "", 0, 2),
          Row(A::Table, "Table3", "", "", 0, 3),
          Row(A::Column, "", "", "Table1.*", 0, 1),
          Row(A::Column, "", "", "Table2.col1", 0, 2),
          Row(A::Column, "", "", "Table2.col2", 0, 3),
          Row(A::Column, "", "", "Table3.col3", 0, 4),
          Row(A::Join, "Table1", "Table3", "Table1.col1 = Table3.col1", 2, 1),
          Row(A::Join, "Table3", "Table2", "Table3.col1 = Table2.col1", 1, 2),
          Row(A::Join, "Table3", "Table2", "Table3.col1 = Table2.col2", 1, 3),
          Row(A::OrderBy, "", "", "Table2.col1"),
          Row(A::Where, "", "", "(((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))"),
          Row(A::End, "", "", "")};
}

const char kSelectSql[] =
    "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\n"
    "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = "
    "Table2.col2) AND (Table3.col1 = Table2.col1)\n"
    "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\n"
    "ORDER BY Table2.col1;";

TEST(RebuildQuerySql, GivesEachKindTheFormAccessShows) {
  struct Case {
    const char* what;
    std::vector<QueryRow> rows;
    int32_t catalogFlags;
    QueryKind kind;
    std::string sql;
  };
  const Case cases[] = {
      {"select", SelectRows(), 0, QueryKind::Select, kSelectSql},
      {"crosstab",
       {Row(A::Kind, "", "", "", 6), Row(A::Table, "Table1", "", ""), Row(A::Table, "Table2", "T2", ""),
        Row(A::Join, "Table1", "T2", "[Table1].[col1]=T2.col1", 1),
        Row(A::Column, "CountOfcol2", "", "Count(T2.col2)", 0), Row(A::Column, "", "", "T2.col3", 2),
        Row(A::Column, "", "", "[Table1].[col1]", 1), Row(A::GroupBy, "", "", "T2.col3", 2),
        Row(A::GroupBy, "", "", "[Table1].[col1]", 1)},
       0x10,
       QueryKind::Crosstab,
       "TRANSFORM Count(T2.col2) AS CountOfcol2\nSELECT T2.col3\nFROM Table1 INNER JOIN Table2 AS T2 ON "
       "[Table1].[col1]=T2.col1\nGROUP BY T2.col3\nPIVOT [Table1].[col1];"},
      {"update with a parameter",
       {Row(A::Kind, "", "", "", 4), Row(A::Parameter, "User Name", "", "", 10), Row(A::Table, "Table1", "", ""),
        Row(A::Column, "", "Table1.col1", "\"foo\""), Row(A::Column, "", "Table1.col2", "[User Name]"),
        Row(A::Where, "", "", "Table1.col3 Is Null")},
       0x30,
       QueryKind::Update,
       "PARAMETERS [User Name] Text;\nUPDATE Table1\nSET Table1.col1 = \"foo\", Table1.col2 = [User "
       "Name]\nWHERE Table1.col3 Is Null;"},
      {"append of values",
       {Row(A::Kind, "table 1", "", "", 3), Row(A::Column, "", "text1", "'a'", 0x8000),
        Row(A::Column, "", "date 1", "#2001-10-10#", 0x8000)},
       0x40,
       QueryKind::Append,
       "INSERT INTO [table 1] (text1, date 1)\nVALUES ('a', #2001-10-10#);"},
      {"make-table, TOP and owner access",
       {Row(A::Kind, "Order Copy", "", "", 2), Row(A::Options, "10", "", "", 0x10 | 0x20 | 0x04),
        Row(A::Table, "Order Details", "", ""), Row(A::Column, "", "", "[Order Details].Qty"),
        Row(A::OrderBy, "D", "", "[Order Details].Qty")},
       0x50,
       QueryKind::MakeTable,
       "SELECT TOP 10 PERCENT [Order Details].Qty INTO [Order Copy]\nFROM [Order Details]\nORDER BY [Order "
       "Details].Qty DESC\nWITH OWNERACCESS OPTION;"},
      {"union, CR LF kept as lines",
       {Row(A::Kind, "", "", "", 9), Row(A::Options, "", "", "", 2),
        Row(A::Table, "", "X7YZ_____2", "  SELECT b FROM U\r\n"), Row(A::Table, "", "X7YZ_____1", "SELECT a\r\nFROM T "),
        Row(A::OrderBy, "", "", "a")},
       0x80,
       QueryKind::Union,
       "SELECT a\nFROM T\nUNION SELECT b FROM U\nORDER BY a;"},
      {"data definition, stored whole",
       {Row(A::Kind, "", "", std::string("CREATE TABLE T (c TEXT);") + '\0', 7)},
       0x60,
       QueryKind::DataDefinition,
       "CREATE TABLE T (c TEXT);"},
      {"a catalog saying select over a row saying delete",
       {Row(A::Kind, "", "", "", 5), Row(A::Table, "T", "", ""), Row(A::Column, "", "", "T.*")},
       0x08,
       QueryKind::Delete,
       "DELETE T.*\nFROM T;"},
  };
  for (const Case& c : cases) {
    RebuiltQuery rebuilt = RebuildQuerySql(c.rows, c.catalogFlags);
    EXPECT_EQ(rebuilt.problem, "") << c.what;
    EXPECT_EQ(rebuilt.kind, c.kind) << c.what;
    EXPECT_EQ(rebuilt.sql, c.sql) << c.what;
  }
}

TEST(RebuildQuerySql, ReadsRowsInAnyOrderByTheirOrderCounters) {
  std::vector<QueryRow> rows = SelectRows();
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(rows.begin(), rows.end(), random);
    EXPECT_EQ(RebuildQuerySql(rows, 0).sql, kSelectSql);
  }
}

TEST(RebuildQuerySql, LeavesOutWhatDoesNotAddUpAndSaysWhy) {
  struct Case {
    const char* what;
    std::vector<QueryRow> rows;
    std::string problem;
  };
  const Case cases[] = {
      {"an unknown part", {Row(A::Kind, "", "", "", 1), Row(static_cast<A>(12), "", "", "x")}, "a part of unknown kind 12"},
      {"a join to a table it does not use",
       {Row(A::Kind, "", "", "", 1), Row(A::Table, "T", "", ""), Row(A::Column, "", "", "T.a"),
        Row(A::Join, "T", "Gone", "T.a = Gone.a", 1)},
       "a join names Gone, which the query does not use"},
      // Joins that come back to a table already joined, in another way.
      {"joins in a loop",
       {Row(A::Kind, "", "", "", 1), Row(A::Table, "A", "", ""), Row(A::Table, "B", "", ""), Row(A::Table, "C", "", ""),
        Row(A::Column, "", "", "A.x"), Row(A::Join, "A", "B", "A.x=B.x", 1), Row(A::Join, "B", "C", "B.x=C.x", 1),
        Row(A::Join, "C", "A", "C.x=A.x", 2)},
       "joins of C and A contradict each other"},
      {"no output column", {Row(A::Kind, "", "", "", 1), Row(A::Table, "T", "", "")}, "it has no output column"},
      {"a kind nobody knows", {Row(A::Kind, "", "", "", 42)}, "its kind is unknown"},
      {"a union missing a side", {Row(A::Kind, "", "", "", 9), Row(A::Table, "", "X7YZ_____1", "SELECT 1")},
       "a side of the union is missing"},
  };
  for (const Case& c : cases) {
    RebuiltQuery rebuilt = RebuildQuerySql(c.rows, 0);
    EXPECT_EQ(rebuilt.sql, "") << c.what;
    EXPECT_EQ(rebuilt.problem, c.problem) << c.what;
  }
}

}  // namespace
