// The window of a running export: the job's messages newest on top, a bar
// and a percentage that follow the rows written, Stop; at the end, after a
// pause to read the closing message, the record count of every table
// reached beside the messages, and OK. The job runs on its own thread; this
// window is its view and carries out every call of it on the window's
// thread. Closing the window while the job runs abandons the job (after a
// confirmation), which ends it at its next row. While the job runs the
// window says what it does ("Writing Orders: 120,000 of 830,000 rows",
// "Finishing Orders.xlsx") and the time gone; at the end, the folder
// written, with a button that opens it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "export/export_view.h"
#include "ui_export_progress_dialog.h"

class ExportJob;
struct ExportOptions;
class ProgressChannel;
namespace platform {
class Dialogs;
}

class ExportProgressDialog : public QDialog, public ExportView {
  Q_OBJECT

 public:
  static constexpr int kClosingPauseMilliseconds = 2000;
  static constexpr int kNameColumnWidth = 300;
  static constexpr int kCountColumnWidth = 175;

  ExportProgressDialog(ExportJob& job, const ExportOptions& options, ProgressChannel& progress,
                       platform::Dialogs& dialogs, QWidget* parent);
  ~ExportProgressDialog() override;

  // Starts the job, shows the window until it is closed, and returns only
  // after the job's thread has ended.
  int exec() override;
  void SetClosingPause(int milliseconds) { closingPause_ = milliseconds; }

  // ExportView, called on the job's thread.
  void ShowRunning() override;
  void AddMessage(const std::string& text) override;
  void SetRowsWritten(const ExportProgress& progress) override;
  void SetFinishing(const std::string& fileName) override;
  void SetPercentage(int percent) override;
  void ShowFinished() override;
  bool ClearStatistics() override;
  void AddStatisticsRow(int position, const StatisticsRow& row) override;

  Ui::ExportProgressDialog ui;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Stop();
  void Ok();
  bool ConfirmStop();
  void WaitForJob();
  void ShowElapsed();

  ExportJob& job_;
  const ExportOptions& options_;
  ProgressChannel& progress_;
  platform::Dialogs& dialogs_;
  int closingPause_ = kClosingPauseMilliseconds;
  QElapsedTimer sinceStart_;
  QTimer clock_;  // moves the time shown while the job runs
};
