#include "app/schema_node.h"

#include <QTreeWidgetItem>

#include "app/table_tree.h"
#include "app/window_text.h"

namespace {

std::string ColumnList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return "(" + list + ")";
}

std::string IndexLine(const TableSchema& table, const IndexDef& index) {
  std::vector<std::string> names;
  for (const IndexColumn& key : index.columns)
    for (const ColumnDef& column : table.table->columns)
      if (column.columnNumber == key.columnNumber) names.push_back(column.name + (key.descending ? " DESC" : ""));
  if (index.kind == IndexKind::PrimaryKey) return "Primary key " + ColumnList(names);
  return std::string(index.unique ? "Unique index " : "Index ") + index.name + " " + ColumnList(names);
}

std::string Actions(const Relationship& relationship) {
  std::string actions;
  if (!relationship.enforced) actions += ", not enforced";
  if (relationship.cascadeUpdates) actions += ", cascade updates";
  if (relationship.cascadeDeletes) actions += ", cascade deletes";
  if (relationship.cascadeSetNull) actions += ", deletes set null";
  return actions;
}

}  // namespace

std::vector<std::string> SchemaNodeLines(const DatabaseSchema& schema, const TableSchema& table) {
  std::vector<std::string> lines;
  if (!table.keysKnown) return {"No keys: the catalog does not name this table"};
  for (const IndexDef* index : table.OwnIndexes()) lines.push_back(IndexLine(table, *index));
  const std::string& name = table.table->name;
  for (const Relationship& relationship : schema.relationships) {
    if (relationship.table == name)
      lines.push_back("Foreign key " + relationship.name + " " + ColumnList(relationship.columns) + " -> " +
                      relationship.referencedTable + " " + ColumnList(relationship.referencedColumns) +
                      Actions(relationship));
    if (relationship.referencedTable == name)
      lines.push_back("Referenced by " + relationship.table + " " + ColumnList(relationship.columns) + " through " +
                      relationship.name + Actions(relationship));
  }
  for (const std::string& note : table.table->schemaNotes) lines.push_back(note);
  if (lines.empty()) lines.push_back("No keys or indexes");
  return lines;
}

void AddSchemaNodes(TableTree& tree, const DatabaseSchema& schema) {
  for (QTreeWidgetItem* node : tree.TableItems()) {
    const TableDef* table = TableTree::TableOf(node);
    for (const TableSchema& entry : schema.tables) {
      if (entry.table != table) continue;
      QTreeWidgetItem* schemaNode = tree.AddTableChild(node, kSchemaNodeText);
      for (const std::string& line : SchemaNodeLines(schema, entry))
        new QTreeWidgetItem(schemaNode, QStringList(FileText(line)));
    }
  }
}
