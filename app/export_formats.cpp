#include "app/export_formats.h"

namespace {

constexpr ExportFormatChoice kChoices[] = {
    {OutputFormat::Xls, "xls", "Excel 97-2003 (.xls)", "Excel Per Database",
     "This option will export all tables in a single excel file", "Excel Per Table",
     "This option will export each table in a single Excel file", true},
    {OutputFormat::Xlsx, "xlsx", "Excel (.xlsx)", "Workbook Per Database",
     "All tables in one .xlsx workbook, a sheet each", "Workbook Per Table",
     "Each table in a .xlsx workbook of its own", true},
    {OutputFormat::Csv, "csv", "CSV", "One File For All Tables", "Not for CSV: a file holds one table",
     "File Per Table", "Each table in a .csv file of its own", false},
    {OutputFormat::Sqlite, "sqlite", "SQLite database (.sqlite)", "One Database",
     "All tables in one SQLite database, with their types", "Database Per Table",
     "Not for SQLite: one database holds every table", false},
    {OutputFormat::SqlScript, "sql-sqlite", "SQL script for SQLite (.sql)", "One Script",
     "All tables in one script that sqlite3 loads", "Script Per Table",
     "Not for SQL scripts: one script holds every table", false, SqlDialect::Sqlite},
    {OutputFormat::SqlScript, "sql-postgres", "SQL script for PostgreSQL (.sql)", "One Script",
     "All tables in one script that psql loads", "Script Per Table",
     "Not for SQL scripts: one script holds every table", false, SqlDialect::Postgres},
    {OutputFormat::SqlScript, "sql-mysql", "SQL script for MySQL (.sql)", "One Script",
     "All tables in one script that mysql loads", "Script Per Table",
     "Not for SQL scripts: one script holds every table", false, SqlDialect::Mysql},
};

}  // namespace

std::span<const ExportFormatChoice> ExportFormatChoices() { return kChoices; }
