// The watcher side of the analysis's handshake, written once for every
// view. It answers the reports of the progress channel in one of two ways:
//
//  - in lock-step, on two threads of its own (WatchStatus, WatchTables), as
//    the progress window needs: the worker waits at every report until the
//    view has shown it;
//  - inline, in the worker's own thread: the channel hands each report to
//    the watcher directly. Every report is seen, in order, with the same
//    texts and counters, without a thread switch per page. The command line,
//    the fuzz targets and the damage suite have no window to keep in step.
//
// Either way the watcher leaves as the window's watchers do: when the job is
// stopped or finished, giving the leaving signals that release the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "report/analysis_view.h"

class ProgressChannel;
class SharedText;

class AnalysisWatcher {
 public:
  // `progress` and `view` must outlive the watcher.
  AnalysisWatcher(ProgressChannel& progress, AnalysisView& view);
  ~AnalysisWatcher();
  AnalysisWatcher(const AnalysisWatcher&) = delete;
  AnalysisWatcher& operator=(const AnalysisWatcher&) = delete;

  // Lock-step: the bodies of the two watcher threads.
  void WatchStatus();
  void WatchTables();
  // Lock-step: a watcher still waiting leaves at its next wake-up without
  // answering or showing anything; the caller then wakes both.
  void Dismiss() { dismissed_.store(true); }

  // Inline: answers the channel's reports in the worker's thread from now
  // until the watcher is destroyed (or both watchers have left).
  void AnswerInline();
  // Inline: called by the channel for each report.
  void StatusReported();
  void TableReported();

  ProgressChannel& progress() const { return progress_; }

 private:
  // One report each: false when the watcher is to leave instead.
  bool StatusStep();
  bool TableStep();
  void EndStatus();
  void EndTables();
  // The signals a leaving watcher gives so that no one stays waiting; inline,
  // the table watcher's wake-up runs its step at once.
  void WakeTableWatcher();
  void ReleaseWorker();

  // What the status watcher last showed of one text: a text is read only
  // when it was written again, and counts as new only when it changed.
  struct ShownText {
    uint64_t version = ~uint64_t{0};
    std::string text;
  };
  const std::string* Refresh(const SharedText& source, ShownText& shown);

  ProgressChannel& progress_;
  AnalysisView& view_;
  bool inline_ = false;
  std::atomic<bool> dismissed_{false};
  bool statusEnded_ = false;
  bool tablesEnded_ = false;
  ShownText status_, databaseName_, storageFormat_;
  int lastPercent_ = -1;
  bool pagePhaseOver_ = false;
};

// The lock-step watchers on threads of their own, for callers without a
// window (the tests). The window runs the same bodies on its worker threads.
class WatcherThreads {
 public:
  // Starts both threads; `watcher` must outlive this object.
  explicit WatcherThreads(AnalysisWatcher& watcher);
  ~WatcherThreads() { Finish(); }
  // Ends both threads: a watcher still waiting leaves without answering.
  void Finish();

 private:
  AnalysisWatcher& watcher_;
  std::thread tables_;
  std::thread status_;
};
