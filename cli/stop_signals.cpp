#include "cli/stop_signals.h"

#include <pthread.h>

#include <ctime>

StopSignals::StopSignals(std::function<void()> stop) : stop_(std::move(stop)) {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
  thread_ = std::thread([this] {
    // A short wait in a loop: the thread must also notice that the command
    // is over, and no signal of the program's own is spent on telling it.
    const timespec wait = {0, 100'000'000};
    while (!ending_.load(std::memory_order_acquire)) {
      const int signal = sigtimedwait(&signals_, nullptr, &wait);
      if (signal <= 0 || received() != 0) continue;
      received_.store(signal, std::memory_order_release);
      stop_();
    }
  });
}

StopSignals::~StopSignals() {
  ending_.store(true, std::memory_order_release);
  thread_.join();
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}
