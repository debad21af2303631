// The window the Recover command shows while the analysis runs: the status
// messages newest on top, the database name and format, tables read and
// found, unnamed tables, and one bar that runs to 50 percent over the page
// scan and on to 100 over the table definitions.
//
// Two watcher threads answer the analysis's handshakes: StatusWatcher the
// status reports, TableWatcher the tables (which it also puts into the main
// window's tree). The object outlives its window: the watchers may still use
// it after the window has closed, until the next Recover ends them.
#pragma once

#include <QDialog>

#include "app/worker_thread.h"
#include "ui_analysis_progress_dialog.h"

class AnalysisHost;
class ProgressChannel;

class AnalysisProgressDialog : public QDialog {
  Q_OBJECT

 public:
  AnalysisProgressDialog(ProgressChannel& progress, AnalysisHost& host, QWidget* parent);
  ~AnalysisProgressDialog() override;

  // The analysis ended well: "Close", 100 percent.
  void ShowFinished();
  // Ends both watchers cooperatively: stop requested, every event released,
  // the threads joined while the window thread keeps serving them.
  void EndWatchers();
  bool WatchersRunning() const { return tableWatcher_.Running() || statusWatcher_.Running(); }

  Ui::AnalysisProgressDialog ui;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void StatusWatcher();
  void TableWatcher();
  void StopOrClose();
  void ShowPercent(int percent, QString& lastText);
  void SetEveryEvent();

  ProgressChannel& progress_;
  AnalysisHost& host_;
  WorkerThread tableWatcher_;
  WorkerThread statusWatcher_;
};
