// SIGINT and SIGTERM stop a command as the Stop button stops a job: a
// thread of its own takes them and asks the run to stop, so that the run
// ends its current step cleanly (an export gives up the table at hand and
// removes its unfinished file) and the command exits 130 or 143, as a shell
// expects of a program ended by the signal.
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

class StopSignals {
 public:
  // Made before any other thread of the command starts: the threads started
  // after it leave both signals to it.
  explicit StopSignals(std::function<void()> stop);
  // Both signals are delivered as before again.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The signal that arrived, 0 for none.
  int received() const { return received_.load(std::memory_order_acquire); }
  // 128 + the signal, or the code given when none arrived.
  int ExitCode(int otherwise) const { return received() ? 128 + received() : otherwise; }

 private:
  std::function<void()> stop_;
  sigset_t signals_;
  sigset_t previous_;
  std::atomic<int> received_{0};
  std::atomic<bool> ending_{false};
  std::thread thread_;
};
