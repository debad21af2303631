// The one status object through which worker threads talk to windows.
//
// The analysis publishes a status or a table, signals, and waits until a
// watcher has shown it (a lock-step handshake over four manual-reset events).
// Manual reset matters: a report made before the watchers exist is kept until
// they start. A watcher may instead answer inline, in the worker's thread
// (report/analysis_watcher.h); the worker side is the same either way. The record browser and the export use the stop and end flags.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/manual_reset_event.h"

class AnalysisWatcher;
struct TableDef;

// The analysis's last line for a file read whole.
inline constexpr char kRecoveryCompleted[] = "Recovery Completed";

// A text written by one thread and read by another. The handshake orders the
// accesses while a job runs normally, but once a stop is requested the worker
// no longer waits for the reader, so the text guards itself.
class SharedText {
 public:
  void Set(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ = std::move(text);
    version_.fetch_add(1, std::memory_order_release);
  }
  std::string Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  void Clear() { Set(std::string()); }
  // Changes with every Set: a watcher that remembers it skips reading a text
  // that was not written again (the page scan reports the same status for
  // every page).
  uint64_t Version() const { return version_.load(std::memory_order_acquire); }

 private:
  mutable std::mutex mutex_;
  std::string text_;
  std::atomic<uint64_t> version_{0};
};

class ProgressChannel {
 public:
  ProgressChannel();
  ProgressChannel(const ProgressChannel&) = delete;
  ProgressChannel& operator=(const ProgressChannel&) = delete;

  platform::ManualResetEvent RecoveryTblEvent{"RecoveryTblEvent"};
  platform::ManualResetEvent UpdateProgTblEvent{"UpdateProgTblEvent"};
  platform::ManualResetEvent ReadPageEvent{"ReadPageEvent"};
  platform::ManualResetEvent UpdateProgStatusEvent{"UpdateProgStatusEvent"};

  std::atomic<uint8_t> stopRequested{0};
  std::atomic<uint8_t> finished{0};
  // Set with stopRequested when the analysis refused the file.
  std::atomic<uint8_t> refused{0};
  std::atomic<int32_t> unnamedTableCount{0};
  std::atomic<int32_t> tableTotal{0};
  std::atomic<int32_t> tablesDone{0};
  std::atomic<int32_t> pageTotal{0};
  std::atomic<int32_t> pagesDone{0};
  std::atomic<TableDef*> currentTable{nullptr};
  SharedText statusText;
  SharedText databaseName;
  SharedText storageFormat;
  // What the watchers say when the analysis has ended: kRecoveryCompleted,
  // or with what did not come back.
  SharedText completionText;
  // Used by the record browser's fetch thread alone.
  std::vector<std::string> rowBuffer;

  // Worker side: publish what was written, wait until the status watcher has
  // shown it. Never blocks once stopRequested is set.
  void ReportStatus();
  // Worker side, once per table of the schema read. Returns false when the
  // schema read is to be left (stop requested after the status handshake).
  bool ReportTable(TableDef* table, const std::string& tableName);
  // Worker or analysis thread: the job has ended.
  void SignalEnd(bool asStop);
  // Worker side: publish a status without waiting for it to be shown.
  void PostStatus();
  // Worker side: wake the table watcher without publishing a table (a stop
  // noticed at the top of a table step).
  void WakeTableWatcher();

  // A watcher that answers every report in the worker's own thread, or none
  // for watchers on threads of their own. Set while no job runs.
  void SetInlineWatcher(AnalysisWatcher* watcher) { inlineWatcher_ = watcher; }

  // Before each analysis: flags, counters, texts, row buffer, events.
  // databaseName and storageFormat stay.
  void Reset();
  // The progress window's Close: Reset, and storageFormat emptied too.
  void FullReset();

  bool StopRequested() const { return stopRequested.load(std::memory_order_acquire) != 0; }
  bool Finished() const { return finished.load(std::memory_order_acquire) != 0; }
  void RequestStop() { stopRequested.store(1, std::memory_order_release); }

 private:
  // Wait on an event unless a stop makes the wait pointless; the watchers'
  // leaving signals release a wait that began before the stop.
  void WaitUnlessStopped(platform::ManualResetEvent& event);

  AnalysisWatcher* inlineWatcher_ = nullptr;
};
