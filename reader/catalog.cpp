#include "reader/catalog.h"

#include <vector>

#include "format/row_structure.h"
#include "reader/mdb_file.h"
#include "reader/recovery_naming.h"
#include "report/progress_channel.h"

namespace {

constexpr int64_t kMaxStoredName = 512;

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
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<CatalogEntry> ReadCatalog(const MdbFile& db) {
  const JetLayout& layout = db.Layout();
  std::vector<CatalogEntry> catalog;
  std::vector<uint8_t> page(static_cast<size_t>(layout.pageSize));
  for (const PageEntry& entry : db.pages) {
    if (!entry.Is(PageType::Data) || entry.linkPage != layout.catalogDefinitionPage) continue;
    db.ReadPage(page.data(), entry.pageNumber);
    for (CatalogEntry& row : ReadCatalogPage(page, layout, db.Text(), entry.rowCount)) catalog.push_back(std::move(row));
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
