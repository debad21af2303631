#include "app/analysis_progress_dialog.h"

#include <QKeyEvent>

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
    : QDialog(parent), progress_(progress), host_(host), watcher_(progress, *this) {
  ui.setupUi(this);
  ApplyTemplate(*this, 243, 211);
  ui.percent_1053->setText(QStringLiteral("0 %"));
  ui.stopClose_1063->setText(kStop);
  connect(ui.stopClose_1063, &QPushButton::clicked, this, &AnalysisProgressDialog::StopOrClose);
  tableWatcher_.Start([this] { watcher_.WatchTables(); });
  statusWatcher_.Start([this] { watcher_.WatchStatus(); });
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

void AnalysisProgressDialog::ShowNotOpened(const std::string& message) {
  ui.messages_1095->insertItem(0, FileText(message));
  ui.stopClose_1063->setText(kClose);
  DismissWatchers();
}

void AnalysisProgressDialog::DismissWatchers() {
  watcher_.Dismiss();
  progress_.UpdateProgStatusEvent.Set();
  progress_.RecoveryTblEvent.Set();
}

void AnalysisProgressDialog::StopOrClose() {
  if (ui.stopClose_1063->text() == kStop) {
    userStopped_ = true;
    progress_.RequestStop();
    // Wake both watchers now: a run that has stopped reporting would
    // otherwise leave the window at "Stop" for good.
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

void AnalysisProgressDialog::ShowStatus(const StatusReport& report) {
  // Most page reports change nothing on screen: they cost no window work.
  if (!report.AnythingNew()) return;
  RunOnGuiThread(this, [&] {
    if (report.status) ui.messages_1095->insertItem(0, FileText(*report.status));
    if (report.databaseName) ui.databaseName_1093->setText(PathText(*report.databaseName));
    if (report.storageFormat) ui.storageFormat_1094->setText(FileText(*report.storageFormat));
    if (report.percentChanged) ShowPercent(report.percent, statusPercentText_);
  });
}

void AnalysisProgressDialog::StatusWatchEnding() {
  RunOnGuiThread(this, [this] {
    ui.progress_1036->setValue(100);
    ui.percent_1053->setText(PercentText(100));
  });
}

void AnalysisProgressDialog::StatusWatchEnded() {
  RunOnGuiThread(this, [this] {
    host_.EndAnalysisState();
    ui.messages_1095->insertItem(0, FileText(progress_.completionText.Get()));
    ui.stopClose_1063->setText(kClose);
  });
}

void AnalysisProgressDialog::ShowTable(const TableReport& report) {
  RunOnGuiThread(this, [&] {
    ui.tablesFound_1061->setText(QString::asprintf("%d (%d)", report.tablesDone, report.tableTotal));
    ui.unnamed_1062->setText(QString::number(report.unnamedTables));
    ShowPercent(report.percent, tablePercentText_);
    if (report.table != nullptr) host_.AddTableNode(*report.table);
  });
}

void AnalysisProgressDialog::TableWatchEnded() {
  RunOnGuiThread(this, [this] {
    // A file the reader refused was not recovered: no 100 percent, and no
    // "Recovery Completed" from the status watcher either.
    const bool refused = progress_.StopRequested() && !userStopped_;
    if (refused) {
      DismissWatchers();
    } else {
      ui.progress_1036->setValue(100);
      ui.percent_1053->setText(PercentText(100));
    }
    ui.stopClose_1063->setText(kClose);
    host_.EndAnalysisState();
  });
}
