// What a database says of its tables beyond their columns: keys and
// indexes (on each TableDef), column properties, relationships and saved
// queries. Read from the table definitions and the system tables; what does
// not read is left out and named in `notes`, never guessed. Recovered and
// orphan tables have no schema beyond their columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/table_def.h"

struct ColumnProperties {
  std::string description;
  std::string defaultValue;  // the expression as Access stores it
  bool required = false;
};

struct TableSchema {
  // Into the session's table list, which outlives the schema.
  const TableDef* table = nullptr;
  // False for a recovered or orphan table: its indexes are not used.
  bool keysKnown = true;
  std::string description;
  std::vector<ColumnProperties> columns;  // parallel to table->columns

  // The indexes that are the table's own (foreign-key indexes are the
  // relationships' and come from those).
  std::vector<const IndexDef*> OwnIndexes() const;
  const IndexDef* PrimaryKey() const;
};

// One relationship: the table holding the foreign key and the one it
// refers to, with their columns pair by pair.
struct Relationship {
  std::string name;
  std::string table;
  std::vector<std::string> columns;
  std::string referencedTable;
  std::vector<std::string> referencedColumns;
  bool enforced = true;
  bool oneToOne = false;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
  bool cascadeSetNull = false;  // on delete
};

enum class QueryKind : uint8_t {
  Select,
  MakeTable,
  Append,
  Update,
  Delete,
  Crosstab,
  DataDefinition,
  PassThrough,
  Union,
};

// "select", "make-table", ...
const char* QueryKindName(QueryKind kind);

struct SavedQuery {
  std::string name;
  QueryKind kind = QueryKind::Select;
  bool hidden = false;
  std::string sql;  // Access SQL, rebuilt from the stored parts
};

struct DatabaseSchema {
  int32_t textBytesPerCharacter = 2;  // of a text column's stored length: 1 in Jet 3 files
  std::vector<TableSchema> tables;  // in the table list's order
  std::vector<Relationship> relationships;
  std::vector<SavedQuery> queries;
  std::vector<std::string> notes;  // what was left out, and why

  const TableSchema* FindTable(const std::string& name) const;
};
