// PostgreSQL: names of at most 63 bytes, descriptions as COMMENT ON,
// foreign keys that may leave the rows already loaded unchecked.
#include <string>

#include "export/ddl_writer.h"

namespace {

// The engine cuts longer names, which could then collide.
constexpr size_t kMaxNameBytes = 63;

class PostgresDdlWriter final : public DdlWriter {
 public:
  explicit PostgresDdlWriter(const DatabaseSchema& schema) : DdlWriter(SqlDialect::Postgres, schema) {
    NameObjects();
  }

  std::string Quote(const std::string& name) const override { return Delimited(name, '"'); }
  // Its texts cannot hold a zero character.
  std::string Literal(const std::string& text) const override {
    std::string kept;
    for (char c : text)
      if (c != '\0') kept += c;
    return Delimited(kept, '\'');
  }
  std::string BooleanLiteral(bool value) const override { return value ? "TRUE" : "FALSE"; }
  std::string TimestampLiteral(const std::string& iso) const override { return "TIMESTAMP " + Literal(iso); }
  std::string LikeOperator() const override { return "ILIKE"; }

 protected:
  SqlNames NewNameSet() const override {
    return SqlNames(kMaxNameBytes, false, [](std::string name) {
      for (char& c : name)
        if (c == '\0') c = '_';
      return name.empty() ? "_" : name;
    });
  }
  std::string NotValidClause() const override { return " NOT VALID"; }

  std::string TypeOf(const ColumnDef& column, int32_t textLength, bool) const override {
    switch (static_cast<int32_t>(column.type)) {
      case 1: return "BOOLEAN";
      case 2: case 3: return "SMALLINT";
      case 4: return "INTEGER";
      case 19: return "BIGINT";
      case 5: return "NUMERIC(19,4)";
      case 6: return "REAL";
      case 7: return "DOUBLE PRECISION";
      case 8: case 20: return "TIMESTAMP";
      case 10: return textLength > 0 ? "VARCHAR(" + std::to_string(textLength) + ")" : "TEXT";
      case 15: return "UUID";
      case 16: return DecimalType("NUMERIC", column, 1000, 1000);
      case 9: case 11: case 18: return "BYTEA";
      default: return "TEXT";
    }
  }

  void Describe(const TableSchema& table, std::vector<SqlStatement>& statements) const override {
    if (!table.description.empty())
      statements.push_back({"", "COMMENT ON TABLE " + TableName(table) + " IS " + Literal(table.description)});
    for (size_t i = 0; i < table.columns.size() && i < table.table->columns.size(); ++i)
      if (!table.columns[i].description.empty())
        statements.push_back({"", "COMMENT ON COLUMN " + TableName(table) + "." + ColumnName(table, i) + " IS " +
                                      Literal(table.columns[i].description)});
  }
};

}  // namespace

std::unique_ptr<DdlWriter> MakePostgresDdlWriter(const DatabaseSchema& schema) {
  return std::make_unique<PostgresDdlWriter>(schema);
}
