// SQLite: types by their affinity, the foreign keys inside CREATE TABLE,
// descriptions as comments.
#include <string>

#include "export/ddl_writer.h"

namespace {

class SqliteDdlWriter final : public DdlWriter {
 public:
  explicit SqliteDdlWriter(const DatabaseSchema& schema) : DdlWriter(SqlDialect::Sqlite, schema) { NameObjects(); }

  std::string Quote(const std::string& name) const override { return Delimited(name, '"'); }
  std::string Literal(const std::string& text) const override {
    std::string kept;
    for (char c : text)
      if (c != '\0') kept += c;
    return Delimited(kept, '\'');
  }
  std::string BooleanLiteral(bool value) const override { return value ? "1" : "0"; }
  // Dates are stored as this text: comparing texts compares the dates.
  std::string TimestampLiteral(const std::string& iso) const override { return Literal(iso); }

 protected:
  SqlNames NewNameSet() const override {
    return SqlNames(0, false, [](std::string name) {
      for (char& c : name)
        if (c == '\0') c = '_';
      // Names beginning so are the engine's own.
      if (name.empty() || LowerPrefix(name, "sqlite_")) name = "_" + name;
      return name;
    });
  }
  bool ForeignKeysInTable() const override { return true; }
  // An INTEGER key would be the row id: a row without a key would get a
  // made-up one, and the rows would come out in key order, not the file's.
  std::string SingleKeyType(const std::string& type) const override { return type == "INTEGER" ? "INT" : type; }

  std::string TypeOf(const ColumnDef& column, int32_t textLength, bool) const override {
    switch (static_cast<int32_t>(column.type)) {
      case 1: case 2: case 3: case 4: case 19: return "INTEGER";
      case 5: return "NUMERIC(19,4)";
      case 6: case 7: return "REAL";
      case 8: case 20: return "DATETIME";
      case 10: return textLength > 0 ? "VARCHAR(" + std::to_string(textLength) + ")" : "TEXT";
      case 15: return "CHAR(38)";
      case 16: return DecimalType("NUMERIC", column, 1000, 1000);
      case 9: case 11: case 18: return "BLOB";
      default: return "TEXT";
    }
  }

 private:
  static bool LowerPrefix(const std::string& name, const std::string& prefix) {
    if (name.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      char c = name[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != prefix[i]) return false;
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<DdlWriter> MakeSqliteDdlWriter(const DatabaseSchema& schema) {
  return std::make_unique<SqliteDdlWriter>(schema);
}
