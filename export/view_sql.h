// A saved query's Access SQL as a view another engine can run, or the
// reason it cannot be one. Only what reads the same on both sides is
// taken: SELECT [DISTINCT] over tables and earlier views, with joins,
// WHERE, GROUP BY, HAVING, ORDER BY and UNION, names resolved to the
// tables' and views' own (so that case and quoting follow the engine),
// strings, numbers, dates, comparisons, arithmetic and the five
// aggregates. Parameters, functions of Access, TOP, DISTINCTROW over
// several tables, crosstabs and actions stay comments.
#pragma once

#include <map>
#include <string>
#include <vector>

class DdlWriter;

// What a comparison may need to know of a column's values.
enum class ValueClass { Other, Boolean, Text };

struct ViewColumn {
  std::string name;  // as Access names it
  std::string sql;   // quoted as the DDL names it
  ValueClass valueClass = ValueClass::Other;
};

struct ViewSource {
  std::string sql;  // quoted
  std::vector<ViewColumn> columns;
};

// The tables and the views made so far, by their Access names in lower case.
using ViewSources = std::map<std::string, ViewSource>;

struct ViewSql {
  std::string sql;  // the SELECT
  std::vector<ViewColumn> columns;
  std::string problem;        // why there is no SQL
  std::string missingSource;  // the source it reads that is not known (yet)
};

ViewSql TranslateView(const std::string& accessSql, const ViewSources& sources, const DdlWriter& writer);

// ASCII lower case: Access compares names without case.
std::string LowerName(std::string name);
