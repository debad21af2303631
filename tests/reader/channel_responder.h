// Stands in for the progress window in the reader tests: the lock-step
// watchers on two threads, with a view that records what was shown and can
// press Stop at a chosen report.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "reader/table_def.h"
#include "report/analysis_watcher.h"
#include "report/progress_channel.h"

namespace readertest {

struct ShownTable {
  const TableDef* table = nullptr;
  std::string name;
  std::vector<std::string> columns;  // column names in the order held at publication
};

class ChannelResponder : private AnalysisView {
 public:
  // Called on the status watcher's thread for every status report, before it
  // is answered; the argument is the number of reports so far (1-based).
  using StatusHook = std::function<void(ProgressChannel&, int report)>;

  // Called on the table watcher's thread for every table report, before it
  // is answered.
  using TableHook = std::function<void(ProgressChannel&, int report)>;

  explicit ChannelResponder(ProgressChannel& progress, StatusHook hook = {}, TableHook tableHook = {});
  ~ChannelResponder() override { Finish(); }

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
  void ShowStatus(const StatusReport& report) override;
  void ShowTable(const TableReport& report) override;
  // The page counters are checked after the scan.
  bool EndsPagePhase() const override { return false; }

  ProgressChannel& progress_;
  StatusHook hook_;
  TableHook tableHook_;
  AnalysisWatcher watcher_;
  WatcherThreads threads_;
};

// Runs fn on a thread and fails the process if it has not returned within
// the time: a worker left blocked in a wait must not hang the test run.
void RunOrDie(const std::function<void()>& fn, std::chrono::seconds limit = std::chrono::seconds(60));

}  // namespace readertest
