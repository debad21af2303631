#include "tests/support/usage_map.h"

#include <algorithm>

namespace testdb {
namespace {

constexpr uint32_t kInlineBits = 64 * 8;
constexpr uint32_t kBitmapPageBits = (kPageSize - 4) * 8;
constexpr size_t kReferenceSlots = 17;

}  // namespace

std::vector<uint8_t> EncodeUsageMap(std::vector<uint32_t> pages, PageFile& file) {
  std::sort(pages.begin(), pages.end());
  std::vector<uint8_t> row(1 + 4 + 64, 0);
  if (pages.empty() || pages.back() - pages.front() < kInlineBits) {
    uint32_t start = pages.empty() || pages.back() < kInlineBits ? 0 : pages.front();
    PutU32(&row[1], start);
    for (uint32_t p : pages) row[5 + (p - start) / 8] |= static_cast<uint8_t>(1u << ((p - start) % 8));
    return row;
  }
  row[0] = 0x01;
  if (pages.back() / kBitmapPageBits >= kReferenceSlots) throw BuildError("a usage map cannot reach that far");
  auto it = pages.begin();
  while (it != pages.end()) {
    uint32_t slot = *it / kBitmapPageBits;
    Page bitmap{};
    bitmap[0] = 0x05;
    bitmap[1] = 0x01;
    for (; it != pages.end() && *it / kBitmapPageBits == slot; ++it) {
      uint32_t bit = *it % kBitmapPageBits;
      bitmap[4 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    }
    uint32_t page = file.Allocate();
    file.Write(page, bitmap.data());
    PutU32(&row[1 + 4 * slot], page);
  }
  return row;
}

}  // namespace testdb
