// A saved query's SQL, rebuilt from its MSysQueries rows. Access keeps a
// query as parts (its kind, options, tables, columns, joins, conditions,
// sort), one row each, rather than as text; the text it shows is made from
// them by fixed rules, which this follows. Data-definition and pass-through
// queries keep their text whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/schema.h"

// Attribute codes of MSysQueries rows.
enum class QueryAttribute : int32_t {
  Start = 0,
  Kind = 1,
  Parameter = 2,
  Options = 3,
  RemoteSource = 4,
  Table = 5,
  Column = 6,
  Join = 7,
  Where = 8,
  GroupBy = 9,
  Having = 10,
  OrderBy = 11,
  End = 255,
};

struct QueryRow {
  int32_t attribute = 0;
  std::string order;  // a counter per attribute, compared as bytes
  std::string name1;
  std::string name2;
  std::string expression;
  int32_t flag = 0;
  int32_t extra = 0;  // a text parameter's size
};

struct RebuiltQuery {
  QueryKind kind = QueryKind::Select;
  std::string sql;
  std::string problem;  // why there is no SQL, when sql is empty
};

// The kind as the catalog's Flags give it, none for a value it does not use.
std::optional<QueryKind> QueryKindFromCatalogFlags(int32_t flags);

// The SQL of one query from its rows, in any order. A row of unknown
// attribute, a join naming a table the query does not use, or parts a kind
// needs that are missing leave the SQL empty and say why.
RebuiltQuery RebuildQuerySql(std::vector<QueryRow> rows, int32_t catalogFlags);
