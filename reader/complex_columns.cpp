#include "reader/complex_columns.h"

#include <algorithm>
#include <string_view>

#include "format/field_readers.h"
#include "format/row_structure.h"
#include "reader/mdb_file.h"

namespace {

constexpr std::string_view kCatalogTable = "MSysComplexColumns";
constexpr std::string_view kAttachmentType = "MSysComplexType_Attachment";
constexpr std::string_view kVersionHistoryType = "MSysComplexTypeVH_";
constexpr std::string_view kMultiValueType = "MSysComplexType_";

// By a linear search: the tables of lost definitions come after the others,
// out of page order.
const TableDef* TableAt(const MdbFile& db, int32_t page) {
  for (const auto& table : db.tables)
    if (table->definitionPage == page && !table->orphan) return table.get();
  return nullptr;
}

const ColumnDef* FindColumn(const TableDef& table, std::string_view name) {
  for (const ColumnDef& column : table.columns)
    if (column.name == name) return &column;
  return nullptr;
}

// The kind a flat table's value columns tell: an attachment's file columns,
// a memo with its dates, or else one value per row.
ComplexKind KindOfFlatTable(const TableDef& flat) {
  if (FindColumn(flat, "FileData") && FindColumn(flat, "FileName")) return ComplexKind::Attachment;
  const bool memo = std::any_of(flat.columns.begin(), flat.columns.end(),
                                [](const ColumnDef& c) { return c.type == ColumnType::Memo; });
  const bool dated = std::any_of(flat.columns.begin(), flat.columns.end(),
                                 [](const ColumnDef& c) { return c.name.starts_with("Modified_"); });
  return memo && dated ? ComplexKind::VersionHistory : ComplexKind::MultiValue;
}

ComplexKind KindOfTypeTable(std::string_view name) {
  if (name == kAttachmentType) return ComplexKind::Attachment;
  if (name.starts_with(kVersionHistoryType)) return ComplexKind::VersionHistory;
  if (name.starts_with(kMultiValueType)) return ComplexKind::MultiValue;
  return ComplexKind::Unknown;
}

// A table holding the column's values by its own columns: the foreign key,
// and a key named after the parent table and column ("<table>_<column>";
// any table name when the parent's was lost with the catalog).
const TableDef* FindFlatTableByColumns(const MdbFile& db, const TableDef& parent, const ColumnDef& column) {
  const std::string foreignKey = ComplexForeignKeyName(column);
  const std::string key = parent.name + foreignKey;
  const TableDef* found = nullptr;
  for (const auto& candidate : db.tables) {
    if (candidate.get() == &parent || !FindColumn(*candidate, foreignKey)) continue;
    if (FindColumn(*candidate, key)) return candidate.get();
    const bool keyed = std::any_of(candidate->columns.begin(), candidate->columns.end(), [&](const ColumnDef& c) {
      return c.name != foreignKey && c.name.ends_with(foreignKey);
    });
    if (keyed && !found) found = candidate.get();
  }
  return found;
}

}  // namespace

std::string ComplexForeignKeyName(const ColumnDef& column) { return "_" + column.name; }

const TableDef* FindFlatTable(const MdbFile& db, const ColumnDef& column) {
  return column.flatTable != 0 ? TableAt(db, column.flatTable) : nullptr;
}

std::vector<ComplexColumnEntry> ReadComplexColumnCatalog(const MdbFile& db) {
  std::vector<ComplexColumnEntry> entries;
  auto table = std::find_if(db.tables.begin(), db.tables.end(),
                            [](const auto& t) { return t->system && t->name == kCatalogTable; });
  if (table == db.tables.end()) return entries;
  const TableDef& catalog = **table;
  const ColumnDef* id = FindColumn(catalog, "ComplexID");
  const ColumnDef* flat = FindColumn(catalog, "FlatTableID");
  const ColumnDef* type = FindColumn(catalog, "ComplexTypeObjectID");
  if (!id || !flat || !type || !id->isFixed || !flat->isFixed || !type->isFixed) return entries;

  const JetLayout& layout = db.Layout();
  std::vector<uint8_t> buffer(static_cast<size_t>(layout.pageSize));
  RowStructure row;
  for (int32_t pageNumber : catalog.dataPages) {
    if (db.ReadPage(buffer.data(), pageNumber) <= 0) continue;
    ByteSpan page(buffer);
    const int32_t slots = db.pages[static_cast<size_t>(pageNumber)].rowCount;
    for (int32_t slot = 0; slot < slots; ++slot) {
      const uint16_t entry = ReadWord(page, layout.rowOffsetTable + 2 * int64_t{slot});
      if (entry & layout.deletedRowFlag) continue;
      const int64_t limit =
          slot == 0 ? layout.pageSize : ReadWord(page, layout.rowOffsetTable + 2 * (int64_t{slot} - 1)) & layout.rowOffsetMask;
      if (!ReadRowStructure(page, layout, entry & layout.rowOffsetMask, limit - 1,
                            {RowStructure::kMaxColumns, catalog.varColumnCount > 0, false}, row))
        continue;
      auto value = [&](const ColumnDef& column, int32_t& out) {
        const int64_t at = row.fixedStart + column.fixedOffset;
        if (at + 4 > row.FixedEnd()) return false;
        out = ReadInt32(page, at);
        return true;
      };
      ComplexColumnEntry e;
      if (value(*id, e.complexId) && value(*flat, e.flatTable) && value(*type, e.typeTable)) entries.push_back(e);
    }
  }
  return entries;
}

void ResolveComplexColumns(const MdbFile& db, const std::vector<ComplexColumnEntry>& catalog, TableDef& table) {
  for (ColumnDef& column : table.columns) {
    if (column.type != ColumnType::Complex || column.complexKind != ComplexKind::Unknown) continue;
    auto entry = std::find_if(catalog.begin(), catalog.end(),
                              [&](const ComplexColumnEntry& e) { return e.complexId == column.complexId; });
    if (entry != catalog.end()) {
      const TableDef* flat = TableAt(db, entry->flatTable);
      const TableDef* type = TableAt(db, entry->typeTable);
      if (flat && FindColumn(*flat, ComplexForeignKeyName(column))) {
        column.flatTable = entry->flatTable;
        column.complexKind = type ? KindOfTypeTable(type->name) : ComplexKind::Unknown;
        if (column.complexKind == ComplexKind::Unknown) column.complexKind = KindOfFlatTable(*flat);
        continue;
      }
    }
    if (const TableDef* flat = FindFlatTableByColumns(db, table, column)) {
      column.flatTable = flat->definitionPage;
      column.complexKind = KindOfFlatTable(*flat);
    }
  }
}
