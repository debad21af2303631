#include "platform/manual_reset_event.h"

#include <thread>

namespace platform {

namespace {
// Long enough to cover a watcher's reply on the other core (a round trip
// takes a few hundred nanoseconds), short enough that a waiter whose partner
// is not running soon hands over its processor.
constexpr int kSpinRounds = 1000;
// Then give the processor to a partner that is waiting for it on this one,
// before sleeping in the kernel.
constexpr int kYieldRounds = 10;

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}
}  // namespace

void ManualResetEvent::Set() {
  state_.store(1, std::memory_order_seq_cst);
  if (sleepers_.load(std::memory_order_seq_cst) != 0) state_.notify_all();
}

void ManualResetEvent::Reset() { state_.store(0, std::memory_order_seq_cst); }

void ManualResetEvent::Wait() {
  for (int i = 0; i < kSpinRounds; ++i) {
    if (state_.load(std::memory_order_acquire) != 0) return;
    CpuRelax();
  }
  for (int i = 0; i < kYieldRounds; ++i) {
    if (state_.load(std::memory_order_acquire) != 0) return;
    std::this_thread::yield();
  }
  sleepers_.fetch_add(1, std::memory_order_seq_cst);
  while (state_.load(std::memory_order_seq_cst) == 0) state_.wait(0, std::memory_order_seq_cst);
  sleepers_.fetch_sub(1, std::memory_order_seq_cst);
}

}  // namespace platform
