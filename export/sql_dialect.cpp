#include "export/sql_dialect.h"

namespace {

// The type codes of the newer formats that ColumnType does not name yet.
constexpr int32_t kComplexCode = 0x12;
constexpr int32_t kBigIntCode = 0x13;
constexpr int32_t kExtendedDateCode = 0x14;

}  // namespace

bool ParseSqlDialect(std::string_view name, SqlDialect& dialect) {
  if (name == "sqlite") {
    dialect = SqlDialect::Sqlite;
  } else if (name == "postgres" || name == "postgresql") {
    dialect = SqlDialect::Postgres;
  } else if (name == "mysql" || name == "mariadb") {
    dialect = SqlDialect::Mysql;
  } else {
    return false;
  }
  return true;
}

size_t SqlMaxColumns(SqlDialect dialect) {
  switch (dialect) {
    case SqlDialect::Postgres: return 1600;
    case SqlDialect::Mysql: return 1017;
    case SqlDialect::Sqlite: break;
  }
  return 2000;
}

bool HoldsText(const ColumnDef& column) {
  switch (static_cast<int32_t>(column.type)) {
    case ColumnTypeCode(ColumnType::Bit):
    case ColumnTypeCode(ColumnType::Byte):
    case ColumnTypeCode(ColumnType::Int):
    case ColumnTypeCode(ColumnType::Long):
    case ColumnTypeCode(ColumnType::Currency):
    case ColumnTypeCode(ColumnType::Single):
    case ColumnTypeCode(ColumnType::Double):
    case ColumnTypeCode(ColumnType::Date):
    case ColumnTypeCode(ColumnType::Binary):
    case ColumnTypeCode(ColumnType::Ole):
    case ColumnTypeCode(ColumnType::Guid):
    case ColumnTypeCode(ColumnType::Numeric):
    case kComplexCode:
    case kBigIntCode:
    case kExtendedDateCode:
      return false;
    default:
      return true;
  }
}
