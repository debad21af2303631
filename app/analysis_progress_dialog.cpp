#include "app/analysis_progress_dialog.h"

#include <QKeyEvent>

#include <string>

#include "app/analysis_host.h"
#include "app/dialog_template.h"
#include "report/progress_channel.h"
#include "app/window_text.h"

namespace {

const QString kStop = QStringLiteral("Stop");
const QString kClose = QStringLiteral("Close");

QString PercentText(int percent) { return QString::asprintf("%d%%", percent); }

}  // namespace

AnalysisProgressDialog::AnalysisProgressDialog(ProgressChannel& progress, AnalysisHost& host,
                                               QWidget* parent)
    : QDialog(parent), progress_(progress), host_(host) {
  ui.setupUi(this);
  ApplyTemplate(*this, 243, 211);
  ui.percent_1053->setText(QStringLiteral("0 %"));
  ui.stopClose_1063->setText(kStop);
  connect(ui.stopClose_1063, &QPushButton::clicked, this, &AnalysisProgressDialog::StopOrClose);
  tableWatcher_.Start([this] { TableWatcher(); });
  statusWatcher_.Start([this] { StatusWatcher(); });
}

AnalysisProgressDialog::~AnalysisProgressDialog() { EndWatchers(); }

void AnalysisProgressDialog::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape would end the window while the analysis runs.
  if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

void AnalysisProgressDialog::SetEveryEvent() {
  progress_.RecoveryTblEvent.Set();
  progress_.ReadPageEvent.Set();
  progress_.UpdateProgTblEvent.Set();
  progress_.UpdateProgStatusEvent.Set();
}

void AnalysisProgressDialog::EndWatchers() {
  if (!WatchersRunning()) {
    tableWatcher_.Join();
    statusWatcher_.Join();
    return;
  }
  progress_.RequestStop();
  SetEveryEvent();
  tableWatcher_.Join();
  statusWatcher_.Join();
}

void AnalysisProgressDialog::ShowFinished() {
  ui.stopClose_1063->setText(kClose);
  ui.progress_1036->setValue(100);
  ui.percent_1053->setText(PercentText(100));
}

void AnalysisProgressDialog::StopOrClose() {
  if (ui.stopClose_1063->text() == kStop) {
    progress_.RequestStop();
    // Wake both watchers now: a run that has stopped reporting (a file that
    // could not be opened) would otherwise leave the window at "Stop" for good.
    progress_.UpdateProgStatusEvent.Set();
    progress_.RecoveryTblEvent.Set();
    return;
  }
  progress_.FullReset();
  accept();
}

void AnalysisProgressDialog::ShowPercent(int percent, QString& lastText) {
  ui.progress_1036->setValue(percent);
  const QString text = PercentText(percent);
  if (text != lastText) {
    ui.percent_1053->setText(text);
    lastText = text;
  }
}

void AnalysisProgressDialog::StatusWatcher() {
  // What this watcher last showed; a control changes only when its text does,
  // and a text is read only when it was written again, so a page report costs
  // a few comparisons and no window work at all.
  struct Shown {
    explicit Shown(const SharedText& watched) : source(watched) {}
    const SharedText& source;
    uint64_t version = ~uint64_t{0};
    std::string text;
    bool Refresh() {
      const uint64_t now = source.Version();
      if (now == version) return false;
      version = now;
      std::string latest = source.Get();
      if (latest == text) return false;
      text = std::move(latest);
      return true;
    }
  };
  Shown status(progress_.statusText), name(progress_.databaseName), format(progress_.storageFormat);
  QString lastPercentText;
  int lastPercent = -1;
  bool pagePhaseOver = false;
  for (;;) {
    progress_.UpdateProgStatusEvent.Wait();
    progress_.UpdateProgStatusEvent.Reset();
    if (progress_.StopRequested() || progress_.Finished()) break;

    const bool newStatus = status.Refresh();
    const bool newName = name.Refresh();
    const bool newFormat = format.Refresh();
    int percent = lastPercent;
    if (!pagePhaseOver) {
      const int32_t total = progress_.pageTotal.load();
      const int32_t done = progress_.pagesDone.load();
      percent = total == 0 ? 0 : static_cast<int>(static_cast<double>(done) / total * 50);
      if (done > 0 && done == total) {
        progress_.pageTotal.store(0);
        progress_.pagesDone.store(0);
        pagePhaseOver = true;
      }
    }
    if (newStatus || newName || newFormat || percent != lastPercent) {
      RunOnGuiThread(this, [&] {
        if (newStatus) ui.messages_1095->insertItem(0, FileText(status.text));
        if (newName) ui.databaseName_1093->setText(PathText(name.text));
        if (newFormat) ui.storageFormat_1094->setText(FileText(format.text));
        if (percent != lastPercent) ShowPercent(percent, lastPercentText);
      });
      lastPercent = percent;
    }
    progress_.ReadPageEvent.Set();
  }

  RunOnGuiThread(this, [this] {
    ui.progress_1036->setValue(100);
    ui.percent_1053->setText(PercentText(100));
  });
  progress_.RecoveryTblEvent.Set();
  progress_.ReadPageEvent.Set();
  progress_.UpdateProgTblEvent.Set();
  RunOnGuiThread(this, [this] {
    host_.EndAnalysisState();
    ui.messages_1095->insertItem(0, QStringLiteral("Recovery Completed"));
    ui.stopClose_1063->setText(kClose);
  });
}

void AnalysisProgressDialog::TableWatcher() {
  QString lastPercentText;
  for (;;) {
    progress_.RecoveryTblEvent.Wait();
    progress_.RecoveryTblEvent.Reset();
    if (progress_.StopRequested() || progress_.Finished()) break;
    const int32_t done = progress_.tablesDone.load();
    const int32_t total = progress_.tableTotal.load();
    if (done > total) break;

    const int32_t unnamed = progress_.unnamedTableCount.load();
    TableDef* table = progress_.currentTable.load();
    const int percent = total == 0 ? 50 : static_cast<int>(static_cast<double>(done) / total * 50 + 50);
    RunOnGuiThread(this, [&] {
      ui.tablesFound_1061->setText(QString::asprintf("%d (%d)", done, total));
      ui.unnamed_1062->setText(QString::number(unnamed));
      ShowPercent(percent, lastPercentText);
      if (table != nullptr) host_.AddTableNode(*table);
    });
    progress_.UpdateProgTblEvent.Set();
  }

  if (progress_.tablesDone.load() > progress_.tableTotal.load()) progress_.RequestStop();
  RunOnGuiThread(this, [this] {
    ui.progress_1036->setValue(100);
    ui.percent_1053->setText(PercentText(100));
    ui.stopClose_1063->setText(kClose);
    host_.EndAnalysisState();
  });
  progress_.UpdateProgTblEvent.Set();
  progress_.ReadPageEvent.Set();
}
