#include "export/table_ddl.h"

namespace {

// InnoDB keeps a row's VARCHAR columns within 65,535 bytes, four bytes a
// character in utf8mb4: a wider table takes its texts as TEXT.
constexpr int64_t kMysqlRowBytes = 65535;

bool MysqlRowTooWide(const TableOutput& output) {
  int64_t bytes = 0;
  for (const ColumnDef* column : output.columns) {
    std::string type = SqlColumnType(SqlDialect::Mysql, *column);
    if (type.rfind("VARCHAR(", 0) == 0) bytes += 4 * int64_t{column->length / 2} + 2;
    else bytes += 16;
  }
  return bytes > kMysqlRowBytes;
}

}  // namespace

std::string CreateTableStatement(SqlDialect dialect, const TableOutput& output) {
  const bool mysql = dialect == SqlDialect::Mysql;
  const bool narrowTexts = mysql && MysqlRowTooWide(output);
  std::string sql = "CREATE TABLE " + QuoteName(dialect, output.identifier) + " (";
  for (size_t i = 0; i < output.columns.size(); ++i) {
    std::string type = SqlColumnType(dialect, *output.columns[i]);
    if (narrowTexts && type.rfind("VARCHAR(", 0) == 0) type = "TEXT";
    sql += (i ? ",\n  " : "\n  ") + QuoteName(dialect, output.columnIdentifiers[i]) + " " + type;
  }
  sql += "\n)";
  if (mysql) sql += " DEFAULT CHARSET=utf8mb4";
  return sql;
}
