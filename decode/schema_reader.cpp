#include "decode/schema_reader.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <map>
#include <string>
#include <vector>

#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_reader.h"
#include "reader/mdb_file.h"
#include "reader/query_sql.h"
#include "reader/relationships.h"
#include "reader/table_listing.h"

namespace {

constexpr int32_t kQueryObject = 5;
// Catalog Flags of objects that are the engine's or Access's own.
constexpr int32_t kSystemObjectFlags = static_cast<int32_t>(0x80000002);

// The rows of a system table, through the columns asked for only: the
// others (long values of properties and code among them) are not decoded.
class SystemRows {
 public:
  SystemRows(RowDecoder& decoder, const TableDef& table, const std::vector<std::string>& columns)
      : decoder_(decoder), table_(table) {
    table_.columns.clear();
    for (const std::string& name : columns) {
      numbers_.push_back(-1);
      for (const ColumnDef& column : table.columns)
        if (column.name == name) {
          numbers_.back() = column.columnNumber;
          table_.columns.push_back(column);
        }
    }
    walk_.emplace(decoder_, table_);
  }

  // False when one of the first `count` columns asked for is not in the
  // table (all of them by default).
  bool Complete(size_t count = SIZE_MAX) const {
    for (size_t i = 0; i < numbers_.size() && i < count; ++i)
      if (numbers_[i] < 0) return false;
    return true;
  }
  bool Next() { return walk_->Next(text_) == 1; }
  std::string Text(size_t column) const {
    const CellSlot* cell = Cell(column);
    return cell && cell->present ? cell->text : std::string();
  }
  int32_t Integer(size_t column) const {
    return static_cast<int32_t>(std::strtol(Text(column).c_str(), nullptr, 10));
  }

 private:
  const CellSlot* Cell(size_t column) const {
    const int32_t number = numbers_[column];
    if (number < 0 || static_cast<size_t>(number) >= decoder_.cells().size()) return nullptr;
    return &decoder_.cells()[static_cast<size_t>(number)];
  }

  RowDecoder& decoder_;
  TableDef table_;
  std::vector<int32_t> numbers_;
  std::optional<TableRowWalk> walk_;
  std::string text_;
};

const TableDef* SystemTable(const MdbFile& db, const std::string& name) {
  for (const auto& table : db.tables)
    if (table->system && table->name == name && !table->orphan && !table->recovered) return table.get();
  return nullptr;
}

struct CatalogObject {
  int32_t id = 0;
  std::string name;
  int32_t type = 0;
  int32_t flags = 0;
};

std::vector<CatalogObject> ReadCatalogObjects(RowDecoder& decoder, const TableDef& catalog) {
  std::vector<CatalogObject> objects;
  SystemRows rows(decoder, catalog, {"Id", "Name", "Type", "Flags"});
  if (!rows.Complete()) return objects;
  while (rows.Next()) objects.push_back({rows.Integer(0), rows.Text(1), rows.Integer(2), rows.Integer(3)});
  return objects;
}

void ReadRelationships(const MdbFile& db, RowDecoder& decoder, DatabaseSchema& schema) {
  const TableDef* table = SystemTable(db, "MSysRelationships");
  if (!table) {
    schema.notes.push_back("MSysRelationships is not there: no relationship read");
    return;
  }
  SystemRows rows(decoder, *table,
                  {"szRelationship", "grbit", "ccolumn", "icolumn", "szObject", "szColumn", "szReferencedObject",
                   "szReferencedColumn"});
  if (!rows.Complete()) {
    schema.notes.push_back("MSysRelationships lacks columns it always has: no relationship read");
    return;
  }
  std::vector<RelationshipRow> read;
  while (rows.Next())
    read.push_back({rows.Text(0), rows.Integer(1), rows.Integer(2), rows.Integer(3), rows.Text(4), rows.Text(5),
                    rows.Text(6), rows.Text(7)});
  schema.relationships = AssembleRelationships(read, schema.tables, schema.notes);
}

void ReadQueries(const MdbFile& db, RowDecoder& decoder, const std::vector<CatalogObject>& catalog,
                 DatabaseSchema& schema) {
  std::vector<const CatalogObject*> queries;
  for (const CatalogObject& object : catalog)
    if (object.type == kQueryObject && (object.flags & kSystemObjectFlags) == 0) queries.push_back(&object);
  if (queries.empty()) return;
  const TableDef* table = SystemTable(db, "MSysQueries");
  if (!table) {
    schema.notes.push_back("MSysQueries is not there: no saved query read");
    return;
  }
  SystemRows rows(decoder, *table, {"ObjectId", "Attribute", "Order", "Name1", "Name2", "Expression", "Flag", "LvExtra"});
  // Jet 3 has no LvExtra.
  if (!rows.Complete(7)) {
    schema.notes.push_back("MSysQueries lacks columns it always has: no saved query read");
    return;
  }
  std::map<int32_t, std::vector<QueryRow>> byObject;
  while (rows.Next())
    byObject[rows.Integer(0)].push_back(
        {rows.Integer(1), rows.Text(2), rows.Text(3), rows.Text(4), rows.Text(5), rows.Integer(6), rows.Integer(7)});
  for (const CatalogObject* query : queries) {
    auto found = byObject.find(query->id);
    if (found == byObject.end()) {
      schema.notes.push_back("query \"" + query->name + "\" left out: its parts are not in MSysQueries");
      continue;
    }
    RebuiltQuery rebuilt = RebuildQuerySql(found->second, query->flags);
    if (rebuilt.sql.empty()) {
      schema.notes.push_back("query \"" + query->name + "\" left out: " + rebuilt.problem);
      continue;
    }
    schema.queries.push_back({query->name, rebuilt.kind, (query->flags & 0x08) != 0, rebuilt.sql});
  }
}

// Descriptions, defaults and Required from the catalog's property blob; a
// property of another type than Access gives it is not read.
void TakeProperties(const TableDef& table, TableSchema& entry) {
  auto text = [](const PropertyMap& properties, std::string_view name) {
    const Property* property = properties.Find(name);
    return property && (property->type == 10 || property->type == 12) ? property->Text() : std::string();
  };
  entry.description = text(table.properties.object, "Description");
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const PropertyMap* properties = table.properties.Column(table.columns[i].name);
    if (!properties) continue;
    ColumnProperties& column = entry.columns[i];
    column.description = text(*properties, "Description");
    column.defaultValue = text(*properties, "DefaultValue");
    const Property* required = properties->Find("Required");
    column.required = required && required->type == 1 && required->Integer() != 0;
  }
}

}  // namespace

DatabaseSchema ReadDatabaseSchema(const MdbFile& db, bool showSystem, const std::atomic<uint8_t>& stopRequested) {
  DatabaseSchema schema;
  schema.textBytesPerCharacter = db.Format().version == 0 ? 1 : 2;
  for (const auto& table : db.tables) {
    if (!IsTableListed(*table, showSystem)) continue;
    TableSchema entry;
    entry.table = table.get();
    entry.keysKnown = !table->recovered && !table->orphan;
    entry.columns.resize(table->columns.size());
    if (entry.keysKnown) {
      for (const std::string& note : table->schemaNotes) schema.notes.push_back(table->name + ": " + note);
      TakeProperties(*table, entry);
    }
    schema.tables.push_back(std::move(entry));
  }

  // Property and code columns are never decoded here: no file is written.
  OleFileWriter noFiles(OleFileWriter::BrowserFolder());
  RowDecoder decoder(db, stopRequested, noFiles);
  ReadRelationships(db, decoder, schema);
  std::vector<CatalogObject> catalog;
  if (const TableDef* objects = SystemTable(db, "MSysObjects")) catalog = ReadCatalogObjects(decoder, *objects);
  ReadQueries(db, decoder, catalog, schema);
  return schema;
}
