#include "platform/manual_reset_event.h"

#include <algorithm>
#include <thread>

namespace platform {

namespace {
// Bounds of the spin before sleeping, in pause rounds of a few tens of
// nanoseconds. The floor covers the page scan's block read on the other
// side; the ceiling keeps a waiter whose partner does not come soon (a
// person, or a busy machine) from burning its processor.
constexpr int kMinSpinRounds = 256;
constexpr int kMaxSpinRounds = 4096;
// When the partner runs on this very processor spinning cannot help: it
// only delays the partner. Then barely spin, and hand the processor over.
constexpr int kSharedProcessorSpinRounds = 16;

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
  // The spin adapts to what the last waits needed: twice the rounds of a wait
  // that succeeded spinning; next to nothing when the partner only came once
  // we gave up the processor; half the budget after a wait that had to sleep.
  const int budget = spinRounds_.load(std::memory_order_relaxed);
  for (int i = 0; i < budget; ++i) {
    if (state_.load(std::memory_order_acquire) != 0) {
      spinRounds_.store(std::clamp(2 * i, kMinSpinRounds, kMaxSpinRounds), std::memory_order_relaxed);
      return;
    }
    CpuRelax();
  }
  std::this_thread::yield();
  if (state_.load(std::memory_order_acquire) != 0) {
    spinRounds_.store(kSharedProcessorSpinRounds, std::memory_order_relaxed);
    return;
  }
  spinRounds_.store(std::max(budget / 2, kMinSpinRounds), std::memory_order_relaxed);
  sleepers_.fetch_add(1, std::memory_order_seq_cst);
  while (state_.load(std::memory_order_seq_cst) == 0) state_.wait(0, std::memory_order_seq_cst);
  sleepers_.fetch_sub(1, std::memory_order_seq_cst);
}

}  // namespace platform
