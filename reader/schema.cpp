#include "reader/schema.h"

const char* QueryKindName(QueryKind kind) {
  switch (kind) {
    case QueryKind::Select: return "select";
    case QueryKind::MakeTable: return "make-table";
    case QueryKind::Append: return "append";
    case QueryKind::Update: return "update";
    case QueryKind::Delete: return "delete";
    case QueryKind::Crosstab: return "crosstab";
    case QueryKind::DataDefinition: return "data-definition";
    case QueryKind::PassThrough: return "pass-through";
    case QueryKind::Union: return "union";
  }
  return "unknown";
}

std::vector<const IndexDef*> TableSchema::OwnIndexes() const {
  std::vector<const IndexDef*> own;
  if (!keysKnown || !table) return own;
  for (const IndexDef& index : table->indexes)
    if (index.kind != IndexKind::ForeignKey) own.push_back(&index);
  return own;
}

const IndexDef* TableSchema::PrimaryKey() const {
  for (const IndexDef* index : OwnIndexes())
    if (index->kind == IndexKind::PrimaryKey) return index;
  return nullptr;
}

const TableSchema* DatabaseSchema::FindTable(const std::string& name) const {
  for (const TableSchema& schema : tables)
    if (schema.table && schema.table->name == name) return &schema;
  return nullptr;
}
