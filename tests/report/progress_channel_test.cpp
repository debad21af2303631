// The lock-step handshake between a worker and the window's watchers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "report/progress_channel.h"
#include "reader/table_def.h"

namespace {

using namespace std::chrono_literals;

// Runs fn on a thread; true when it returned within the time. A worker left
// blocked is detached and the process ended, so the run does not hang.
bool ReturnsWithin(std::function<void()> fn, std::chrono::milliseconds limit = 10000ms) {
  auto done = std::make_shared<std::promise<void>>();
  auto future = done->get_future();
  std::thread([fn = std::move(fn), done] {
    fn();
    done->set_value();
  }).detach();
  if (future.wait_for(limit) == std::future_status::ready) return true;
  ADD_FAILURE() << "worker blocked";
  std::_Exit(3);
}

TEST(ProgressChannel, StartsWithNothingSignalled) {
  ProgressChannel channel;
  for (auto* event : {&channel.RecoveryTblEvent, &channel.UpdateProgTblEvent, &channel.ReadPageEvent,
                      &channel.UpdateProgStatusEvent})
    EXPECT_FALSE(event->IsSet()) << event->Name();
  EXPECT_EQ(channel.RecoveryTblEvent.Name(), "RecoveryTblEvent");
  EXPECT_EQ(channel.UpdateProgStatusEvent.Name(), "UpdateProgStatusEvent");
}

TEST(ProgressChannel, AReportMadeBeforeAnyWatcherExistsIsShownWhenOneStarts) {
  ProgressChannel channel;
  channel.statusText.Set("Analyzing started");
  std::atomic<bool> answered{false};
  std::thread worker([&] {
    channel.ReportStatus();
    answered = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(answered.load());  // waiting for a watcher
  std::string shown;
  std::thread watcher([&] {
    channel.UpdateProgStatusEvent.Wait();
    channel.UpdateProgStatusEvent.Reset();
    shown = channel.statusText.Get();
    channel.ReadPageEvent.Set();
  });
  watcher.join();
  worker.join();
  EXPECT_EQ(shown, "Analyzing started");
  EXPECT_TRUE(answered.load());
  EXPECT_FALSE(channel.ReadPageEvent.IsSet());  // the worker reset it after its wait
}

TEST(ProgressChannel, ReportsNeverWaitOnceStopIsRequested) {
  ProgressChannel channel;
  channel.RequestStop();
  TableDef table;
  bool keepReading = true;
  EXPECT_TRUE(ReturnsWithin([&] {
    channel.ReportStatus();
    keepReading = channel.ReportTable(&table, "T");
  }));
  EXPECT_FALSE(keepReading);
  EXPECT_FALSE(channel.RecoveryTblEvent.IsSet());  // left before the table handshake
  EXPECT_EQ(channel.currentTable.load(), &table);
  EXPECT_EQ(channel.tablesDone.load(), 1);
  EXPECT_EQ(channel.statusText.Get(), "Schema read of table : T");
}

TEST(ProgressChannel, AWaitBegunBeforeTheStopIsReleasedByTheLeavingWatcher) {
  ProgressChannel channel;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    channel.ReportStatus();
    done = true;
  });
  // The status watcher wakes, sees the stop and leaves with its signals.
  channel.UpdateProgStatusEvent.Wait();
  channel.UpdateProgStatusEvent.Reset();
  channel.RequestStop();
  channel.RecoveryTblEvent.Set();
  channel.ReadPageEvent.Set();
  channel.UpdateProgTblEvent.Set();
  worker.join();
  EXPECT_TRUE(done.load());
}

TEST(ProgressChannel, ReportTableWaitsForBothWatchersInTurn) {
  ProgressChannel channel;
  TableDef table;
  std::vector<std::string> order;
  std::thread worker([&] { EXPECT_TRUE(channel.ReportTable(&table, "Orders")); });
  channel.UpdateProgStatusEvent.Wait();
  channel.UpdateProgStatusEvent.Reset();
  order.push_back(channel.statusText.Get());
  EXPECT_FALSE(channel.RecoveryTblEvent.IsSet());  // not before the status is shown
  channel.ReadPageEvent.Set();
  channel.RecoveryTblEvent.Wait();
  channel.RecoveryTblEvent.Reset();
  order.push_back(channel.currentTable.load() == &table ? "table" : "other");
  channel.UpdateProgTblEvent.Set();
  worker.join();
  EXPECT_EQ(order, (std::vector<std::string>{"Schema read of table : Orders", "table"}));
  EXPECT_FALSE(channel.UpdateProgTblEvent.IsSet());
}

TEST(ProgressChannel, SignalEndSetsItsFlagAndWakesTheTableWatcher) {
  ProgressChannel stopped, finished;
  stopped.SignalEnd(true);
  finished.SignalEnd(false);
  EXPECT_TRUE(stopped.StopRequested());
  EXPECT_FALSE(stopped.Finished());
  EXPECT_TRUE(finished.Finished());
  EXPECT_FALSE(finished.StopRequested());
  EXPECT_TRUE(stopped.RecoveryTblEvent.IsSet());
  EXPECT_TRUE(finished.RecoveryTblEvent.IsSet());
}

void Dirty(ProgressChannel& channel, TableDef& table) {
  channel.RequestStop();
  channel.finished = 1;
  channel.unnamedTableCount = 3;
  channel.tableTotal = 4;
  channel.tablesDone = 5;
  channel.pageTotal = 6;
  channel.pagesDone = 7;
  channel.currentTable = &table;
  channel.statusText.Set("status");
  channel.databaseName.Set("db");
  channel.storageFormat.Set("MS-Access 2003");
  channel.rowBuffer.assign(100, "row");
  channel.RecoveryTblEvent.Set();
  channel.UpdateProgTblEvent.Set();
  channel.ReadPageEvent.Set();
  channel.UpdateProgStatusEvent.Set();
}

void ExpectClean(ProgressChannel& channel) {
  EXPECT_FALSE(channel.StopRequested());
  EXPECT_FALSE(channel.Finished());
  EXPECT_EQ(channel.unnamedTableCount.load() + channel.tableTotal.load() + channel.tablesDone.load() +
                channel.pageTotal.load() + channel.pagesDone.load(),
            0);
  EXPECT_EQ(channel.currentTable.load(), nullptr);
  EXPECT_TRUE(channel.statusText.Get().empty());
  EXPECT_TRUE(channel.rowBuffer.empty());
  for (auto* event : {&channel.RecoveryTblEvent, &channel.UpdateProgTblEvent, &channel.ReadPageEvent,
                      &channel.UpdateProgStatusEvent})
    EXPECT_FALSE(event->IsSet()) << event->Name();
}

TEST(ProgressChannel, ResetBeforeAnAnalysisLeavesNothingOfTheLastOne) {
  ProgressChannel channel;
  TableDef table;
  Dirty(channel, table);
  channel.Reset();
  ExpectClean(channel);
  EXPECT_EQ(channel.databaseName.Get(), "db");
  EXPECT_EQ(channel.storageFormat.Get(), "MS-Access 2003");
}

TEST(ProgressChannel, FullResetAlsoForgetsTheStorageFormat) {
  ProgressChannel channel;
  TableDef table;
  Dirty(channel, table);
  channel.FullReset();
  ExpectClean(channel);
  EXPECT_EQ(channel.databaseName.Get(), "db");
  EXPECT_TRUE(channel.storageFormat.Get().empty());
}

}  // namespace
