#include "reader/relationships.h"

#include <algorithm>
#include <map>

namespace {

constexpr int32_t kOneToOne = 0x00000001;
constexpr int32_t kNotEnforced = 0x00000002;
constexpr int32_t kCascadeUpdates = 0x00000100;
constexpr int32_t kCascadeDeletes = 0x00001000;
constexpr int32_t kCascadeNull = 0x00002000;
// Access allows ten columns in a relationship, as in an index.
constexpr int32_t kMaxColumns = 10;

const TableSchema* FindTable(const std::vector<TableSchema>& tables, const std::string& name) {
  for (const TableSchema& table : tables)
    if (table.table && table.table->name == name) return &table;
  return nullptr;
}

bool HasColumn(const TableSchema& table, const std::string& name) {
  return std::any_of(table.table->columns.begin(), table.table->columns.end(),
                     [&](const ColumnDef& column) { return column.name == name; });
}

bool IsSystemName(const std::string& name) { return name.rfind("MSys", 0) == 0; }

}  // namespace

std::vector<Relationship> AssembleRelationships(const std::vector<RelationshipRow>& rows,
                                                const std::vector<TableSchema>& tables,
                                                std::vector<std::string>& notes) {
  std::vector<std::string> order;
  std::map<std::string, std::vector<const RelationshipRow*>> byName;
  for (const RelationshipRow& row : rows) {
    auto& group = byName[row.name];
    if (group.empty()) order.push_back(row.name);
    group.push_back(&row);
  }

  std::vector<Relationship> relationships;
  for (const std::string& name : order) {
    std::vector<const RelationshipRow*>& group = byName[name];
    const RelationshipRow& first = *group.front();
    if (IsSystemName(first.table) || IsSystemName(first.referencedTable)) continue;
    auto leftOut = [&](const std::string& why) {
      notes.push_back("relationship \"" + name + "\" left out: " + why);
    };
    const int32_t count = first.columnCount;
    bool whole = count >= 1 && count <= kMaxColumns && static_cast<int32_t>(group.size()) == count;
    std::sort(group.begin(), group.end(),
              [](const RelationshipRow* a, const RelationshipRow* b) { return a->columnPosition < b->columnPosition; });
    for (int32_t i = 0; whole && i < count; ++i) {
      const RelationshipRow& row = *group[static_cast<size_t>(i)];
      whole = row.columnPosition == i && row.columnCount == count && row.flags == first.flags &&
              row.table == first.table && row.referencedTable == first.referencedTable;
    }
    if (!whole) {
      leftOut("its " + std::to_string(group.size()) + " column rows do not add up");
      continue;
    }
    const TableSchema* table = FindTable(tables, first.table);
    const TableSchema* referenced = FindTable(tables, first.referencedTable);
    if (!table || !referenced) {
      leftOut("it names the table " + (table ? first.referencedTable : first.table) + ", which is not here");
      continue;
    }
    Relationship relationship;
    relationship.name = name;
    relationship.table = first.table;
    relationship.referencedTable = first.referencedTable;
    for (const RelationshipRow* row : group) {
      relationship.columns.push_back(row->column);
      relationship.referencedColumns.push_back(row->referencedColumn);
    }
    std::string missing;
    for (size_t i = 0; i < relationship.columns.size() && missing.empty(); ++i) {
      if (!HasColumn(*table, relationship.columns[i])) missing = first.table + "." + relationship.columns[i];
      else if (!HasColumn(*referenced, relationship.referencedColumns[i]))
        missing = first.referencedTable + "." + relationship.referencedColumns[i];
    }
    if (!missing.empty()) {
      leftOut("it names the column " + missing + ", which is not here");
      continue;
    }
    relationship.enforced = (first.flags & kNotEnforced) == 0;
    relationship.oneToOne = (first.flags & kOneToOne) != 0;
    relationship.cascadeUpdates = (first.flags & kCascadeUpdates) != 0;
    relationship.cascadeDeletes = (first.flags & kCascadeDeletes) != 0;
    relationship.cascadeSetNull = (first.flags & kCascadeNull) != 0;
    relationships.push_back(std::move(relationship));
  }
  return relationships;
}
