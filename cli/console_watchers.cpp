#include "cli/console_watchers.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "decode/row_count.h"
#include "report/analysis_watcher.h"
#include "report/progress_channel.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "platform/read_only_file.h"

namespace {

// stderr, shared by both watchers: status lines, and on a terminal a bar
// that every line is printed above.
class ConsoleOutput {
 public:
  explicit ConsoleOutput(bool drawBar) : drawBar_(drawBar) {}

  void Line(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (barShown_) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "%s\n", text.c_str());
    if (barShown_) DrawBar();
    std::fflush(stderr);
  }

  void Percent(int percent) {
    if (!drawBar_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (barShown_ && percent == percent_) return;
    percent_ = percent;
    barShown_ = true;
    DrawBar();
    std::fflush(stderr);
  }

  // Takes the bar off the terminal, so that what follows starts clean.
  void EndBar() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!barShown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    barShown_ = false;
  }

 private:
  void DrawBar() {
    constexpr int kWidth = 40;
    char bar[kWidth + 1];
    int filled = percent_ * kWidth / 100;
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent_);
  }

  std::mutex mutex_;
  const bool drawBar_;
  bool barShown_ = false;
  int percent_ = 0;
};

// The console's view of the analysis: each new status message on a line of
// its own, the percent on the bar, the tables handed to the caller.
class ConsoleView : public AnalysisView {
 public:
  ConsoleView(const ProgressChannel& progress, const TableShown& onTable)
      : progress_(progress), onTable_(onTable), output_(::isatty(STDERR_FILENO) == 1) {}

  void ShowStatus(const StatusReport& report) override {
    if (report.status) output_.Line(*report.status);
    if (report.percent >= 0) output_.Percent(report.percent);
  }
  void ShowTable(const TableReport& report) override {
    output_.Percent(report.percent);
    if (report.table != nullptr && onTable_) onTable_(*report.table);
  }
  void StatusWatchEnding() override { output_.Percent(100); }
  void StatusWatchEnded() override { output_.Line(progress_.completionText.Get()); }
  void TableWatchEnded() override { output_.Percent(100); }

  // Takes the bar off the terminal, so that what follows starts clean.
  void EndBar() { output_.EndBar(); }

 private:
  const ProgressChannel& progress_;
  const TableShown& onTable_;
  ConsoleOutput output_;
};

// The file's name without its folder and its last extension.
std::string DatabaseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

AnalysisResult RunAnalysis(MdbFile& file, ProgressChannel& progress, platform::Dialogs& dialogs,
                           const std::string& path, const TableShown& onTable) {
  // Refused at once, with the reason: a FIFO or a device would otherwise be
  // waited on or read as pages, and "Opening file failed..." alone names
  // neither the file nor the cause.
  std::string problem = platform::ReadableFileProblem(path);
  if (!problem.empty()) {
    std::fprintf(stderr, "Opening file failed... %s: %s\n", path.c_str(), problem.c_str());
    return AnalysisResult::NotOpened;
  }
  progress.Reset();
  progress.databaseName.Set(DatabaseName(path));
  ConsoleView view(progress, onTable);
  bool read = false;
  {
    AnalysisWatcher watcher(progress, view);
    watcher.AnswerInline();
    read = Analyze(file, path, progress, dialogs, MakeRowCounter(file, progress.stopRequested));
    if (read) {
      progress.SignalEnd(false);
      // Ends the status watcher as the window's would on its next report.
      progress.PostStatus();
    }
  }
  view.EndBar();

  if (read) return AnalysisResult::Read;
  if (!file.IsOpen()) {
    std::string message = progress.statusText.Get();
    if (!message.empty()) std::fprintf(stderr, "%s %s\n", message.c_str(), path.c_str());
    return AnalysisResult::NotOpened;
  }
  return progress.refused.load() != 0 ? AnalysisResult::Refused : AnalysisResult::Stopped;
}

int AnalysisExitCode(AnalysisResult result) {
  switch (result) {
    case AnalysisResult::Read: return 0;
    case AnalysisResult::Refused: return 2;
    case AnalysisResult::NotOpened:
    case AnalysisResult::Stopped: return 1;
  }
  return 1;
}
