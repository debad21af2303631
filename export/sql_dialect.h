// The SQL dialects the database outputs speak: SQLite, PostgreSQL and
// MySQL (MariaDB). What differs between them for names and column types
// lives here, so that the tables an output creates and the rows it loads
// into them agree whatever the names hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reader/table_def.h"

enum class SqlDialect : uint8_t { Sqlite, Postgres, Mysql };

// "sqlite", "postgres" ("postgresql"), "mysql" ("mariadb"); false for
// anything else.
bool ParseSqlDialect(std::string_view name, SqlDialect& dialect);

// The most columns a table of the dialect has (MySQL: InnoDB's).
size_t SqlMaxColumns(SqlDialect dialect);

// An identifier quoted for the dialect: "Order ""Details""" or `a``b`.
// The identifier must come from SqlIdentifiers, which keeps out what no
// quoting lets through.
std::string QuoteName(SqlDialect dialect, std::string_view identifier);

// The identifiers of one namespace of an output (the tables of a database,
// the columns of a table), each name made acceptable to the dialect and
// different from the others as the dialect compares them: a zero byte
// and what the dialect refuses become '_', the length is cut to its limit
// (PostgreSQL 63 bytes, MySQL 64 characters), and a name taken already
// gets "_2", "_3", ... Names compare without regard to ASCII case, as
// SQLite and MySQL do.
class SqlIdentifiers {
 public:
  enum class Kind { Table, Column };

  SqlIdentifiers(SqlDialect dialect, Kind kind) : dialect_(dialect), kind_(kind) {}

  std::string Add(std::string_view name);

 private:
  std::string Valid(std::string_view name, std::string_view tail) const;

  SqlDialect dialect_;
  Kind kind_;
  std::vector<std::string> used_;  // folded to lower case
};

// True for the columns whose values are text in every dialect: TEXT, MEMO,
// and the type codes no decoder knows, whose values come as text.
bool HoldsText(const ColumnDef& column);

// The column's type in the dialect's CREATE TABLE: INTEGER, REAL, exact
// NUMERIC for currency and decimals, DATETIME or TIMESTAMP for dates,
// BLOB or BYTEA for bytes, text types for the rest.
std::string SqlColumnType(SqlDialect dialect, const ColumnDef& column);
