#include "export/sql_dialect.h"

#include <algorithm>

#include "format/utf8.h"

namespace {

std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

// Access stores 2 bytes a character of a TEXT column.
int32_t TextCharacters(const ColumnDef& column) { return column.length / 2; }

// The type codes of the newer formats that ColumnType does not name yet.
constexpr int32_t kComplexCode = 0x12;
constexpr int32_t kBigIntCode = 0x13;
constexpr int32_t kExtendedDateCode = 0x14;

std::string WithPrecision(const char* name, int32_t precision, int32_t scale, int32_t maxPrecision,
                          int32_t maxScale) {
  // A damaged column record may hold any precision: the bare type then.
  if (precision < 1 || precision > maxPrecision || scale < 0 || scale > precision || scale > maxScale)
    return name;
  return std::string(name) + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
}

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

std::string QuoteName(SqlDialect dialect, std::string_view identifier) {
  const char quote = dialect == SqlDialect::Mysql ? '`' : '"';
  std::string quoted(1, quote);
  for (char c : identifier) {
    if (c == quote) quoted.push_back(quote);
    quoted.push_back(c);
  }
  quoted.push_back(quote);
  return quoted;
}

std::string SqlIdentifiers::Valid(std::string_view name, std::string_view tail) const {
  std::string valid;
  for (size_t i = 0; i < name.size();) {
    size_t length = std::max<size_t>(1, Utf8SequenceLength(name, i));
    // MySQL takes names from the Basic Multilingual Plane only.
    if (name[i] == '\0' || (dialect_ == SqlDialect::Mysql && length == 4)) {
      valid.push_back('_');
    } else {
      valid.append(name.substr(i, length));
    }
    i += length;
  }
  if (valid.empty()) valid = "_";
  // SQLite keeps tables named sqlite_... for itself.
  if (dialect_ == SqlDialect::Sqlite && kind_ == Kind::Table && Folded(valid).rfind("sqlite_", 0) == 0)
    valid.insert(0, "_");
  if (dialect_ == SqlDialect::Postgres) {
    valid = std::string(Utf8Prefix(valid, std::string_view::npos, 63 - tail.size()));
  } else if (dialect_ == SqlDialect::Mysql) {
    valid = std::string(Utf8Prefix(valid, 64 - tail.size()));
  }
  valid += tail;
  // MySQL refuses names that end with a space.
  if (dialect_ == SqlDialect::Mysql) {
    for (auto it = valid.rbegin(); it != valid.rend() && *it == ' '; ++it) *it = '_';
  }
  return valid;
}

std::string SqlIdentifiers::Add(std::string_view name) {
  std::string identifier = Valid(name, "");
  for (int n = 2; std::find(used_.begin(), used_.end(), Folded(identifier)) != used_.end(); ++n)
    identifier = Valid(name, "_" + std::to_string(n));
  used_.push_back(Folded(identifier));
  return identifier;
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

std::string SqlColumnType(SqlDialect dialect, const ColumnDef& column) {
  const bool sqlite = dialect == SqlDialect::Sqlite, postgres = dialect == SqlDialect::Postgres;
  switch (static_cast<int32_t>(column.type)) {
    case ColumnTypeCode(ColumnType::Bit):
      return sqlite ? "INTEGER" : postgres ? "BOOLEAN" : "TINYINT(1)";
    case ColumnTypeCode(ColumnType::Byte):
      return sqlite ? "INTEGER" : postgres ? "SMALLINT" : "TINYINT UNSIGNED";
    case ColumnTypeCode(ColumnType::Int):
      return sqlite ? "INTEGER" : "SMALLINT";
    case ColumnTypeCode(ColumnType::Long):
      return sqlite || postgres ? "INTEGER" : "INT";
    case kBigIntCode:
      return sqlite ? "INTEGER" : "BIGINT";
    case ColumnTypeCode(ColumnType::Currency):
      return postgres || sqlite ? "NUMERIC(19,4)" : "DECIMAL(19,4)";
    case ColumnTypeCode(ColumnType::Single):
      return sqlite || postgres ? "REAL" : "FLOAT";
    case ColumnTypeCode(ColumnType::Double):
      return sqlite ? "REAL" : postgres ? "DOUBLE PRECISION" : "DOUBLE";
    case ColumnTypeCode(ColumnType::Date):
      return postgres ? "TIMESTAMP" : "DATETIME";
    case kExtendedDateCode:
      return postgres ? "TIMESTAMP" : sqlite ? "DATETIME" : "DATETIME(6)";
    case ColumnTypeCode(ColumnType::Text): {
      int32_t characters = TextCharacters(column);
      if (characters < 1 || characters > 255) return sqlite || postgres ? "TEXT" : "LONGTEXT";
      return "VARCHAR(" + std::to_string(characters) + ")";
    }
    case ColumnTypeCode(ColumnType::Memo):
      return sqlite || postgres ? "TEXT" : "LONGTEXT";
    case ColumnTypeCode(ColumnType::Guid):
      return postgres ? "UUID" : "CHAR(38)";
    case ColumnTypeCode(ColumnType::Numeric):
      return postgres || sqlite ? WithPrecision("NUMERIC", column.precision, column.scale, 1000, 1000)
                                : WithPrecision("DECIMAL", column.precision, column.scale, 65, 30);
    case ColumnTypeCode(ColumnType::Binary):
    case ColumnTypeCode(ColumnType::Ole):
    case kComplexCode:
      return sqlite ? "BLOB" : postgres ? "BYTEA" : "LONGBLOB";
    default:
      return sqlite || postgres ? "TEXT" : "LONGTEXT";
  }
}
