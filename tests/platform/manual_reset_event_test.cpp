// Manual-reset events: a signal stays until reset, whoever waits and when.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/manual_reset_event.h"

namespace {

using namespace std::chrono_literals;

TEST(ManualResetEvent, KeepsASignalGivenBeforeAnybodyWaits) {
  platform::ManualResetEvent event("e");
  event.Set();
  event.Wait();  // returns at once
  event.Wait();  // and again: only Reset clears it
  EXPECT_TRUE(event.IsSet());
  event.Reset();
  EXPECT_FALSE(event.IsSet());
}

TEST(ManualResetEvent, WakesEveryWaiterIncludingSleepingOnes) {
  platform::ManualResetEvent event("e");
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) waiters.emplace_back([&] {
    event.Wait();
    ++woken;
  });
  std::this_thread::sleep_for(100ms);  // long past the spinning: asleep now
  EXPECT_EQ(woken.load(), 0);
  event.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken.load(), 3);
}

TEST(ManualResetEvent, CarriesManyRoundTripsWithoutLosingOne) {
  // The page scan's pattern: signal, wait for the answer, reset, again.
  platform::ManualResetEvent ask("ask"), answer("answer");
  constexpr int kRounds = 20000;
  std::atomic<int> seen{0};
  std::thread watcher([&] {
    for (int i = 0; i < kRounds; ++i) {
      ask.Wait();
      ask.Reset();
      ++seen;
      answer.Set();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    ask.Set();
    answer.Wait();
    answer.Reset();
    // Every once in a while the watcher has to fall asleep first.
    if (i % 5000 == 0) std::this_thread::sleep_for(5ms);
  }
  watcher.join();
  EXPECT_EQ(seen.load(), kRounds);
}

}  // namespace
