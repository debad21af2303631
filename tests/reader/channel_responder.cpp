#include "tests/reader/channel_responder.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace readertest {

ChannelResponder::ChannelResponder(ProgressChannel& progress, StatusHook hook, TableHook tableHook)
    : progress_(progress), hook_(std::move(hook)), tableHook_(std::move(tableHook)) {
  tables_ = std::thread([this] { WatchTables(); });
  status_ = std::thread([this] { WatchStatus(); });
}

void ChannelResponder::Finish() {
  if (!status_.joinable()) return;
  dismissed_ = true;
  progress_.UpdateProgStatusEvent.Set();
  progress_.RecoveryTblEvent.Set();
  status_.join();
  tables_.join();
}

void ChannelResponder::WatchStatus() {
  for (;;) {
    progress_.UpdateProgStatusEvent.Wait();
    progress_.UpdateProgStatusEvent.Reset();
    if (dismissed_) return;
    if (progress_.StopRequested() || progress_.Finished()) break;
    ++statusReports;
    std::string text = progress_.statusText.Get();
    if (statuses.empty() || statuses.back() != text) statuses.push_back(text);
    pagesDoneSeen.push_back(progress_.pagesDone.load());
    if (hook_) hook_(progress_, statusReports);
    progress_.ReadPageEvent.Set();
  }
  progress_.RecoveryTblEvent.Set();
  progress_.ReadPageEvent.Set();
  progress_.UpdateProgTblEvent.Set();
}

void ChannelResponder::WatchTables() {
  for (;;) {
    progress_.RecoveryTblEvent.Wait();
    progress_.RecoveryTblEvent.Reset();
    if (dismissed_) return;
    if (progress_.StopRequested() || progress_.Finished() ||
        progress_.tablesDone.load() > progress_.tableTotal.load())
      break;
    ++tableReports;
    if (const TableDef* table = progress_.currentTable.load()) {
      ShownTable shown{table, table->name, {}};
      for (const ColumnDef& c : table->columns) shown.columns.push_back(c.name);
      tables.push_back(std::move(shown));
    }
    if (tableHook_) tableHook_(progress_, tableReports);
    progress_.UpdateProgTblEvent.Set();
  }
  if (progress_.tablesDone.load() > progress_.tableTotal.load()) progress_.RequestStop();
  progress_.UpdateProgTblEvent.Set();
  progress_.ReadPageEvent.Set();
}

void RunOrDie(const std::function<void()>& fn, std::chrono::seconds limit) {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread worker([&] {
    fn();
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    done.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex);
  if (!done.wait_for(lock, limit, [&] { return finished; })) {
    std::fprintf(stderr, "worker still blocked after %lld s\n", static_cast<long long>(limit.count()));
    std::_Exit(3);
  }
  lock.unlock();
  worker.join();
}

}  // namespace readertest
