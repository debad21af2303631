#include "report/progress_channel.h"

#include "report/analysis_watcher.h"

ProgressChannel::ProgressChannel() {
  RecoveryTblEvent.Reset();
  UpdateProgTblEvent.Reset();
  ReadPageEvent.Reset();
  UpdateProgStatusEvent.Reset();
  completionText.Set(kRecoveryCompleted);
}

void ProgressChannel::WaitUnlessStopped(platform::ManualResetEvent& event) {
  if (StopRequested()) return;
  event.Wait();
}

void ProgressChannel::ReportStatus() {
  if (inlineWatcher_ != nullptr) {
    inlineWatcher_->StatusReported();
    return;
  }
  UpdateProgStatusEvent.Set();
  WaitUnlessStopped(ReadPageEvent);
  ReadPageEvent.Reset();
}

bool ProgressChannel::ReportTable(TableDef* table, const std::string& tableName) {
  currentTable.store(table, std::memory_order_release);
  tablesDone.fetch_add(1, std::memory_order_acq_rel);
  statusText.Set("Schema read of table : " + tableName);
  ReportStatus();
  if (StopRequested()) return false;
  if (inlineWatcher_ != nullptr) {
    inlineWatcher_->TableReported();
    return true;
  }
  RecoveryTblEvent.Set();
  WaitUnlessStopped(UpdateProgTblEvent);
  UpdateProgTblEvent.Reset();
  return true;
}

void ProgressChannel::SignalEnd(bool asStop) {
  if (asStop)
    stopRequested.store(1, std::memory_order_release);
  else
    finished.store(1, std::memory_order_release);
  WakeTableWatcher();
}

void ProgressChannel::PostStatus() {
  if (inlineWatcher_ != nullptr)
    inlineWatcher_->StatusReported();
  else
    UpdateProgStatusEvent.Set();
}

void ProgressChannel::WakeTableWatcher() {
  if (inlineWatcher_ != nullptr)
    inlineWatcher_->TableReported();
  else
    RecoveryTblEvent.Set();
}

void ProgressChannel::Reset() {
  stopRequested = 0;
  finished = 0;
  refused = 0;
  unnamedTableCount = 0;
  tableTotal = 0;
  tablesDone = 0;
  pageTotal = 0;
  pagesDone = 0;
  statusText.Clear();
  completionText.Set(kRecoveryCompleted);
  currentTable = nullptr;
  rowBuffer.clear();
  RecoveryTblEvent.Reset();
  UpdateProgTblEvent.Reset();
  ReadPageEvent.Reset();
  UpdateProgStatusEvent.Reset();
}

void ProgressChannel::FullReset() {
  Reset();
  storageFormat.Clear();
}
