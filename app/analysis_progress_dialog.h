// The window the Recover command shows while the analysis runs: the status
// messages newest on top, the database name and format, tables read and
// found, unnamed tables, and one bar that runs to 50 percent over the page
// scan and on to 100 over the table definitions.
//
// Two watcher threads answer the analysis's handshakes in lock-step
// (AnalysisWatcher): one the status reports, one the tables, which the window
// also puts into the main window's tree. The object outlives its window: the
// watchers may still use it after the window has closed, until the next
// Recover ends them.
#pragma once

#include <QDialog>

#include "app/worker_thread.h"
#include "report/analysis_view.h"
#include "report/analysis_watcher.h"
#include "ui_analysis_progress_dialog.h"

class AnalysisHost;
class ProgressChannel;

class AnalysisProgressDialog : public QDialog, private AnalysisView {
  Q_OBJECT

 public:
  AnalysisProgressDialog(ProgressChannel& progress, AnalysisHost& host, QWidget* parent);
  ~AnalysisProgressDialog() override;

  // The analysis ended well: "Close", 100 percent.
  void ShowFinished();
  // The file could not be opened: the message on top, "Close", the bar
  // where it was; the watchers leave without showing anything more.
  void ShowNotOpened(const std::string& message);
  // Ends both watchers cooperatively: stop requested, every event released,
  // the threads joined while the window thread keeps serving them.
  void EndWatchers();
  bool WatchersRunning() const { return tableWatcher_.Running() || statusWatcher_.Running(); }

  Ui::AnalysisProgressDialog ui;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The watchers' view; each call comes from a watcher thread.
  void ShowStatus(const StatusReport& report) override;
  void ShowTable(const TableReport& report) override;
  void StatusWatchEnding() override;
  void StatusWatchEnded() override;
  void TableWatchEnded() override;

  void StopOrClose();
  // Both watchers leave at once, showing nothing: the run was refused.
  void DismissWatchers();
  void ShowPercent(int percent, QString& lastText);
  void SetEveryEvent();

  ProgressChannel& progress_;
  AnalysisHost& host_;
  AnalysisWatcher watcher_;
  // The percent text each watcher last showed.
  QString statusPercentText_;
  QString tablePercentText_;
  // Stop was pressed: a stop the user asked for ends like a finished run,
  // one the reader made (a refused file) does not.
  bool userStopped_ = false;
  WorkerThread tableWatcher_;
  WorkerThread statusWatcher_;
};
