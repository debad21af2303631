#include "app/analysis_job.h"

#include "app/analysis_host.h"
#include "report/progress_channel.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "platform/read_only_file.h"

void AnalysisJob::Start(const std::string& filePath) {
  thread_.Start([this, filePath] { Run(filePath); });
}

void AnalysisJob::Run(const std::string& filePath) {
  if (Analyze(session_, filePath, progress_, dialogs_)) {
    progress_.SignalEnd(false);
    RunOnGuiThread(&window_, [this] { host_.ShowAnalysisFinished(); });
  } else if (!session_.IsOpen()) {
    // The open gives no report the window's watchers would see: without
    // this the window would wait at "Stop" for good.
    std::string message = progress_.statusText.Get() + " " + filePath;
    std::string problem = platform::ReadableFileProblem(filePath);
    if (!problem.empty()) message += ": " + problem;
    RunOnGuiThread(&window_, [&] { host_.ShowAnalysisNotOpened(message); });
  }
  RunOnGuiThread(&window_, [this] { host_.EndAnalysisState(); });
}
