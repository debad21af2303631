// What the export options dialog hands to the export job: where the
// workbooks go, one workbook for the database or one per table, the file
// format, which tables, in the order they were listed, and whether their
// deleted rows go with them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/sql_dialect.h"

struct TableDef;

constexpr int32_t kExcelPerDatabase = 12;
constexpr int32_t kExcelPerTable = 13;

// Workbooks and CSV files; a SQLite database, a SQL script (in `dialect`)
// or the tables of a PostgreSQL server (at `serverUrl`) for the whole file.
enum class OutputFormat { Xls, Xlsx, Csv, Sqlite, SqlScript, Postgres };

// The formats that load one database rather than write sheets.
constexpr bool IsDatabaseFormat(OutputFormat format) {
  return format == OutputFormat::Sqlite || format == OutputFormat::SqlScript || format == OutputFormat::Postgres;
}

struct ExportOptions {
  // The dated folder made by Export/Save; empty until then, and for an
  // export into a server, which writes no file.
  std::string exportFolder;
  // kExcelPerTable, or anything else for one workbook per database.
  int32_t workbookMode = kExcelPerDatabase;
  // CSV has a file per table, the database formats one database, whatever
  // the mode.
  OutputFormat format = OutputFormat::Xls;
  SqlDialect dialect = SqlDialect::Sqlite;
  // Postgres: the server's connection URL (postgresql://USER@HOST/DB), and
  // whether tables of the same names are replaced rather than refused.
  std::string serverUrl;
  bool replaceTables = false;
  // Also the deleted rows that can still be read, for each table that has
  // some, in sheets of their own after the table's.
  bool includeDeleted = false;
  // Entries of the session's TableList, which stay in place until the next open.
  std::vector<TableDef*> chosenTables;
};
