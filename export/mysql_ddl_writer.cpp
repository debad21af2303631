// MySQL and MariaDB: names of at most 64 characters of the Basic
// Multilingual Plane not ending in a space, backslashes escaped in
// strings, rows of at most 64 KB of short strings, indexed long columns
// by a prefix, descriptions as COMMENT clauses.
#include <string>

#include "export/ddl_writer.h"
#include "format/utf8.h"

namespace {

constexpr size_t kMaxNameCharacters = 64;
// A row's declared lengths stay within 64 KB; InnoDB keeps within about 8
// KB what it cannot move off the page: every string of at most 255 bytes.
constexpr int64_t kMaxRowBytes = 65535;
constexpr int64_t kMaxInlineBytes = 8000;
constexpr int64_t kOffPageBytes = 20;
constexpr int32_t kBytesPerCharacter = 4;
constexpr size_t kMaxColumnComment = 1024;
constexpr size_t kMaxTableComment = 2048;
constexpr const char* kIndexPrefix = "(255)";

class MysqlDdlWriter final : public DdlWriter {
 public:
  explicit MysqlDdlWriter(const DatabaseSchema& schema) : DdlWriter(SqlDialect::Mysql, schema) { NameObjects(); }

  std::string Quote(const std::string& name) const override { return Delimited(name, '`'); }
  std::string Literal(const std::string& text) const override {
    std::string out = "'";
    for (char c : text) {
      if (c == '\0') {
        out += "\\0";
        continue;
      }
      if (c == '\'' || c == '\\') out += c;
      out += c;
    }
    return out + "'";
  }
  std::string BooleanLiteral(bool value) const override { return value ? "TRUE" : "FALSE"; }
  std::string TimestampLiteral(const std::string& iso) const override { return Literal(iso); }

 protected:
  SqlNames NewNameSet() const override {
    return SqlNames(kMaxNameCharacters, true, [](std::string name) {
      std::string clean;
      for (size_t i = 0; i < name.size();) {
        size_t n = Utf8SequenceLength(name, i);
        if (n == 0 || n == 4 || name[i] == '\0') {
          clean += '_';
          i += n == 0 ? 1 : n;
        } else {
          clean.append(name, i, n);
          i += n;
        }
      }
      while (!clean.empty() && clean.back() == ' ') clean.back() = '_';
      return clean.empty() ? "_" : clean;
    });
  }
  bool RowTooWide(const std::vector<ColumnDef>& columns, const std::vector<int32_t>& textLengths,
                  const std::vector<bool>& wide) const override {
    int64_t declared = 0, inlined = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
      int64_t bytes = 8;
      if (columns[i].type == ColumnType::Text && !wide[i] && textLengths[i] > 0)
        bytes = int64_t{textLengths[i]} * kBytesPerCharacter + 2;
      else if (columns[i].type == ColumnType::Text || columns[i].type == ColumnType::Memo)
        bytes = kOffPageBytes;
      declared += bytes;
      inlined += bytes <= 257 ? bytes : kOffPageBytes;
    }
    return declared > kMaxRowBytes || inlined > kMaxInlineBytes;
  }

  std::string TypeOf(const ColumnDef& column, int32_t textLength, bool wide) const override {
    switch (static_cast<int32_t>(column.type)) {
      case 1: return "BOOLEAN";
      case 2: return "TINYINT UNSIGNED";
      case 3: return "SMALLINT";
      case 4: return "INT";
      case 19: return "BIGINT";
      case 5: return "DECIMAL(19,4)";
      case 6: return "FLOAT";
      case 7: return "DOUBLE";
      case 8: return "DATETIME";
      case 20: return "DATETIME(6)";
      case 10: return wide ? "TEXT" : textLength > 0 ? "VARCHAR(" + std::to_string(textLength) + ")" : "LONGTEXT";
      case 15: return "CHAR(38)";
      case 16: return DecimalType("DECIMAL", column, 65, 30);
      case 9: case 11: case 18: return "LONGBLOB";
      default: return "LONGTEXT";
    }
  }

  // Long strings and binaries are indexed by their start only.
  std::string IndexedColumn(const TableSchema& table, size_t column) const override {
    const std::string& type = ColumnType(table, column);
    bool isLong = type == "TEXT" || type == "LONGTEXT" || type == "LONGBLOB";
    return ColumnName(table, column) + (isLong ? kIndexPrefix : "");
  }

  void Describe(const TableSchema&, std::vector<SqlStatement>&) const override {}
  std::string ColumnSuffix(const TableSchema& table, size_t column) const override {
    if (column >= table.columns.size() || table.columns[column].description.empty()) return "";
    return " COMMENT " + Literal(std::string(Utf8Prefix(table.columns[column].description, kMaxColumnComment)));
  }
  // The column is declared anew, with everything else it had.
  std::string SetNotNull(const TableSchema& table, size_t column) const override {
    std::string skipped;
    return "ALTER TABLE " + TableName(table) + " MODIFY " + ColumnDefinition(table, column, true, skipped);
  }
  std::string TableSuffix(const TableSchema& table) const override {
    std::string suffix = " ENGINE=InnoDB DEFAULT CHARSET=utf8mb4";
    if (!table.description.empty())
      suffix += " COMMENT=" + Literal(std::string(Utf8Prefix(table.description, kMaxTableComment)));
    return suffix;
  }
};

}  // namespace

std::unique_ptr<DdlWriter> MakeMysqlDdlWriter(const DatabaseSchema& schema) {
  return std::make_unique<MysqlDdlWriter>(schema);
}
