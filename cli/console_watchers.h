// The command line's counterpart of the analysis progress window: a watcher
// that answers every report of the progress channel inline, in the
// analysis's own thread (the same protocol as the window's watchers, without
// a thread switch per page), prints the status messages to stderr as the
// window's list would show them, and draws a progress bar there when stderr
// is a terminal. The rows and export commands run the same analysis before
// they read rows.
#pragma once

#include <functional>
#include <string>

class MdbFile;
class ProgressChannel;
struct TableDef;
namespace platform {
class Dialogs;
}

enum class AnalysisResult {
  Read,       // the tables were read
  NotOpened,  // the file could not be opened ("Opening file failed... PATH: reason" printed)
  Refused,    // the format was refused, or nothing of the file came back (its message printed)
  Stopped,    // stopped before the pages were scanned
};

// Called for every table the analysis publishes, in the analysis's thread:
// the table still has its columns in the order of their records.
using TableShown = std::function<void(const TableDef&)>;

// Runs the whole analysis of `path` as the desktop program's Recover does,
// watched by the console, each listed table's readable rows counted before
// it is shown.
AnalysisResult RunAnalysis(MdbFile& file, ProgressChannel& progress, platform::Dialogs& dialogs,
                           const std::string& path, const TableShown& onTable = {});

// 0 when the tables were read, 2 for a refused format, 1 otherwise.
int AnalysisExitCode(AnalysisResult result);
