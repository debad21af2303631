// What a watcher of the analysis shows, and where: the progress window, the
// console and the tests each supply one. The watcher protocol itself (which
// report is answered when, the leaving signals, the page phase) lives in
// AnalysisWatcher; a view only puts things on its screen.
#pragma once

#include <cstdint>
#include <string>

struct TableDef;

// One status report as the status watcher saw it. A text pointer is set
// only when that text changed since the watcher last showed it.
struct StatusReport {
  const std::string* status = nullptr;
  const std::string* databaseName = nullptr;
  const std::string* storageFormat = nullptr;
  int32_t pagesDone = 0;
  int32_t pageTotal = 0;
  // The bar's percent during the page phase; -1 once that phase is over.
  int percent = -1;
  bool percentChanged = false;

  bool AnythingNew() const { return status || databaseName || storageFormat || percentChanged; }
};

// One table report as the table watcher saw it.
struct TableReport {
  int32_t tablesDone = 0;
  int32_t tableTotal = 0;
  int32_t unnamedTables = 0;
  int percent = 50;
  TableDef* table = nullptr;  // the table published, or none
};

class AnalysisView {
 public:
  virtual ~AnalysisView() = default;
  // Every status report, before it is answered (the worker waits meanwhile).
  virtual void ShowStatus(const StatusReport& report) = 0;
  // Every table report, before it is answered.
  virtual void ShowTable(const TableReport& report) = 0;
  // The status watcher leaves: before its leaving signals, and after them.
  virtual void StatusWatchEnding() {}
  virtual void StatusWatchEnded() {}
  // The table watcher leaves, before its leaving signals.
  virtual void TableWatchEnded() {}
  // The window zeroes the page counters when the page phase ends, so that no
  // later report moves the bar back; a view that records the counters for a
  // check keeps them.
  virtual bool EndsPagePhase() const { return true; }
};

// Shows nothing: for runs that want only the analysis's result (the fuzz
// targets, the damage suite).
class SilentAnalysisView : public AnalysisView {
 public:
  void ShowStatus(const StatusReport&) override {}
  void ShowTable(const TableReport&) override {}
};
