#include "reader/usage_map.h"

#include <algorithm>

#include "format/long_value_field.h"
#include "reader/mdb_file.h"

namespace {

constexpr int32_t kInlineMap = 0;
constexpr int32_t kReferenceMap = 1;
constexpr int32_t kBitmapPageType = 5;
// A map row: its form, then a start page or the first bitmap pointer.
constexpr int64_t kMapHeader = 5;
constexpr int64_t kBitmapPageHeader = 4;

// Appends the pages whose bits are set in bits, bit i standing for page
// first + i; pages outside the file are left out.
void AddPages(ByteSpan bits, int64_t first, int64_t pageCount, std::vector<int32_t>& pages) {
  for (size_t byte = 0; byte < bits.size(); ++byte) {
    if (bits[byte] == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      int64_t page = first + static_cast<int64_t>(byte) * 8 + bit;
      if ((bits[byte] >> bit & 1) && page >= 0 && page < pageCount) pages.push_back(static_cast<int32_t>(page));
    }
  }
}

}  // namespace

std::optional<std::vector<int32_t>> ReadUsageMap(const MdbFile& db, uint32_t pointer) {
  const JetLayout& layout = db.Layout();
  const int64_t pageCount = static_cast<int64_t>(db.pages.size());
  uint8_t raw[4] = {static_cast<uint8_t>(pointer), static_cast<uint8_t>(pointer >> 8),
                    static_cast<uint8_t>(pointer >> 16), static_cast<uint8_t>(pointer >> 24)};
  const RowPointer at = ReadRowPointer(ByteSpan(raw, 4), 0);
  if (at.page <= 0 || at.page >= pageCount) return std::nullopt;
  const PageEntry& entry = db.pages[static_cast<size_t>(at.page)];
  if (!entry.Is(PageType::Data) || at.row >= entry.rowCount) return std::nullopt;

  std::vector<uint8_t> buffer(static_cast<size_t>(layout.pageSize));
  if (db.ReadPage(buffer.data(), at.page) <= 0) return std::nullopt;
  ByteSpan page(buffer);
  const int64_t slots = layout.rowOffsetTable;
  const int64_t start = ReadUInt16(page, slots + 2 * int64_t{at.row}) & layout.rowOffsetMask;
  const int64_t end =
      at.row == 0 ? layout.pageSize : ReadUInt16(page, slots + 2 * (int64_t{at.row} - 1)) & layout.rowOffsetMask;
  if (start < slots || end - start < kMapHeader || end > layout.pageSize) return std::nullopt;
  ByteSpan row = page.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start));

  std::vector<int32_t> pages;
  const int32_t form = ReadSignedByte(row, 0);
  if (form == kInlineMap) {
    AddPages(row.subspan(kMapHeader), ReadInt32(row, 1), pageCount, pages);
    return pages;
  }
  if (form != kReferenceMap) return std::nullopt;
  const int64_t pagesPerBitmap = (int64_t{layout.pageSize} - kBitmapPageHeader) * 8;
  std::vector<uint8_t> bitmap(static_cast<size_t>(layout.pageSize));
  for (int64_t k = 0; 1 + 4 * k + 4 <= static_cast<int64_t>(row.size()); ++k) {
    const int32_t bitmapPage = ReadInt32(row, 1 + 4 * k);
    if (bitmapPage == 0) continue;  // a run with no page in the set
    if (bitmapPage < 0 || bitmapPage >= pageCount || db.pages[static_cast<size_t>(bitmapPage)].pageType != kBitmapPageType ||
        db.ReadPage(bitmap.data(), bitmapPage) <= 0)
      return std::nullopt;
    AddPages(ByteSpan(bitmap).subspan(kBitmapPageHeader), k * pagesPerBitmap, pageCount, pages);
  }
  return pages;
}

UsageMapResult ApplyUsageMap(const MdbFile& db, ByteSpan definition, TableDef& table) {
  table.lostPages = 0;
  auto listed = ReadUsageMap(db, static_cast<uint32_t>(ReadInt32(definition, db.Layout().tdefUsedPagesMapOffset)));
  if (!listed) return UsageMapResult::Unreadable;
  // Both lists are in page order. A map naming a page of some other use or
  // owner is no longer the table's map.
  if (!std::includes(table.dataPages.begin(), table.dataPages.end(), listed->begin(), listed->end())) {
    // Its pages that no longer read as pages at all were lost to damage;
    // one of some other use may be the map's own damage.
    table.lostPages = static_cast<int32_t>(std::count_if(listed->begin(), listed->end(), [&](int32_t page) {
      const PageEntry& entry = db.pages[static_cast<size_t>(page)];
      return (!entry.jetPage || entry.zeroed) &&
             !std::binary_search(table.dataPages.begin(), table.dataPages.end(), page);
    }));
    return UsageMapResult::Damaged;
  }
  // Nor is one whose pages have fewer slots than the table has rows: it lost
  // pages, most likely to damage (a zeroed map lists none).
  int64_t slots = 0;
  for (int32_t page : *listed) slots += std::max<int32_t>(0, db.pages[static_cast<size_t>(page)].rowCount);
  if (slots < table.rowCount) return UsageMapResult::Damaged;
  table.freedPages.clear();
  std::set_difference(table.dataPages.begin(), table.dataPages.end(), listed->begin(), listed->end(),
                      std::back_inserter(table.freedPages));
  table.dataPages = std::move(*listed);
  return UsageMapResult::Applied;
}
