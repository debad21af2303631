#include "reader/catalog.h"

#include <vector>

#include "format/row_structure.h"
#include "reader/long_value_reader.h"
#include "reader/mdb_file.h"
#include "reader/table_definition.h"
#include "reader/recovery_naming.h"
#include "report/progress_channel.h"

namespace {

constexpr int64_t kMaxStoredName = 512;
constexpr int32_t kTableObject = 1;

// Where a catalog row keeps its properties, from the catalog's own
// definition: the LvProp column's place among the row's variable values.
// -1 when the definition does not read or has no such column.
int32_t PropertiesVariableIndex(const MdbFile& db) {
  const JetLayout& layout = db.Layout();
  std::vector<uint8_t> page(static_cast<size_t>(layout.pageSize));
  db.ReadPage(page.data(), layout.catalogDefinitionPage);
  TableDef catalog;
  if (ParseTableDefinition(page, layout, db.Text(), PageInventory(), catalog) == 0) return -1;
  for (const ColumnDef& column : catalog.columns)
    if (column.type == ColumnType::Ole && !column.isFixed && column.name == "LvProp") return column.varIndex;
  return -1;
}

// The properties of the catalog row in slot of page, when its LvProp value
// reads whole.
void ReadProperties(const MdbFile& db, ByteSpan page, int32_t slot, int32_t variableIndex,
                    ObjectProperties& properties) {
  const JetLayout& layout = db.Layout();
  int64_t start = ReadUInt16(page, layout.rowOffsetTable + 2 * int64_t{slot}) & layout.rowOffsetMask;
  int64_t limit = slot == 0 ? layout.pageSize
                            : ReadUInt16(page, layout.rowOffsetTable + 2 * (int64_t{slot} - 1)) & layout.rowOffsetMask;
  RowStructure row;
  if (!ReadRowStructure(page, layout, start, limit - 1, {RowStructure::kMaxColumns, true, false}, row) ||
      variableIndex >= row.VariableCount())
    return;
  auto [from, to] = row.Variable(variableIndex);
  std::string blob;
  if (to > from && ReadLongValue(db, page, from, to - from, blob))
    ParsePropertyBlob(ByteSpan(reinterpret_cast<const uint8_t*>(blob.data()), blob.size()), properties, &db.Text());
}

}  // namespace

std::vector<CatalogEntry> ReadCatalogPage(ByteSpan page, const JetLayout& layout, const TextDecoder& text,
                                          int32_t rowCount) {
  std::vector<CatalogEntry> entries;
  RowStructure row;
  const int64_t pageSize = static_cast<int64_t>(page.size());
  const int64_t slots = layout.rowOffsetTable;
  const int32_t mask = layout.rowOffsetMask;
  const int64_t nameStart = layout.catalogNameOffset;
  for (int32_t r = 0; r < rowCount; ++r) {
    const uint16_t slot = ReadUInt16(page, slots + 2 * r);
    int64_t start = slot & mask;
    int64_t next = r == 0 ? pageSize : (ReadUInt16(page, slots - 2 + 2 * r) & mask);
    int64_t end = (next - 1) & mask;  // the row's last byte
    if (start > pageSize || end > pageSize || end - 9 <= start + 13) continue;

    CatalogEntry entry;
    entry.deleted = (slot & layout.deletedRowFlag) != 0;
    entry.definitionPage = ReadInt32(page, start + layout.catalogIdOffset);
    if (entry.definitionPage < 0) continue;
    entry.objectType = ReadUInt16(page, start + layout.catalogTypeOffset) & 0x7F;
    entry.flags = static_cast<uint32_t>(ReadInt32(page, start + layout.catalogFlagsOffset));
    // The end of the first variable column, from the offset table at the
    // row's end.
    if (!ReadRowStructure(page, layout, start, end, {RowStructure::kMaxColumns, true, false}, row) ||
        row.VariableCount() < 1)
      continue;
    int64_t nameEnd = row.offsets[1];
    if (nameEnd - nameStart < 0 || nameEnd - nameStart > kMaxStoredName || start + nameEnd > end) continue;
    entry.name = text.Text(page, start + nameStart, nameEnd - nameStart);
    // Some writers count a terminating NUL into the stored name.
    while (!entry.name.empty() && entry.name.back() == '\0') entry.name.pop_back();
    if (entry.name.empty()) continue;
    entry.slot = r;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<CatalogEntry> ReadCatalog(const MdbFile& db) {
  const JetLayout& layout = db.Layout();
  std::vector<CatalogEntry> catalog;
  std::vector<uint8_t> page(static_cast<size_t>(layout.pageSize));
  const int32_t propertiesIndex = PropertiesVariableIndex(db);
  for (const PageEntry& entry : db.pages) {
    if (!entry.Is(PageType::Data) || entry.linkPage != layout.catalogDefinitionPage) continue;
    db.ReadPage(page.data(), entry.pageNumber);
    for (CatalogEntry& row : ReadCatalogPage(page, layout, db.Text(), entry.rowCount)) {
      if (row.objectType == kTableObject && propertiesIndex >= 0)
        ReadProperties(db, page, row.slot, propertiesIndex, row.properties);
      catalog.push_back(std::move(row));
    }
  }
  return catalog;
}

void ApplyCatalog(const std::vector<CatalogEntry>& catalog, TableList& tables) {
  for (const CatalogEntry& row : catalog) {
    auto table = FindTable(tables, row.definitionPage);
    if (table == tables.end()) continue;
    (*table)->objectType = row.objectType;
    (*table)->catalogFlags = row.flags;
    (*table)->name = row.name;
    (*table)->properties = row.properties;
  }
}

int NameTablesFromCatalog(MdbFile& db, const std::vector<CatalogEntry>& catalog, ProgressChannel& progress) {
  ApplyCatalog(catalog, db.tables);
  int recovered = NameRecoveredTablesAndFilter(db.tables);
  progress.unnamedTableCount.store(recovered);
  progress.statusText.Set("Unnamed tables found = " + std::to_string(recovered));
  progress.ReportStatus();
  return 1;
}
