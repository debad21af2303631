#include "tests/support/system_tables.h"

#include <algorithm>
#include <map>

namespace testdb {
namespace {

constexpr uint8_t kFixedFlags = 0x13;
constexpr uint8_t kVariableFlags = 0x12;
constexpr uint8_t kSidFlags = 0x32;

struct SystemColumn {
  const char* name;
  ColumnType type;
  uint16_t number;
  uint8_t flags = 0;  // 0: the usual fixed or variable flags
};

uint16_t SystemLength(ColumnType type, const FileFormat& format) {
  switch (type) {
    case ColumnType::Bit:
    case ColumnType::Byte: return 1;
    case ColumnType::Int: return 2;
    case ColumnType::Long: return 4;
    case ColumnType::Date: return 8;
    case ColumnType::Text:
    case ColumnType::Binary: return format.codePageText() ? 255 : 510;
    default: return 0;
  }
}

// Records sorted by name as Access 2000 and later list them (Access 97 by
// number); fixed offsets and variable indexes follow the column numbers.
TableDefinition SystemDefinition(std::vector<SystemColumn> columns, const FileFormat& format) {
  TableDefinition d;
  d.format = format;
  d.tableType = 0x53;
  if (!format.codePageText())
    std::sort(columns.begin(), columns.end(), [](const SystemColumn& a, const SystemColumn& b) {
      return std::string(a.name) < std::string(b.name);
    });
  std::map<uint16_t, size_t> byNumber;
  for (const SystemColumn& s : columns) {
    ColumnRecord r;
    r.name = s.name;
    r.type = static_cast<uint8_t>(s.type);
    r.number = s.number;
    r.length = SystemLength(s.type, format);
    bool fixed = s.type != ColumnType::Text && s.type != ColumnType::Binary && s.type != ColumnType::Memo &&
                 s.type != ColumnType::Ole;
    r.flags = s.flags ? s.flags : fixed ? kFixedFlags : kVariableFlags;
    byNumber[s.number] = d.columns.size();
    d.columns.push_back(r);
    d.maxColumns = std::max<uint16_t>(d.maxColumns, static_cast<uint16_t>(s.number + 1));
  }
  uint16_t fixedOffset = 0, varIndex = 0;
  for (auto& [number, i] : byNumber) {
    ColumnRecord& r = d.columns[i];
    if (!r.fixed()) {
      r.varIndex = varIndex++;
    } else if (!r.isBool()) {
      r.fixedOffset = fixedOffset;
      fixedOffset = static_cast<uint16_t>(fixedOffset + r.length);
    }
  }
  return d;
}

// System text is stored uncompressed, and memos stay in the row: the system
// tables get no long-value pages.
Value SystemText(const std::string& s) { return Text{s, TextEncoding::Ucs2, LongStorage::Inline}; }

size_t RecordOf(const TableDefinition& d, const char* name) {
  for (size_t i = 0; i < d.columns.size(); ++i)
    if (d.columns[i].name == name) return i;
  throw BuildError(std::string("no system column ") + name);
}

}  // namespace

TableDefinition MSysObjectsDefinition(const FileFormat& format) {
  TableDefinition d = SystemDefinition({
      {"Id", ColumnType::Long, 0},
      {"ParentId", ColumnType::Long, 1},
      {"Name", ColumnType::Text, 2},
      {"Type", ColumnType::Int, 3},
      {"DateCreate", ColumnType::Date, 4},
      {"DateUpdate", ColumnType::Date, 5},
      {"Owner", ColumnType::Binary, 6, kSidFlags},
      {"Flags", ColumnType::Long, 7},
      {"Database", ColumnType::Memo, 8},
      {"Connect", ColumnType::Memo, 9},
      {"ForeignName", ColumnType::Text, 10},
      {"RmtInfoShort", ColumnType::Binary, 11},
      {"RmtInfoLong", ColumnType::Ole, 12},
      {"Lv", ColumnType::Ole, 13},
      {"LvProp", ColumnType::Ole, 14},
      {"LvModule", ColumnType::Ole, 15},
      {"LvExtra", ColumnType::Ole, 16},
  }, format);
  d.indexes = {{.name = "Id", .number = 1, .columns = {0}, .flags = 0x81, .primary = true}, {.name = "ParentIdName", .number = 0, .columns = {1, 2}, .flags = 0x81, .primary = false}};
  return d;
}

TableDefinition MSysACEsDefinition(const FileFormat& format) {
  TableDefinition d = SystemDefinition({
      {"ObjectId", ColumnType::Long, 0},
      {"SID", ColumnType::Binary, 1, kSidFlags},
      {"ACM", ColumnType::Long, 2},
      {"FInheritable", ColumnType::Bit, 3},
  }, format);
  d.indexes = {{.name = "ObjectId", .number = 0, .columns = {0}, .flags = 0x88, .primary = false}};
  return d;
}

TableDefinition MSysQueriesDefinition(const FileFormat& format) {
  std::vector<SystemColumn> columns = {
      {"ObjectId", ColumnType::Long, 0},
      {"Attribute", ColumnType::Byte, 1},
      {"Order", ColumnType::Binary, 2},
      {"Name1", ColumnType::Text, 3},
      {"Name2", ColumnType::Text, 4},
      {"Expression", ColumnType::Memo, 5},
      {"Flag", ColumnType::Int, 6},
  };
  // Access 97 has no LvExtra here.
  if (!format.codePageText()) columns.push_back({"LvExtra", ColumnType::Long, 7});
  TableDefinition d = SystemDefinition(std::move(columns), format);
  d.indexes = {{.name = "ObjectIdAttribute", .number = 0, .columns = {0, 1, 2}, .flags = 0x81, .primary = true}};
  return d;
}

TableDefinition MSysRelationshipsDefinition(const FileFormat& format) {
  TableDefinition d = SystemDefinition({
      {"szRelationship", ColumnType::Text, 0},
      {"grbit", ColumnType::Long, 1},
      {"ccolumn", ColumnType::Long, 2},
      {"icolumn", ColumnType::Long, 3},
      {"szObject", ColumnType::Text, 4},
      {"szColumn", ColumnType::Text, 5},
      {"szReferencedObject", ColumnType::Text, 6},
      {"szReferencedColumn", ColumnType::Text, 7},
  }, format);
  d.indexes = {{.name = "szObject", .number = 1, .columns = {4}, .flags = 0x82, .primary = false},
               {.name = "szReferencedObject", .number = 2, .columns = {6}, .flags = 0x82, .primary = false},
               {.name = "szRelationship", .number = 0, .columns = {0}, .flags = 0x82, .primary = false}};
  return d;
}

std::vector<Value> CatalogRowValues(const TableDefinition& msysObjects, const CatalogObject& object, double date) {
  std::vector<Value> values(msysObjects.columns.size());
  auto set = [&](const char* name, Value v) { values[RecordOf(msysObjects, name)] = std::move(v); };
  set("Id", static_cast<int64_t>(static_cast<int32_t>(object.id)));
  set("ParentId", static_cast<int64_t>(static_cast<int32_t>(object.parentId)));
  set("Name", SystemText(object.name));
  set("Type", object.type);
  set("DateCreate", Date{date});
  set("DateUpdate", Date{date});
  set("Flags", static_cast<int64_t>(static_cast<int32_t>(object.flags)));
  if (!object.database.empty()) set("Database", SystemText(object.database));
  if (!object.foreignName.empty()) set("ForeignName", SystemText(object.foreignName));
  if (!object.properties.empty()) set("LvProp", Bytes{object.properties, LongStorage::Inline});
  return values;
}

std::vector<CatalogObject> StandardCatalogObjects() {
  const uint32_t root = 0x0F000000;
  return {
      {.id = 0x0F000001, .parentId = root, .name = "Tables", .type = kObjectContainer, .flags = kSystemTableFlags},
      {.id = 0x0F000002, .parentId = root, .name = "Databases", .type = kObjectContainer, .flags = kSystemTableFlags},
      {.id = 0x0F000003, .parentId = root, .name = "Relationships", .type = kObjectContainer, .flags = kSystemTableFlags},
      {.id = 0x10000000, .parentId = 0x0F000002, .name = "MSysDb", .type = kObjectDatabase, .flags = kSystemTableFlags},
      {.id = 2, .parentId = kTablesContainerId, .name = "MSysObjects", .type = kObjectTable, .flags = kSystemTableFlags},
      {.id = 3, .parentId = kTablesContainerId, .name = "MSysACEs", .type = kObjectTable, .flags = kSystemTableFlags},
      {.id = 4, .parentId = kTablesContainerId, .name = "MSysQueries", .type = kObjectTable, .flags = kSystemTableFlags},
      {.id = 5, .parentId = kTablesContainerId, .name = "MSysRelationships", .type = kObjectTable, .flags = kSystemTableFlags},
  };
}

std::vector<std::vector<Value>> QueryRowsValues(const TableDefinition& msysQueries, uint32_t objectId,
                                                const Query& query) {
  auto row = [&](int attribute) {
    std::vector<Value> values(msysQueries.columns.size());
    values[RecordOf(msysQueries, "ObjectId")] = static_cast<int64_t>(static_cast<int32_t>(objectId));
    values[RecordOf(msysQueries, "Attribute")] = attribute;
    return values;
  };
  std::vector<std::vector<Value>> rows;
  if (!query.rows.empty()) {
    for (const QueryRow& given : query.rows) {
      rows.push_back(row(given.attribute));
      auto& values = rows.back();
      if (!given.name1.empty()) values[RecordOf(msysQueries, "Name1")] = SystemText(given.name1);
      if (!given.name2.empty()) values[RecordOf(msysQueries, "Name2")] = SystemText(given.name2);
      if (!given.expression.empty()) values[RecordOf(msysQueries, "Expression")] = SystemText(given.expression);
      values[RecordOf(msysQueries, "Flag")] = given.flag;
      if (given.extra) values[RecordOf(msysQueries, "LvExtra")] = given.extra;
      if (given.order > 0)
        values[RecordOf(msysQueries, "Order")] =
            Bytes{{0, 0, static_cast<uint8_t>(given.order >> 8), static_cast<uint8_t>(given.order)}};
    }
    return rows;
  }
  rows.push_back(row(0));
  rows.back()[RecordOf(msysQueries, "Flag")] = 0;
  rows.push_back(row(5));
  rows.back()[RecordOf(msysQueries, "Name1")] = SystemText(query.sourceTable);
  rows.push_back(row(6));
  rows.back()[RecordOf(msysQueries, "Expression")] =
      SystemText(query.output == "*" ? query.sourceTable + ".*" : query.output);
  if (!query.where.empty()) {
    rows.push_back(row(8));
    rows.back()[RecordOf(msysQueries, "Expression")] = SystemText(query.where);
  }
  rows.push_back(row(255));
  return rows;
}

std::vector<std::vector<Value>> RelationshipRowsValues(const TableDefinition& msysRelationships,
                                                       const Relationship& relationship) {
  std::vector<std::vector<Value>> rows;
  for (size_t i = 0; i < relationship.columns.size(); ++i) {
    std::vector<Value> values(msysRelationships.columns.size());
    auto set = [&](const char* name, Value v) { values[RecordOf(msysRelationships, name)] = std::move(v); };
    set("szRelationship", SystemText(relationship.name));
    set("grbit", relationship.flags);
    set("ccolumn", static_cast<int64_t>(relationship.columns.size()));
    set("icolumn", static_cast<int64_t>(i));
    set("szObject", SystemText(relationship.table));
    set("szColumn", SystemText(relationship.columns[i]));
    set("szReferencedObject", SystemText(relationship.referencedTable));
    if (i < relationship.referencedColumns.size())
      set("szReferencedColumn", SystemText(relationship.referencedColumns[i]));
    rows.push_back(std::move(values));
  }
  return rows;
}

}  // namespace testdb
