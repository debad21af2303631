#include "app/export_progress_dialog.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QThread>

#include <algorithm>

#include "app/dialog_template.h"
#include "report/progress_channel.h"
#include "app/window_text.h"
#include "app/worker_thread.h"
#include "export/export_job.h"
#include "platform/dialogs.h"

ExportProgressDialog::ExportProgressDialog(ExportJob& job, const ExportOptions& options,
                                           ProgressChannel& progress, platform::Dialogs& dialogs,
                                           QWidget* parent)
    : QDialog(parent), job_(job), options_(options), progress_(progress), dialogs_(dialogs) {
  ui.setupUi(this);
  ApplyResizableTemplate(*this, 298, 162);
  setSizeGripEnabled(true);
  ui.statistics_1097->hide();
  ui.ok_1098->hide();
  ui.folder->hide();
  ui.openFolder->hide();
  connect(ui.stop_1093, &QPushButton::clicked, this, &ExportProgressDialog::Stop);
  connect(ui.ok_1098, &QPushButton::clicked, this, &ExportProgressDialog::Ok);
  connect(ui.openFolder, &QPushButton::clicked, this,
          [this] { dialogs_.OpenWithShell(options_.exportFolder); });
  clock_.setInterval(1000);
  connect(&clock_, &QTimer::timeout, this, &ExportProgressDialog::ShowElapsed);
}

ExportProgressDialog::~ExportProgressDialog() { WaitForJob(); }

int ExportProgressDialog::exec() {
  sinceStart_.start();
  ShowElapsed();
  clock_.start();
  job_.Start(options_, *this);
  const int result = QDialog::exec();
  WaitForJob();
  return result;
}

void ExportProgressDialog::WaitForJob() {
  // The job may be blocked handing this window a message: serve it until
  // it has returned, then join.
  while (job_.IsRunning()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (job_.IsRunning()) QThread::msleep(1);
  }
  job_.Join();
}

void ExportProgressDialog::ShowElapsed() {
  const qint64 seconds = sinceStart_.elapsed() / 1000;
  ui.elapsed->setText(QStringLiteral("Elapsed time : %1:%2:%3")
                          .arg(seconds / 3600)
                          .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                          .arg(seconds % 60, 2, 10, QLatin1Char('0')));
}

bool ExportProgressDialog::ConfirmStop() {
  return dialogs_.ShowMessage("Are you sure you want stop the export process ?", "Corvanel Brevantis",
                              platform::MessageButtons::YesNo,
                              platform::MessageIcon::Question) == platform::MessageAnswer::Yes;
}

void ExportProgressDialog::Stop() {
  if (ConfirmStop()) job_.RequestStop();
}

void ExportProgressDialog::Ok() {
  progress_.stopRequested.store(0);
  progress_.finished.store(0);
  accept();
}

void ExportProgressDialog::keyPressEvent(QKeyEvent* event) {
  // Escape would close the window and leave the job running behind it.
  if (event->key() == Qt::Key_Escape && job_.IsRunning()) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ExportProgressDialog::closeEvent(QCloseEvent* event) {
  if (job_.IsRunning()) {
    if (!ConfirmStop()) {
      event->ignore();
      return;
    }
    job_.RequestAbandon();
    WaitForJob();
  }
  QDialog::closeEvent(event);
}

void ExportProgressDialog::ShowRunning() {
  RunOnGuiThread(this, [this] {
    ui.ok_1098->hide();
    ui.statistics_1097->hide();
    ui.stop_1093->setEnabled(true);
    ui.stop_1093->show();
    ui.messages_1095->show();
    ui.progress_1056->show();
    ui.percent_1053->show();
  });
}

void ExportProgressDialog::AddMessage(const std::string& text) {
  RunOnGuiThread(this, [&] { ui.messages_1095->insertItem(0, FileText(text)); });
}

void ExportProgressDialog::SetRowsWritten(const ExportProgress& progress) {
  RunOnGuiThread(this, [&] {
    // Thousands grouped whatever the locale, as "120,000".
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    // A table may hold more rows than the analysis counted.
    const int64_t of = std::max(progress.rows, progress.rowsExpected);
    ui.rowsWritten->setText(QStringLiteral("Writing %1: %2 of %3 rows")
                                .arg(FileText(progress.output), locale.toString(qlonglong{progress.rows}),
                                     locale.toString(qlonglong{of})));
  });
}

void ExportProgressDialog::SetFinishing(const std::string& fileName) {
  RunOnGuiThread(this, [&] { ui.rowsWritten->setText(QStringLiteral("Finishing ") + FileText(fileName)); });
}

void ExportProgressDialog::SetPercentage(int percent) {
  RunOnGuiThread(this, [&] {
    ui.progress_1056->setValue(percent);
    ui.percent_1053->setText(QString::asprintf("%d%%", percent));
  });
}

void ExportProgressDialog::ShowFinished() {
  RunOnGuiThread(this, [this] {
    ui.stop_1093->setEnabled(false);
    clock_.stop();
    ShowElapsed();
  });
  // The pause is the job's, so the window stays responsive while the
  // closing message is read.
  QThread::msleep(static_cast<unsigned long>(closingPause_));
  RunOnGuiThread(this, [this] {
    ui.ok_1098->show();
    ui.statistics_1097->show();
    ui.progress_1056->hide();
    ui.stop_1093->hide();
    ui.percent_1053->hide();
    ui.rowsWritten->hide();
    ui.folder->setText(QStringLiteral("Written to : ") + PathText(options_.exportFolder));
    ui.folder->show();
    ui.openFolder->show();
    ui.ok_1098->setFocus();
  });
}

bool ExportProgressDialog::ClearStatistics() {
  RunOnGuiThread(this, [this] {
    QTableWidget* list = ui.statistics_1097;
    list->clearContents();
    list->setRowCount(0);
    list->setColumnCount(2);
    auto* name = new QTableWidgetItem(QStringLiteral("Table Names"));
    name->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* count = new QTableWidgetItem(QStringLiteral("No. Of Records"));
    count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list->setHorizontalHeaderItem(0, name);
    list->setHorizontalHeaderItem(1, count);
    list->setColumnWidth(0, kNameColumnWidth);
    list->setColumnWidth(1, kCountColumnWidth);
  });
  return true;
}

void ExportProgressDialog::AddStatisticsRow(int position, const StatisticsRow& row) {
  RunOnGuiThread(this, [&] {
    QTableWidget* list = ui.statistics_1097;
    // Tables without a name leave no row, so positions may run ahead.
    const int at = std::min(position, list->rowCount());
    list->insertRow(at);
    list->setItem(at, 0, new QTableWidgetItem(FileText(row.name)));
    // A stopped table, or one not written whole, says so beside its count.
    QString countText = QString::number(row.rows);
    if (!row.note.empty()) countText += QStringLiteral(" (") + FileText(row.note) + QLatin1Char(')');
    auto* count = new QTableWidgetItem(countText);
    count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list->setItem(at, 1, count);
  });
}
