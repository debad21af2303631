#include "tests/support/usage_map.h"

#include <algorithm>

namespace testdb {

std::vector<uint8_t> EncodeUsageMap(std::vector<uint32_t> pages, PageFile& file, const JetLayout& layout) {
  const uint32_t inlineBits = static_cast<uint32_t>(layout.usageMapInlineBytes) * 8;
  const uint32_t bitmapPageBits = static_cast<uint32_t>(layout.pageSize - 4) * 8;
  const uint32_t referenceSlots = static_cast<uint32_t>(layout.usageMapReferencePages);
  std::sort(pages.begin(), pages.end());
  std::vector<uint8_t> row(1 + 4 + static_cast<size_t>(layout.usageMapInlineBytes), 0);
  if (pages.empty() || pages.back() - pages.front() < inlineBits) {
    uint32_t start = pages.empty() || pages.back() < inlineBits ? 0 : pages.front();
    PutU32(&row[1], start);
    for (uint32_t p : pages) row[5 + (p - start) / 8] |= static_cast<uint8_t>(1u << ((p - start) % 8));
    return row;
  }
  row.assign(1 + 4 * static_cast<size_t>(referenceSlots), 0);
  row[0] = 0x01;
  if (pages.back() / bitmapPageBits >= referenceSlots) throw BuildError("a usage map cannot reach that far");
  auto it = pages.begin();
  while (it != pages.end()) {
    uint32_t slot = *it / bitmapPageBits;
    Page bitmap{};
    bitmap[0] = 0x05;
    bitmap[1] = 0x01;
    for (; it != pages.end() && *it / bitmapPageBits == slot; ++it) {
      uint32_t bit = *it % bitmapPageBits;
      bitmap[4 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    }
    uint32_t page = file.Allocate();
    file.Write(page, bitmap.data());
    PutU32(&row[1 + 4 * slot], page);
  }
  return row;
}

}  // namespace testdb
