// The schema of a database as SQL for one database engine: CREATE TABLE
// with typed columns, NOT NULL and the primary key, the indexes, the foreign
// keys of the enforced relationships, and the saved queries, as views where
// the engine can run them and as comments otherwise. One writer per dialect
// shares the rules; `schema FILE` prints its script, and the SQLite, SQL
// script and PostgreSQL outputs take its statements one by one, with the
// names it gives, to load rows between them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/sql_dialect.h"
#include "export/sql_names.h"
#include "reader/schema.h"

// "sqlite", "postgres" ("postgresql"), "mysql" ("mariadb"); none for
// another name.
std::optional<SqlDialect> SqlDialectNamed(std::string_view name);
const char* SqlDialectName(SqlDialect dialect);

// One statement, with what a reader of the script should know about it.
struct SqlStatement {
  std::string comment;  // plain text, any number of lines
  std::string sql;      // without its final ';'; empty for a comment alone
};

class DdlWriter {
 public:
  // The schema must outlive the writer, and the tables it names the schema.
  static std::unique_ptr<DdlWriter> Make(SqlDialect dialect, const DatabaseSchema& schema);
  virtual ~DdlWriter() = default;
  DdlWriter(const DdlWriter&) = delete;
  DdlWriter& operator=(const DdlWriter&) = delete;

  SqlDialect dialect() const { return dialect_; }
  const DatabaseSchema& schema() const { return schema_; }

  // The names the DDL gives, quoted; `table` must be one of the schema's.
  const std::string& TableName(const TableSchema& table) const;
  const std::string& ColumnName(const TableSchema& table, size_t column) const;
  const std::string& ColumnType(const TableSchema& table, size_t column) const;
  // The same table name unquoted, as the engine's catalog holds it.
  const std::string& TableIdentifier(const TableSchema& table) const;
  // Every table, view and index name the DDL may create, unquoted.
  const std::vector<std::string>& RelationIdentifiers() const { return relationIdentifiers_; }
  virtual std::string Quote(const std::string& name) const = 0;
  // A string literal holding text.
  virtual std::string Literal(const std::string& text) const = 0;

  // False for a table with more columns than the engine takes: it is a
  // comment in the DDL, and no row can go into it.
  bool Creates(const TableSchema& table) const;
  // CREATE TABLE (and the statements describing it); on SQLite the foreign
  // keys are in it, the engine having no other place for them. A table's
  // column types are those of ColumnType. keyAfterRows leaves the primary
  // key and NOT NULL to CreateIndexes, as ALTER TABLE (not on SQLite, which
  // has no other place for them): a key or a required column that a
  // damaged file's rows break then costs the constraint, not the rows.
  // bare leaves the primary key and NOT NULL out altogether: the table a
  // SQLite load falls back to when the rows break them.
  std::vector<SqlStatement> CreateTable(const TableSchema& table, bool keyAfterRows = false, bool bare = false) const;
  std::vector<SqlStatement> CreateIndexes(const TableSchema& table, bool keyAfterRows = false) const;
  // ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY, to run after the rows
  // are in: none on SQLite. notValid leaves existing rows unchecked where
  // the engine allows it (PostgreSQL).
  std::vector<SqlStatement> AddForeignKeys(bool notValid) const;
  // The saved queries: CREATE VIEW for those the engine can run, in an
  // order where each view's sources come first, and a comment for the rest.
  std::vector<SqlStatement> CreateViews() const;
  // The schema's notes (what was left out), as comments.
  std::vector<SqlStatement> Notes() const;

  // Everything, in the order an empty database takes it.
  std::string Script() const;
  static void AppendToScript(const SqlStatement& statement, std::string& script);

  // What the views' SQL needs of the dialect.
  virtual std::string BooleanLiteral(bool value) const = 0;
  // "YYYY-MM-DD HH:MM:SS" as a literal comparable with a date column.
  virtual std::string TimestampLiteral(const std::string& iso) const = 0;
  // The operator matching a pattern without regard to case.
  virtual std::string LikeOperator() const { return "LIKE"; }

 protected:
  DdlWriter(SqlDialect dialect, const DatabaseSchema& schema);
  // Names the schema's objects: the constructor of each dialect's writer
  // calls it once its own hooks can be called.
  void NameObjects();

  // The names the engine accepts: at most limit bytes (or characters), and
  // cleaned of what it refuses.
  virtual SqlNames NewNameSet() const = 0;
  // The type of a column: a text column has its length in characters (0
  // when the record's does not hold), and `wide` says the row is too wide
  // for it as a short string. Types no decoder knows give text.
  virtual std::string TypeOf(const ColumnDef& column, int32_t textLength, bool wide) const = 0;
  size_t MaxColumns() const { return SqlMaxColumns(dialect_); }
  // The type of a primary key's only column.
  virtual std::string SingleKeyType(const std::string& type) const { return type; }
  // True when the engine would refuse a row of these columns; `wide` says
  // which text columns are long strings. The longest text columns no index
  // uses become long until it is false.
  virtual bool RowTooWide(const std::vector<ColumnDef>&, const std::vector<int32_t>& /*textLengths*/,
                          const std::vector<bool>& /*wide*/) const {
    return false;
  }
  virtual bool ForeignKeysInTable() const { return false; }
  // Added to a foreign key that is not to check the rows already in.
  virtual std::string NotValidClause() const { return ""; }
  virtual std::string IndexedColumn(const TableSchema& table, size_t column) const;
  // Descriptions: by default as comments of the CREATE TABLE statement.
  virtual void Describe(const TableSchema& table, std::vector<SqlStatement>& statements) const;
  virtual std::string ColumnSuffix(const TableSchema&, size_t) const { return ""; }
  // ALTER TABLE making a column NOT NULL once its rows are in.
  virtual std::string SetNotNull(const TableSchema& table, size_t column) const;
  // The column as CREATE TABLE declares it: name, type, NOT NULL, default
  // and suffix; what its default cannot keep goes to skipped.
  std::string ColumnDefinition(const TableSchema& table, size_t column, bool notNull, std::string& skipped) const;
  static bool Required(const TableSchema& table, size_t column);
  virtual std::string TableSuffix(const TableSchema&) const { return ""; }

  // The column of that name, or none.
  static std::optional<size_t> FindColumn(const TableSchema& table, const std::string& name);
  // text between two quote characters, each one inside doubled.
  static std::string Delimited(const std::string& text, char quote);
  // "NUMERIC(p,s)" for a decimal column; the bare type name when a
  // damaged record gives digits the engine does not take.
  static std::string DecimalType(const char* name, const ColumnDef& column, int32_t maxPrecision, int32_t maxScale);

 private:
  struct ForeignKey {
    const Relationship* relationship = nullptr;
    const TableSchema* table = nullptr;
    const TableSchema* referenced = nullptr;
    std::vector<size_t> columns, referencedColumns;
    std::string name;
  };
  size_t IndexOf(const TableSchema& table) const;
  std::string ForeignKeyClause(const ForeignKey& key) const;
  // The key's columns, quoted, separated by commas.
  std::string KeyColumns(const TableSchema& table, const IndexDef& key) const;
  std::string DefaultClause(const TableSchema& table, size_t column, std::string& skipped) const;
  void ResolveForeignKeys();

  SqlDialect dialect_;
  const DatabaseSchema& schema_;
  std::unique_ptr<SqlNames> relations_;
  std::vector<std::string> tableNames_, tableIdentifiers_, relationIdentifiers_;
  std::vector<std::vector<std::string>> columnNames_, columnTypes_;
  std::vector<std::vector<std::string>> indexNames_;  // by the table's OwnIndexes()
  std::vector<std::string> viewNames_;               // by query
  std::vector<ForeignKey> foreignKeys_;
  std::vector<std::string> foreignKeyNotes_;
};

std::unique_ptr<DdlWriter> MakeSqliteDdlWriter(const DatabaseSchema& schema);
std::unique_ptr<DdlWriter> MakePostgresDdlWriter(const DatabaseSchema& schema);
std::unique_ptr<DdlWriter> MakeMysqlDdlWriter(const DatabaseSchema& schema);
