// The SQL dialects the database outputs speak: SQLite, PostgreSQL and
// MySQL (MariaDB). Their names, types and DDL are the DDL writers'
// (ddl_writer.h); the values' literals are sql_value.h's.
#pragma once

#include <cstdint>
#include <string_view>

#include "reader/table_def.h"

enum class SqlDialect : uint8_t { Sqlite, Postgres, Mysql };

// "sqlite", "postgres" ("postgresql"), "mysql" ("mariadb"); false for
// anything else.
bool ParseSqlDialect(std::string_view name, SqlDialect& dialect);

// The most columns a table of the dialect has (MySQL: InnoDB's).
size_t SqlMaxColumns(SqlDialect dialect);

// True for the columns whose values are text in every dialect: TEXT, MEMO,
// and the type codes no decoder knows, whose values come as text.
bool HoldsText(const ColumnDef& column);
