#include "xls/large_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace xls {
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer watches the bounds of the heap's blocks only.
void LargeMemoryFree::operator()(void* p) const { std::free(p); }

LargeMemory AllocateLarge(size_t size) {
  void* p = std::calloc(size == 0 ? 1 : size, 1);
  if (p == nullptr) throw std::bad_alloc();
  return LargeMemory(p, LargeMemoryFree{size});
}
#else
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t Rounded(size_t size) { return (size + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void LargeMemoryFree::operator()(void* p) const { munmap(p, Rounded(size)); }

LargeMemory AllocateLarge(size_t size) {
  const size_t rounded = Rounded(size);
  // A huge page more than needed, the ends given back, so that the run
  // starts on a huge page's boundary.
  void* mapped = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const uintptr_t end = start + rounded + kHugePage;
  if (end > aligned + rounded) munmap(reinterpret_cast<void*>(aligned + rounded), end - (aligned + rounded));
  // Advice only: where huge pages are off, ordinary pages serve.
  madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
  return LargeMemory(reinterpret_cast<void*>(aligned), LargeMemoryFree{size});
}
#endif

}  // namespace xls
