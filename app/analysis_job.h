// The Recover command's worker thread: runs the session's analysis of the
// chosen file, which reports through the progress channel in lock-step with
// the progress window's watchers, counting each table's readable rows for
// the tree, then counts each table's readable deleted rows, then hands the
// main window back.
#pragma once

#include <string>

#include "app/worker_thread.h"

class AnalysisHost;
class MdbFile;
class ProgressChannel;
class QObject;
namespace platform {
class Dialogs;
}

class AnalysisJob {
 public:
  // `window` is the host's window object; its thread carries out the calls.
  // Everything given must outlive the job.
  AnalysisJob(MdbFile& session, ProgressChannel& progress, platform::Dialogs& dialogs, AnalysisHost& host,
              QObject& window)
      : session_(session), progress_(progress), dialogs_(dialogs), host_(host), window_(window) {}

  // The previous run must have ended (Join).
  void Start(const std::string& filePath);
  bool Running() const { return thread_.Running(); }
  // Handles window events until the thread has ended; the caller has
  // released whatever the thread may wait on.
  void Join() { thread_.Join(); }

 private:
  void Run(const std::string& filePath);
  void ShowDeletedRows();

  MdbFile& session_;
  ProgressChannel& progress_;
  platform::Dialogs& dialogs_;
  AnalysisHost& host_;
  QObject& window_;
  WorkerThread thread_;
};
