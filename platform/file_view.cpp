#include "platform/file_view.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/read_only_file.h"

namespace platform {

namespace {

// The mappings open at once, each with the range a fault in it is answered
// for. A view that finds no free slot is not mapped: its caller reads.
constexpr int kGuards = 32;

struct Guard {
  std::atomic<bool> taken{false};
  std::atomic<uintptr_t> begin{0}, end{0};  // empty while end is 0
};

Guard guards[kGuards];
struct sigaction previous {};  // the handler before ours, for faults not ours
uintptr_t systemPage = 4096;

// A fault within a mapping is a page the file no longer has or the disk
// cannot give: zeros take its place, and the faulting read reads them. A
// fault elsewhere goes back to the handler before ours, which takes it when
// the fault recurs.
void OnBusError(int, siginfo_t* info, void*) {
  const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (Guard& guard : guards) {
    if (at >= guard.end.load(std::memory_order_acquire) || at < guard.begin.load(std::memory_order_acquire)) continue;
    void* page = reinterpret_cast<void*>(at & ~(systemPage - 1));
    if (::mmap(page, systemPage, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) return;
  }
  ::sigaction(SIGBUS, &previous, nullptr);
}

bool InstallGuard() {
  static const bool installed = [] {
    if (const long page = ::sysconf(_SC_PAGESIZE); page > 0) systemPage = static_cast<uintptr_t>(page);
    struct sigaction ours {};
    ours.sa_sigaction = OnBusError;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    return ::sigaction(SIGBUS, &ours, &previous) == 0;
  }();
  return installed;
}

int TakeGuard() {
  for (int slot = 0; slot < kGuards; ++slot)
    if (!guards[slot].taken.exchange(true, std::memory_order_acquire)) return slot;
  return -1;
}

}  // namespace

bool FileView::Map(const ReadOnlyFile& file, int64_t offset, size_t n) {
  Unmap();
  const int64_t size = file.Size();
  if (size < 0 || offset < 0 || n == 0 || offset > size || static_cast<uint64_t>(size - offset) < n) return false;
  if (!InstallGuard()) return false;
  const int slot = TakeGuard();
  if (slot < 0) return false;
  const int64_t start = offset - offset % static_cast<int64_t>(systemPage);
  const size_t length = static_cast<size_t>(offset - start) + n;
  void* base = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, file.fd_, start);
  if (base == MAP_FAILED) {
    guards[slot].taken.store(false, std::memory_order_release);
    return false;
  }
  // Read front to back: the system reads ahead of a cold file.
  ::madvise(base, length, MADV_SEQUENTIAL);
  const auto begin = reinterpret_cast<uintptr_t>(base);
  guards[slot].begin.store(begin, std::memory_order_release);
  guards[slot].end.store(begin + length, std::memory_order_release);
  base_ = base;
  length_ = length;
  guard_ = slot;
  bytes_ = std::span<const uint8_t>(static_cast<const uint8_t*>(base) + (offset - start), n);
  return true;
}

void FileView::Unmap() {
  if (base_ == nullptr) return;
  // The range leaves the guard before the mapping goes: the address may be
  // mapped again by anyone.
  guards[guard_].end.store(0, std::memory_order_release);
  guards[guard_].begin.store(0, std::memory_order_release);
  ::munmap(base_, length_);
  guards[guard_].taken.store(false, std::memory_order_release);
  base_ = nullptr;
  length_ = 0;
  guard_ = -1;
  bytes_ = {};
}

}  // namespace platform
