#include "reader/catalog.h"

#include <vector>

#include "format/jet_text.h"
#include "report/progress_channel.h"
#include "reader/mdb_file.h"
#include "reader/recovery_naming.h"

namespace {

constexpr int64_t kRowOffsetTable = 14;
constexpr int32_t kOffsetMask = 0x1FFF;
constexpr int64_t kNameStart = 32;
constexpr int64_t kMaxStoredName = 512;
constexpr int32_t kCatalogDefinitionPage = 2;
constexpr int16_t kDataPage = 1;

}  // namespace

std::vector<CatalogEntry> ReadCatalogPage(ByteSpan page, int32_t rowCount) {
  std::vector<CatalogEntry> entries;
  const int64_t pageSize = static_cast<int64_t>(page.size());
  for (int32_t r = 0; r < rowCount; ++r) {
    int64_t start = ReadUInt16(page, kRowOffsetTable + 2 * r) & kOffsetMask;
    int64_t next = r == 0 ? pageSize : (ReadUInt16(page, kRowOffsetTable - 2 + 2 * r) & kOffsetMask);
    int64_t end = (next - 1) & kOffsetMask;  // the row's last byte
    if (start > pageSize || end > pageSize || end - 9 <= start + 13) continue;

    CatalogEntry entry;
    entry.definitionPage = ReadInt32(page, start + 2);
    if (entry.definitionPage < 0) continue;
    entry.objectType = ReadUInt16(page, start + 10) & 0x7F;
    // The end of the first variable column, from the offset table at the
    // row's end.
    int64_t nameEnd = ReadUInt16(page, end - 8);
    if (nameEnd - kNameStart < 0 || nameEnd - kNameStart > kMaxStoredName || nameEnd > end) continue;
    entry.name = JetText(page, start + kNameStart, nameEnd - kNameStart);
    if (entry.name.empty()) continue;
    entries.push_back(std::move(entry));
  }
  return entries;
}

int MdbFile::NameTablesFromCatalog() {
  std::vector<uint8_t> page(static_cast<size_t>(pageSize));
  for (const PageEntry& entry : pages) {
    if (entry.pageType != kDataPage || entry.linkPage != kCatalogDefinitionPage) continue;
    ReadPage(page.data(), entry.pageNumber);
    for (CatalogEntry& row : ReadCatalogPage(page, entry.rowCount)) {
      auto table = FindTable(tables, row.definitionPage);
      if (table == tables.end()) continue;
      (*table)->objectType = row.objectType;
      (*table)->name = std::move(row.name);
    }
  }
  int recovered = NameRecoveredTablesAndFilter(tables);
  progress.unnamedTableCount.store(recovered);
  progress.statusText.Set("Unnamed tables found = " + std::to_string(recovered));
  progress.ReportStatus();
  return 1;
}
