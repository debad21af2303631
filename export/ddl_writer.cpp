#include "export/ddl_writer.h"

#include <algorithm>
#include <set>

#include "export/view_sql.h"

namespace {

bool IsNumberLiteral(const std::string& text) {
  size_t i = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  bool digits = false, dot = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      digits = true;
    } else if (text[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digits;
}

bool IsTextType(ColumnType type) { return type == ColumnType::Text || type == ColumnType::Memo; }

bool IsNumberType(ColumnType type) {
  switch (type) {
    case ColumnType::Byte:
    case ColumnType::Int:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::Numeric:
      return true;
    default:
      return static_cast<int32_t>(type) == 19;  // BIGINT
  }
}

ValueClass ClassOf(const ColumnDef& column) {
  if (column.type == ColumnType::Bit) return ValueClass::Boolean;
  if (IsTextType(column.type)) return ValueClass::Text;
  return ValueClass::Other;
}

std::string Unquoted(const std::string& text) {
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    std::string inner;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      inner += text[i];
      if (text[i] == text.front() && i + 2 < text.size() && text[i + 1] == text.front()) ++i;
    }
    return inner;
  }
  return text;
}

}  // namespace

std::optional<SqlDialect> SqlDialectNamed(std::string_view name) {
  SqlDialect dialect;
  if (!ParseSqlDialect(name, dialect)) return std::nullopt;
  return dialect;
}

const char* SqlDialectName(SqlDialect dialect) {
  switch (dialect) {
    case SqlDialect::Sqlite: return "sqlite";
    case SqlDialect::Postgres: return "postgres";
    case SqlDialect::Mysql: return "mysql";
  }
  return "";
}

std::unique_ptr<DdlWriter> DdlWriter::Make(SqlDialect dialect, const DatabaseSchema& schema) {
  switch (dialect) {
    case SqlDialect::Sqlite: return MakeSqliteDdlWriter(schema);
    case SqlDialect::Postgres: return MakePostgresDdlWriter(schema);
    case SqlDialect::Mysql: return MakeMysqlDdlWriter(schema);
  }
  return nullptr;
}

DdlWriter::DdlWriter(SqlDialect dialect, const DatabaseSchema& schema) : dialect_(dialect), schema_(schema) {}

std::optional<size_t> DdlWriter::FindColumn(const TableSchema& table, const std::string& name) {
  const std::string wanted = LowerName(name);
  for (size_t i = 0; i < table.table->columns.size(); ++i)
    if (LowerName(table.table->columns[i].name) == wanted) return i;
  return std::nullopt;
}

std::string DdlWriter::Delimited(const std::string& text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  return out + quote;
}

std::string DdlWriter::DecimalType(const char* name, const ColumnDef& column, int32_t maxPrecision,
                                   int32_t maxScale) {
  if (column.precision < 1 || column.precision > maxPrecision || column.scale < 0 ||
      column.scale > column.precision || column.scale > maxScale)
    return name;
  return std::string(name) + "(" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")";
}

size_t DdlWriter::IndexOf(const TableSchema& table) const {
  return static_cast<size_t>(&table - schema_.tables.data());
}

const std::string& DdlWriter::TableName(const TableSchema& table) const { return tableNames_[IndexOf(table)]; }

const std::string& DdlWriter::ColumnName(const TableSchema& table, size_t column) const {
  return columnNames_[IndexOf(table)][column];
}

const std::string& DdlWriter::ColumnType(const TableSchema& table, size_t column) const {
  return columnTypes_[IndexOf(table)][column];
}

const std::string& DdlWriter::TableIdentifier(const TableSchema& table) const {
  return tableIdentifiers_[IndexOf(table)];
}

void DdlWriter::NameObjects() {
  relations_ = std::make_unique<SqlNames>(NewNameSet());
  auto relation = [this](const std::string& wanted) {
    relationIdentifiers_.push_back(relations_->Add(wanted));
    return Quote(relationIdentifiers_.back());
  };
  for (const TableSchema& table : schema_.tables) {
    tableNames_.push_back(relation(table.table->name));
    tableIdentifiers_.push_back(relationIdentifiers_.back());

    SqlNames columnSet = NewNameSet();
    std::vector<std::string> names;
    for (const ColumnDef& column : table.table->columns) names.push_back(Quote(columnSet.Add(column.name)));
    columnNames_.push_back(std::move(names));

    // Short strings as long as Access allows, unless the row would be too
    // wide for the engine: then the longest ones no index uses become long.
    const auto& columns = table.table->columns;
    std::vector<int32_t> lengths;
    for (const ColumnDef& column : columns) {
      int32_t length = column.storedLength / std::max(schema_.textBytesPerCharacter, 1);
      lengths.push_back(length < 1 || length > 255 ? 0 : length);
    }
    std::vector<bool> wide(columns.size(), false);
    std::set<int32_t> indexed;
    for (const IndexDef* index : table.OwnIndexes())
      for (const IndexColumn& column : index->columns) indexed.insert(column.columnNumber);
    std::vector<size_t> order;
    for (size_t i = 0; i < columns.size(); ++i)
      if (columns[i].type == ColumnType::Text && !indexed.count(columns[i].columnNumber)) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return lengths[a] > lengths[b]; });
    for (size_t i : order) {
      if (!RowTooWide(columns, lengths, wide)) break;
      wide[i] = true;
    }
    std::vector<std::string> types;
    for (size_t i = 0; i < columns.size(); ++i) types.push_back(TypeOf(columns[i], lengths[i], wide[i]));
    if (const IndexDef* key = table.PrimaryKey(); key && key->columns.size() == 1)
      for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].columnNumber == key->columns[0].columnNumber) types[i] = SingleKeyType(types[i]);
    columnTypes_.push_back(std::move(types));
  }
  for (const SavedQuery& query : schema_.queries)
    viewNames_.push_back(query.kind == QueryKind::Select || query.kind == QueryKind::Union
                             ? relation(query.name)
                             : std::string());
  for (const TableSchema& table : schema_.tables) {
    std::vector<std::string> names;
    for (const IndexDef* index : table.OwnIndexes())
      names.push_back(index->kind == IndexKind::PrimaryKey ? std::string()
                                                           : relation(table.table->name + "_" + index->name));
    indexNames_.push_back(std::move(names));
  }
  ResolveForeignKeys();
}

void DdlWriter::ResolveForeignKeys() {
  SqlNames constraints = NewNameSet();
  for (const Relationship& relationship : schema_.relationships) {
    auto leftOut = [&](const std::string& why) {
      foreignKeyNotes_.push_back("relationship \"" + relationship.name + "\" of " + relationship.table + " to " +
                                 relationship.referencedTable + ": " + why + ", no foreign key");
    };
    if (!relationship.enforced) {
      leftOut("not enforced in Access");
      continue;
    }
    ForeignKey key;
    key.relationship = &relationship;
    key.table = schema_.FindTable(relationship.table);
    key.referenced = schema_.FindTable(relationship.referencedTable);
    if (!key.table || !key.referenced || !key.table->keysKnown || !key.referenced->keysKnown) {
      leftOut("a table of it is not in the schema");
      continue;
    }
    if (!Creates(*key.table) || !Creates(*key.referenced)) {
      leftOut("a table of it is not created");
      continue;
    }
    if (relationship.columns.empty() || relationship.columns.size() != relationship.referencedColumns.size()) {
      leftOut("its columns do not pair up");
      continue;
    }
    bool found = true;
    for (size_t i = 0; i < relationship.columns.size() && found; ++i) {
      auto column = FindColumn(*key.table, relationship.columns[i]);
      auto referenced = FindColumn(*key.referenced, relationship.referencedColumns[i]);
      found = column && referenced;
      if (found) {
        key.columns.push_back(*column);
        key.referencedColumns.push_back(*referenced);
      }
    }
    if (!found) {
      leftOut("a column of it is not in its table");
      continue;
    }
    // Engines refer only to a key: the referenced columns must be the
    // primary key or a unique index.
    std::set<int32_t> wanted;
    for (size_t column : key.referencedColumns) wanted.insert(key.referenced->table->columns[column].columnNumber);
    bool keyed = false;
    for (const IndexDef* index : key.referenced->OwnIndexes()) {
      std::set<int32_t> columns;
      for (const IndexColumn& column : index->columns) columns.insert(column.columnNumber);
      keyed = keyed || (index->unique && columns == wanted);
    }
    if (!keyed) {
      leftOut("the columns it refers to are not a key of " + relationship.referencedTable);
      continue;
    }
    key.name = Quote(constraints.Add(relationship.name));
    foreignKeys_.push_back(std::move(key));
  }
}

std::string DdlWriter::IndexedColumn(const TableSchema& table, size_t column) const {
  return ColumnName(table, column);
}

void DdlWriter::Describe(const TableSchema& table, std::vector<SqlStatement>& statements) const {
  std::string text;
  if (!table.description.empty()) text += table.table->name + ": " + table.description + "\n";
  for (size_t i = 0; i < table.columns.size() && i < table.table->columns.size(); ++i)
    if (!table.columns[i].description.empty())
      text += table.table->columns[i].name + ": " + table.columns[i].description + "\n";
  statements.front().comment += text;
}

bool DdlWriter::Required(const TableSchema& table, size_t column) {
  return column < table.columns.size() && table.columns[column].required;
}

std::string DdlWriter::ColumnDefinition(const TableSchema& table, size_t column, bool notNull,
                                        std::string& skipped) const {
  return ColumnName(table, column) + " " + ColumnType(table, column) + (notNull ? " NOT NULL" : "") +
         DefaultClause(table, column, skipped) + ColumnSuffix(table, column);
}

std::string DdlWriter::SetNotNull(const TableSchema& table, size_t column) const {
  return "ALTER TABLE " + TableName(table) + " ALTER COLUMN " + ColumnName(table, column) + " SET NOT NULL";
}

std::string DdlWriter::DefaultClause(const TableSchema& table, size_t column, std::string& skipped) const {
  if (column >= table.columns.size() || table.columns[column].defaultValue.empty()) return "";
  const ColumnDef& def = table.table->columns[column];
  // Access takes "=expression" as well as the bare expression.
  std::string value = table.columns[column].defaultValue;
  if (value.starts_with('=')) {
    const size_t start = value.find_first_not_of(' ', 1);
    if (start == std::string::npos) return "";
    value.erase(0, start);
  }
  const std::string lower = LowerName(value);
  if (def.type == ColumnType::Bit) {
    if (lower == "yes" || lower == "true" || lower == "-1" || lower == "1") return " DEFAULT " + BooleanLiteral(true);
    if (lower == "no" || lower == "false" || lower == "0") return " DEFAULT " + BooleanLiteral(false);
  } else if (IsNumberType(def.type) && IsNumberLiteral(value)) {
    return " DEFAULT " + value;
  } else if (IsTextType(def.type) && (IsNumberLiteral(value) || Unquoted(value) != value)) {
    return " DEFAULT " + Literal(Unquoted(value));
  }
  skipped += def.name + ": default " + value + " is an expression of Access, not kept\n";
  return "";
}

std::string DdlWriter::ForeignKeyClause(const ForeignKey& key) const {
  std::string columns, referenced;
  for (size_t i = 0; i < key.columns.size(); ++i) {
    columns += (i ? ", " : "") + ColumnName(*key.table, key.columns[i]);
    referenced += (i ? ", " : "") + ColumnName(*key.referenced, key.referencedColumns[i]);
  }
  std::string clause = "CONSTRAINT " + key.name + " FOREIGN KEY (" + columns + ") REFERENCES " +
                       TableName(*key.referenced) + " (" + referenced + ")";
  if (key.relationship->cascadeUpdates) clause += " ON UPDATE CASCADE";
  if (key.relationship->cascadeDeletes) clause += " ON DELETE CASCADE";
  else if (key.relationship->cascadeSetNull) clause += " ON DELETE SET NULL";
  return clause;
}

bool DdlWriter::Creates(const TableSchema& table) const { return table.table->columns.size() <= MaxColumns(); }

std::string DdlWriter::KeyColumns(const TableSchema& table, const IndexDef& key) const {
  std::string names;
  const auto& columns = table.table->columns;
  for (const IndexColumn& column : key.columns)
    for (size_t i = 0; i < columns.size(); ++i)
      if (columns[i].columnNumber == column.columnNumber) names += (names.empty() ? "" : ", ") + ColumnName(table, i);
  return names;
}

std::vector<SqlStatement> DdlWriter::CreateTable(const TableSchema& table, bool keyAfterRows, bool bare) const {
  if (!Creates(table))
    return {{"table " + table.table->name + " has " + std::to_string(table.table->columns.size()) +
                 " columns, more than the engine takes (" + std::to_string(MaxColumns()) + "): not created",
             ""}};
  std::vector<SqlStatement> statements(1);
  std::string skipped;
  std::string sql = "CREATE TABLE " + TableName(table) + " (";
  const auto& columns = table.table->columns;
  // Where the engine can add them later, keys and NOT NULL wait for the
  // rows, so that a damaged file's NULL or repeated key costs the
  // constraint and not the table.
  const bool constraintsAfter = bare || (keyAfterRows && !ForeignKeysInTable());
  for (size_t i = 0; i < columns.size(); ++i)
    sql += (i ? ",\n  " : "\n  ") + ColumnDefinition(table, i, !constraintsAfter && Required(table, i), skipped);
  const IndexDef* key = table.PrimaryKey();
  if (key && !constraintsAfter) sql += ",\n  PRIMARY KEY (" + KeyColumns(table, *key) + ")";
  if (ForeignKeysInTable())
    for (const ForeignKey& key : foreignKeys_)
      if (key.table == &table) sql += ",\n  " + ForeignKeyClause(key);
  statements.front().sql = sql + "\n)" + TableSuffix(table);
  Describe(table, statements);
  statements.front().comment += skipped;
  return statements;
}

std::vector<SqlStatement> DdlWriter::CreateIndexes(const TableSchema& table, bool keyAfterRows) const {
  std::vector<SqlStatement> statements;
  if (!Creates(table)) return statements;
  const IndexDef* key = table.PrimaryKey();
  const bool constraintsAfter = keyAfterRows && !ForeignKeysInTable();
  if (key && constraintsAfter)
    statements.push_back({"", "ALTER TABLE " + TableName(table) + " ADD PRIMARY KEY (" + KeyColumns(table, *key) + ")"});
  if (constraintsAfter)
    for (size_t i = 0; i < table.table->columns.size(); ++i)
      if (Required(table, i)) statements.push_back({"", SetNotNull(table, i)});
  const std::vector<const IndexDef*> indexes = table.OwnIndexes();
  const auto& columns = table.table->columns;
  for (size_t k = 0; k < indexes.size(); ++k) {
    const IndexDef& index = *indexes[k];
    if (index.kind == IndexKind::PrimaryKey) continue;
    std::string names;
    for (const IndexColumn& column : index.columns)
      for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].columnNumber == column.columnNumber)
          names += (names.empty() ? "" : ", ") + IndexedColumn(table, i) + (column.descending ? " DESC" : "");
    statements.push_back({"", std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " +
                                  indexNames_[IndexOf(table)][k] + " ON " + TableName(table) + " (" + names + ")"});
  }
  return statements;
}

std::vector<SqlStatement> DdlWriter::AddForeignKeys(bool notValid) const {
  std::vector<SqlStatement> statements;
  for (const std::string& note : foreignKeyNotes_) statements.push_back({note, ""});
  if (ForeignKeysInTable()) return statements;
  for (const ForeignKey& key : foreignKeys_)
    statements.push_back(
        {"", "ALTER TABLE " + TableName(*key.table) + " ADD " + ForeignKeyClause(key) + (notValid ? NotValidClause() : "")});
  return statements;
}

std::vector<SqlStatement> DdlWriter::CreateViews() const {
  std::vector<SqlStatement> statements;
  ViewSources sources;
  for (const TableSchema& table : schema_.tables) {
    if (!Creates(table)) continue;
    ViewSource source{TableName(table), {}};
    for (size_t i = 0; i < table.table->columns.size(); ++i)
      source.columns.push_back({table.table->columns[i].name, ColumnName(table, i), ClassOf(table.table->columns[i])});
    sources.emplace(LowerName(table.table->name), std::move(source));
  }
  auto asComment = [](const SavedQuery& query, const std::string& why) {
    return SqlStatement{"query \"" + query.name + "\" (" + QueryKindName(query.kind) + "): " + why + "\n" + query.sql, ""};
  };

  std::vector<size_t> pending;
  std::map<std::string, size_t> pendingByName;
  for (size_t q = 0; q < schema_.queries.size(); ++q) {
    const SavedQuery& query = schema_.queries[q];
    if (viewNames_[q].empty()) {
      statements.push_back(asComment(query, "not a view"));
    } else {
      pending.push_back(q);
      pendingByName[LowerName(query.name)] = q;
    }
  }
  // A view can be made once the views it reads are: passes until one makes
  // nothing new; what is left reads itself in a loop or reads a comment.
  std::map<size_t, std::string> waiting;
  for (bool progress = true; progress;) {
    progress = false;
    std::vector<size_t> next;
    for (size_t q : pending) {
      const SavedQuery& query = schema_.queries[q];
      ViewSql view = TranslateView(query.sql, sources, *this);
      if (view.problem.empty()) {
        statements.push_back({"", "CREATE VIEW " + viewNames_[q] + " AS\n" + view.sql});
        sources[LowerName(query.name)] = ViewSource{viewNames_[q], std::move(view.columns)};
        pendingByName.erase(LowerName(query.name));
        progress = true;
      } else if (!view.missingSource.empty() && pendingByName.count(LowerName(view.missingSource)) &&
                 LowerName(view.missingSource) != LowerName(query.name)) {
        waiting[q] = view.missingSource;
        next.push_back(q);
      } else {
        statements.push_back(asComment(query, view.problem));
        pendingByName.erase(LowerName(query.name));
        progress = true;
      }
    }
    pending = std::move(next);
  }
  for (size_t q : pending)
    statements.push_back(asComment(schema_.queries[q], "it reads " + waiting[q] + ", which is not a view here"));
  return statements;
}

std::vector<SqlStatement> DdlWriter::Notes() const {
  std::vector<SqlStatement> statements;
  for (const std::string& note : schema_.notes) statements.push_back({note, ""});
  return statements;
}

void DdlWriter::AppendToScript(const SqlStatement& statement, std::string& script) {
  size_t start = 0;
  const std::string& comment = statement.comment;
  while (start < comment.size()) {
    size_t end = comment.find_first_of("\r\n", start);
    if (end == std::string::npos) end = comment.size();
    std::string line = comment.substr(start, end - start);
    std::replace(line.begin(), line.end(), '\0', ' ');  // a zero would end the script for some readers
    script += "-- " + line + "\n";
    // A comment ends at any line break an engine knows: each is a line here.
    start = end + 1;
    if (end + 1 < comment.size() && comment[end] == '\r' && comment[end + 1] == '\n') ++start;
  }
  if (!statement.sql.empty()) script += statement.sql + ";\n";
}

std::string DdlWriter::Script() const {
  std::string script;
  auto add = [&](const std::vector<SqlStatement>& statements) {
    for (const SqlStatement& statement : statements) AppendToScript(statement, script);
  };
  add(Notes());
  for (const TableSchema& table : schema_.tables) {
    script += "\n";
    add(CreateTable(table));
    add(CreateIndexes(table));
  }
  script += "\n";
  add(AddForeignKeys(false));
  script += "\n";
  add(CreateViews());
  return script;
}
