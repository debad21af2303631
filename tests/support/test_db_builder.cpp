#include "tests/support/test_db_builder.h"

#include <cctype>

#include "tests/support/file_header.h"
#include "tests/support/page_file.h"
#include "tests/support/row_encoder.h"
#include "tests/support/property_blob.h"
#include "tests/support/system_tables.h"
#include "tests/support/table_writer.h"
#include "tests/support/usage_map.h"

namespace testdb {

Value::Value(const Value&) = default;
Value::Value(Value&&) noexcept = default;
Value& Value::operator=(const Value&) = default;
Value& Value::operator=(Value&&) noexcept = default;
Value::~Value() = default;

Numeric Numeric::FromDecimal(std::string_view text, int scale) {
  Numeric n;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) n.negative = text[i++] == '-';
  int fractionDigits = -1;
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && fractionDigits < 0) {
      fractionDigits = 0;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      if (fractionDigits >= scale) continue;
      n.magnitude = n.magnitude * 10 + static_cast<unsigned>(c - '0');
      anyDigit = true;
      if (fractionDigits >= 0) ++fractionDigits;
    } else {
      return {};
    }
  }
  if (!anyDigit) return {};
  for (int k = std::max(fractionDigits, 0); k < scale; ++k) n.magnitude *= 10;
  if (n.magnitude == 0) n.negative = false;
  return n;
}

Guid Guid::FromText(std::string_view text) {
  std::string hex;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
    else if (c != '{' && c != '}' && c != '-') return {};
  if (hex.size() != 32) return {};
  uint8_t b[16];
  for (int i = 0; i < 16; ++i) b[i] = static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  // The first three groups are stored little-endian, the rest as written.
  Guid g;
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g.bytes[i] = b[order[i]];
  return g;
}

const TableLayout* Layout::Find(std::string_view name) const {
  for (const TableLayout& t : tables)
    if (t.name == name) return &t;
  return nullptr;
}

Table& DatabaseBuilder::AddTable(std::string name, std::vector<Column> columns) {
  tables_.push_back(std::make_unique<Table>());
  tables_.back()->name = std::move(name);
  tables_.back()->columns = std::move(columns);
  return *tables_.back();
}

void DatabaseBuilder::AddQuery(Query query) { queries_.push_back(std::move(query)); }

void DatabaseBuilder::AddRelationship(Relationship relationship) { relationships_.push_back(std::move(relationship)); }

void DatabaseBuilder::AddLinkedTable(LinkedTable link) { links_.push_back(std::move(link)); }

namespace {

constexpr uint32_t kFirstFreePage = 6;
constexpr uint32_t kSecondaryIdBase = 0x80000000;

// A system table on its fixed page, with the rows it holds.
struct SystemTable {
  uint32_t page;
  TableDefinition definition;
  std::vector<uint32_t> dataPages;
};

// An index root with no entries.
void WriteEmptyLeaf(PageFile& file, uint32_t page, uint32_t owner) {
  Page leaf{};
  leaf[0] = 0x04;
  leaf[1] = 0x01;
  PutU16(&leaf[2], file.pageSize() == kPageSize ? 0x0E20 : 0x0708);  // the page after the entry mask
  PutU32(&leaf[4], owner);
  file.Write(page, leaf.data());
}

RowPointer AddMap(RowPages& maps, PageFile& file, std::vector<uint32_t> pages, const JetLayout& layout) {
  return maps.Add(EncodeUsageMap(std::move(pages), file, layout));
}

}  // namespace

Layout DatabaseBuilder::Write(const std::string& path) const {
  Layout layout;
  try {
    const JetLayout& jet = *format_.layout;
    PageFile file(path, format_.pageSize());
    file.Allocate(kFirstFreePage);

    std::vector<std::unique_ptr<TableWriter>> writers;
    for (const auto& table : tables_) {
      writers.push_back(std::make_unique<TableWriter>(file, *table, format_));
      writers.back()->WriteRows();
    }

    SystemTable objects{2, MSysObjectsDefinition(format_), {}};
    SystemTable aces{3, MSysACEsDefinition(format_), {}};
    SystemTable queries{4, MSysQueriesDefinition(format_), {}};
    SystemTable relationships{5, MSysRelationshipsDefinition(format_), {}};
    SystemTable* systemTables[] = {&objects, &aces, &queries, &relationships};

    // The catalog: one row per object.
    std::vector<CatalogObject> catalog = StandardCatalogObjects();
    for (const auto& w : writers)
      catalog.push_back({.id = w->definitionPages()[0],
                         .name = w->table().name,
                         .flags = w->table().catalogFlags,
                         .properties = TablePropertyBlob(w->table())});
    uint32_t secondaryId = kSecondaryIdBase;
    std::vector<uint32_t> queryIds;
    for (const Query& q : queries_) {
      queryIds.push_back(++secondaryId);
      catalog.push_back({.id = secondaryId, .name = q.name, .type = kObjectQuery, .flags = q.flags});
    }
    for (const LinkedTable& l : links_)
      catalog.push_back({.id = ++secondaryId,
                         .name = l.name,
                         .type = kObjectLinkedTable,
                         .flags = kLinkedTableFlags,
                         .database = l.databasePath,
                         .foreignName = l.foreignName});
    RowPages catalogRows(file, objects.page, jet);
    RowEncoder catalogEncoder(objects.definition);
    std::vector<uint8_t> row;
    std::vector<RowPointer> catalogPointers;
    for (const CatalogObject& object : catalog) {
      catalogEncoder.Encode(CatalogRowValues(objects.definition, object, creationDate_), nullptr, row);
      catalogPointers.push_back(catalogRows.Add(row));
    }
    catalogRows.Flush();
    objects.dataPages = catalogRows.pages();
    objects.definition.rowCount = static_cast<uint32_t>(catalog.size());

    // The SQL of the saved queries.
    RowPages queryRows(file, queries.page, jet);
    RowEncoder queryEncoder(queries.definition);
    for (size_t i = 0; i < queries_.size(); ++i) {
      for (const auto& values : QueryRowsValues(queries.definition, queryIds[i], queries_[i])) {
        queryEncoder.Encode(values, nullptr, row);
        queryRows.Add(row);
        ++queries.definition.rowCount;
      }
    }
    queryRows.Flush();
    queries.dataPages = queryRows.pages();

    RowPages relationshipRows(file, relationships.page);
    RowEncoder relationshipEncoder(relationships.definition);
    for (const Relationship& r : relationships_) {
      for (const auto& values : RelationshipRowsValues(relationships.definition, r)) {
        relationshipEncoder.Encode(values, nullptr, row);
        relationshipRows.Add(row);
        ++relationships.definition.rowCount;
      }
    }
    relationshipRows.Flush();
    relationships.dataPages = relationshipRows.pages();

    // Usage maps of every table, long-value column and index.
    RowPages maps(file, 0, jet);
    auto addMap = [&](std::vector<uint32_t> pages) { return AddMap(maps, file, std::move(pages), jet); };
    auto addLongValueMaps = [&](TableDefinition& d, const TableWriter* w) {
      for (size_t i = 0; i < d.columns.size(); ++i) {
        if (!d.columns[i].isLongValue()) continue;
        RowPointer used = addMap(w ? w->LongValuePages(i) : std::vector<uint32_t>{});
        d.longValueMaps.push_back({d.columns[i].number, used, addMap({})});
      }
    };
    auto addIndexRoots = [&](TableDefinition& d, uint32_t owner) {
      for (IndexRecord& index : d.indexes) {
        index.rootPage = file.Allocate();
        WriteEmptyLeaf(file, index.rootPage, owner);
        index.usageMap = addMap({index.rootPage});
      }
    };
    for (SystemTable* s : systemTables) {
      s->definition.usedMap = addMap(s->dataPages);
      s->definition.freeMap = addMap({});
      addLongValueMaps(s->definition, nullptr);
      addIndexRoots(s->definition, s->page);
    }
    for (auto& w : writers) {
      w->definition().usedMap = addMap(w->DataPages());
      w->definition().freeMap = addMap({});
      addLongValueMaps(w->definition(), w.get());
      addIndexRoots(w->definition(), w->definitionPages()[0]);
    }
    maps.Flush();

    for (SystemTable* s : systemTables) s->definition.WritePages(file, {s->page});
    for (auto& w : writers) w->definition().WritePages(file, w->definitionPages());
    file.Write(1, MakeGlobalMapPage(file.pageCount(), jet).data());
    file.Write(0, MakeHeaderPage(creationDate_, format_).data());
    layout.pageCount = file.pageCount();
    file.Finish();
    if (databaseKey_ != 0 && !testdb::SetDatabaseKey(path, databaseKey_)) throw BuildError("cannot encode " + path);
    if (officeEncryption_ && !EncryptDatabase(path, *officeEncryption_)) throw BuildError("cannot encrypt " + path);

    layout.catalogDataPages = objects.dataPages;
    layout.usageMapPages = maps.pages();
    for (size_t i = 0; i < writers.size(); ++i) {
      TableWriter& w = *writers[i];
      RowPointer catalogRow = catalogPointers[StandardCatalogObjects().size() + i];
      layout.tables.push_back({w.table().name, w.definitionPages(), w.DataPages(), w.FreedPages(), w.LongValuePages(),
                               {catalogRow.page, catalogRow.row}, {w.definition().usedMap.page, w.definition().usedMap.row},
                               w.liveRows()});
    }
    layout.ok = true;
  } catch (const std::exception& e) {
    layout = Layout{};
    layout.error = e.what();
  }
  return layout;
}

}  // namespace testdb
