#include "cli/console_watchers.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "report/progress_channel.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"

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

class ConsoleWatchers {
 public:
  ConsoleWatchers(ProgressChannel& progress, const TableShown& onTable)
      : progress_(progress), onTable_(onTable), output_(::isatty(STDERR_FILENO) == 1) {
    tableWatcher_ = std::thread([this] { WatchTables(); });
    statusWatcher_ = std::thread([this] { WatchStatus(); });
  }

  // Ends both watchers. After a run that failed, a watcher still waiting
  // leaves quietly: no report will come for it any more.
  void Finish(bool analysisSucceeded) {
    if (!analysisSucceeded) dismissed_.store(true);
    progress_.UpdateProgStatusEvent.Set();
    progress_.RecoveryTblEvent.Set();
    tableWatcher_.join();
    statusWatcher_.join();
    output_.EndBar();
  }

 private:
  bool Ended() const { return progress_.StopRequested() || progress_.Finished(); }

  void WatchStatus() {
    std::string lastMessage;
    uint64_t lastVersion = 0;
    bool pagePhaseOver = false;
    for (;;) {
      progress_.UpdateProgStatusEvent.Wait();
      progress_.UpdateProgStatusEvent.Reset();
      if (dismissed_.load()) return;
      if (Ended()) break;
      if (uint64_t version = progress_.statusText.Version(); version != lastVersion) {
        lastVersion = version;
        std::string message = progress_.statusText.Get();
        if (message != lastMessage) {
          output_.Line(message);
          lastMessage = std::move(message);
        }
      }
      if (!pagePhaseOver) {
        int32_t done = progress_.pagesDone.load();
        int32_t total = progress_.pageTotal.load();
        output_.Percent(total > 0 ? static_cast<int>(static_cast<double>(done) / total * 50) : 0);
        if (done > 0 && done == total) {
          progress_.pagesDone.store(0);
          progress_.pageTotal.store(0);
          pagePhaseOver = true;
        }
      }
      progress_.ReadPageEvent.Set();
    }
    output_.Percent(100);
    progress_.RecoveryTblEvent.Set();
    progress_.ReadPageEvent.Set();
    progress_.UpdateProgTblEvent.Set();
    output_.Line("Recovery Completed");
  }

  void WatchTables() {
    for (;;) {
      progress_.RecoveryTblEvent.Wait();
      progress_.RecoveryTblEvent.Reset();
      if (dismissed_.load()) return;
      int32_t done = progress_.tablesDone.load();
      int32_t total = progress_.tableTotal.load();
      if (Ended() || done > total) break;
      output_.Percent(total > 0 ? static_cast<int>(static_cast<double>(done) / total * 50 + 50) : 50);
      if (const TableDef* table = progress_.currentTable.load(); table != nullptr && onTable_) onTable_(*table);
      progress_.UpdateProgTblEvent.Set();
    }
    if (progress_.tablesDone.load() > progress_.tableTotal.load()) progress_.RequestStop();
    output_.Percent(100);
    progress_.UpdateProgTblEvent.Set();
    progress_.ReadPageEvent.Set();
  }

  ProgressChannel& progress_;
  const TableShown& onTable_;
  ConsoleOutput output_;
  std::atomic<bool> dismissed_{false};
  std::thread tableWatcher_;
  std::thread statusWatcher_;
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
  progress.Reset();
  progress.databaseName.Set(DatabaseName(path));
  ConsoleWatchers watchers(progress, onTable);
  bool read = Analyze(file, path, progress, dialogs);
  if (read) progress.SignalEnd(false);
  watchers.Finish(read);

  if (read) return AnalysisResult::Read;
  if (!file.IsOpen()) {
    std::string message = progress.statusText.Get();
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    return AnalysisResult::NotOpened;
  }
  // A refused file never gets as far as the first report.
  if (progress.statusText.Get() == "Opened file successfully...") return AnalysisResult::Refused;
  return AnalysisResult::Stopped;
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
