// Stands in for the progress window's two watchers in the reader tests: two
// threads that answer every handshake of the channel as the window's
// watchers do (leaving, with their leaving signals, once the job is stopped
// or finished), record what was shown, and can press Stop at a chosen report.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "report/progress_channel.h"
#include "reader/table_def.h"

namespace readertest {

struct ShownTable {
  const TableDef* table = nullptr;
  std::string name;
  std::vector<std::string> columns;  // column names in the order held at publication
};

class ChannelResponder {
 public:
  // Called on the status watcher's thread for every status report, before it
  // is answered; the argument is the number of reports so far (1-based).
  using StatusHook = std::function<void(ProgressChannel&, int report)>;

  // Called on the table watcher's thread for every table report, before it
  // is answered.
  using TableHook = std::function<void(ProgressChannel&, int report)>;

  explicit ChannelResponder(ProgressChannel& progress, StatusHook hook = {}, TableHook tableHook = {});
  ~ChannelResponder() { Finish(); }

  // Ends both threads; a watcher still waiting leaves without answering.
  void Finish();

  // Every status text shown, each once while it stays the same.
  std::vector<std::string> statuses;
  int statusReports = 0;
  // Page counters as seen at each status report.
  std::vector<int32_t> pagesDoneSeen;
  std::vector<ShownTable> tables;
  int tableReports = 0;

 private:
  void WatchStatus();
  void WatchTables();

  ProgressChannel& progress_;
  StatusHook hook_;
  TableHook tableHook_;
  std::atomic<bool> dismissed_{false};
  std::thread status_;
  std::thread tables_;
};

// Runs fn on a thread and fails the process if it has not returned within
// the time: a worker left blocked in a wait must not hang the test run.
void RunOrDie(const std::function<void()>& fn, std::chrono::seconds limit = std::chrono::seconds(60));

}  // namespace readertest
