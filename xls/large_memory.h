// Memory for the engine's large tables (the texts of a workbook, the table
// that finds their duplicates): in 2 MiB-aligned runs the system may back
// with huge pages. Filling hundreds of megabytes a page of 4 KiB at a time
// costs a fault each, and random lookups a TLB miss each.
#pragma once

#include <cstddef>
#include <memory>

namespace xls {

struct LargeMemoryFree {
  size_t size;
  void operator()(void* p) const;
};
using LargeMemory = std::unique_ptr<void, LargeMemoryFree>;

// `size` bytes of zeros; throws std::bad_alloc.
LargeMemory AllocateLarge(size_t size);

}  // namespace xls
