#include "report/analysis_watcher.h"

#include "report/progress_channel.h"

namespace {

bool JobEnded(const ProgressChannel& progress) { return progress.StopRequested() || progress.Finished(); }

}  // namespace

AnalysisWatcher::AnalysisWatcher(ProgressChannel& progress, AnalysisView& view)
    : progress_(progress), view_(view) {}

AnalysisWatcher::~AnalysisWatcher() {
  if (inline_) progress_.SetInlineWatcher(nullptr);
}

void AnalysisWatcher::AnswerInline() {
  inline_ = true;
  progress_.SetInlineWatcher(this);
}

const std::string* AnalysisWatcher::Refresh(const SharedText& source, ShownText& shown) {
  const uint64_t version = source.Version();
  if (version == shown.version) return nullptr;
  shown.version = version;
  std::string latest = source.Get();
  if (latest == shown.text) return nullptr;
  shown.text = std::move(latest);
  return &shown.text;
}

bool AnalysisWatcher::StatusStep() {
  if (JobEnded(progress_)) return false;
  StatusReport report;
  report.status = Refresh(progress_.statusText, status_);
  report.databaseName = Refresh(progress_.databaseName, databaseName_);
  report.storageFormat = Refresh(progress_.storageFormat, storageFormat_);
  report.pagesDone = progress_.pagesDone.load();
  report.pageTotal = progress_.pageTotal.load();
  if (!pagePhaseOver_) {
    report.percent = report.pageTotal == 0
                         ? 0
                         : static_cast<int>(static_cast<double>(report.pagesDone) / report.pageTotal * 50);
    report.percentChanged = report.percent != lastPercent_;
    lastPercent_ = report.percent;
    if (report.pagesDone > 0 && report.pagesDone == report.pageTotal && view_.EndsPagePhase()) {
      progress_.pageTotal.store(0);
      progress_.pagesDone.store(0);
      pagePhaseOver_ = true;
    }
  }
  view_.ShowStatus(report);
  return true;
}

bool AnalysisWatcher::TableStep() {
  if (JobEnded(progress_)) return false;
  TableReport report;
  report.tablesDone = progress_.tablesDone.load();
  report.tableTotal = progress_.tableTotal.load();
  if (report.tablesDone > report.tableTotal) return false;
  report.unnamedTables = progress_.unnamedTableCount.load();
  report.table = progress_.currentTable.load();
  report.percent =
      report.tableTotal == 0
          ? 50
          : static_cast<int>(static_cast<double>(report.tablesDone) / report.tableTotal * 50 + 50);
  view_.ShowTable(report);
  return true;
}

void AnalysisWatcher::EndStatus() {
  statusEnded_ = true;
  view_.StatusWatchEnding();
  WakeTableWatcher();
  ReleaseWorker();
  view_.StatusWatchEnded();
}

void AnalysisWatcher::EndTables() {
  tablesEnded_ = true;
  if (progress_.tablesDone.load() > progress_.tableTotal.load()) progress_.RequestStop();
  view_.TableWatchEnded();
  ReleaseWorker();
}

void AnalysisWatcher::WakeTableWatcher() {
  if (inline_)
    TableReported();
  else
    progress_.RecoveryTblEvent.Set();
}

void AnalysisWatcher::ReleaseWorker() {
  // Inline, the worker never waits.
  if (inline_) return;
  progress_.ReadPageEvent.Set();
  progress_.UpdateProgTblEvent.Set();
}

void AnalysisWatcher::StatusReported() {
  if (!statusEnded_ && !StatusStep()) EndStatus();
}

void AnalysisWatcher::TableReported() {
  if (!tablesEnded_ && !TableStep()) EndTables();
}

void AnalysisWatcher::WatchStatus() {
  for (;;) {
    progress_.UpdateProgStatusEvent.Wait();
    progress_.UpdateProgStatusEvent.Reset();
    if (dismissed_.load()) return;
    if (!StatusStep()) break;
    progress_.ReadPageEvent.Set();
  }
  EndStatus();
}

void AnalysisWatcher::WatchTables() {
  for (;;) {
    progress_.RecoveryTblEvent.Wait();
    progress_.RecoveryTblEvent.Reset();
    if (dismissed_.load()) return;
    if (!TableStep()) break;
    progress_.UpdateProgTblEvent.Set();
  }
  EndTables();
}

WatcherThreads::WatcherThreads(AnalysisWatcher& watcher) : watcher_(watcher) {
  tables_ = std::thread([this] { watcher_.WatchTables(); });
  status_ = std::thread([this] { watcher_.WatchStatus(); });
}

void WatcherThreads::Finish() {
  if (!status_.joinable()) return;
  watcher_.Dismiss();
  watcher_.progress().UpdateProgStatusEvent.Set();
  watcher_.progress().RecoveryTblEvent.Set();
  status_.join();
  tables_.join();
}
