// A named manual-reset event: a flag that stays set until it is reset, and a
// way to sleep until it is set. A signal given before anybody waits is kept.
//
// Waiting spins briefly before it sleeps, and Set only makes a system call when
// somebody is asleep: the analysis makes one round trip per page, so the cost
// of a round trip is the speed of the page scan. The length of the spin
// follows what recent waits needed, so that a waiter on a busy machine sleeps
// soon instead of spinning while its partner waits for the processor.
#pragma once

#include <atomic>
#include <string>

namespace platform {

class ManualResetEvent {
 public:
  explicit ManualResetEvent(std::string name) : name_(std::move(name)) {}
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  void Wait();
  bool IsSet() const { return state_.load(std::memory_order_acquire) != 0; }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  std::atomic<int> state_{0};
  std::atomic<int> sleepers_{0};
  std::atomic<int> spinRounds_{1024};
};

}  // namespace platform
