#include "tests/reader/channel_responder.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace readertest {

ChannelResponder::ChannelResponder(ProgressChannel& progress, StatusHook hook, TableHook tableHook)
    : progress_(progress),
      hook_(std::move(hook)),
      tableHook_(std::move(tableHook)),
      watcher_(progress, *this),
      threads_(watcher_) {}

void ChannelResponder::Finish() { threads_.Finish(); }

void ChannelResponder::ShowStatus(const StatusReport& report) {
  ++statusReports;
  std::string text = progress_.statusText.Get();
  if (statuses.empty() || statuses.back() != text) statuses.push_back(text);
  pagesDoneSeen.push_back(report.pagesDone);
  if (hook_) hook_(progress_, statusReports);
}

void ChannelResponder::ShowTable(const TableReport& report) {
  ++tableReports;
  if (const TableDef* table = report.table) {
    ShownTable shown{table, table->name, {}};
    for (const ColumnDef& c : table->columns) shown.columns.push_back(c.name);
    tables.push_back(std::move(shown));
  }
  if (tableHook_) tableHook_(progress_, tableReports);
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
