#include "reader/page_map.h"

#include <algorithm>

const PageMap::Shift* PageMap::ShiftOf(int64_t page) const {
  auto after = std::upper_bound(shifts_.begin(), shifts_.end(), page,
                                [](int64_t p, const Shift& shift) { return p < shift.firstPage; });
  return after == shifts_.begin() ? nullptr : &*(after - 1);
}

int64_t PageMap::Offset(int64_t page, int64_t pageSize) const {
  const Shift* shift = ShiftOf(page);
  return shift ? shift->offset + (page - shift->firstPage) * pageSize : page * pageSize;
}

int64_t PageMap::Contiguous(int64_t page, int64_t limit) const {
  auto next = std::upper_bound(shifts_.begin(), shifts_.end(), page,
                               [](int64_t p, const Shift& shift) { return p < shift.firstPage; });
  return next == shifts_.end() ? limit : std::min(limit, next->firstPage - page);
}

int64_t PageMap::WholePages(int64_t size, int64_t pageSize) const {
  if (pageSize <= 0 || size <= 0) return 0;
  const int64_t first = shifts_.empty() ? 0 : shifts_.back().firstPage;
  return first + std::max<int64_t>(size - Offset(first, pageSize), 0) / pageSize;
}
