#include "app/analysis_job.h"

#include "app/analysis_host.h"
#include "report/progress_channel.h"
#include "reader/analysis.h"

void AnalysisJob::Start(const std::string& filePath) {
  thread_.Start([this, filePath] { Run(filePath); });
}

void AnalysisJob::Run(const std::string& filePath) {
  if (Analyze(session_, filePath, progress_, dialogs_)) {
    progress_.SignalEnd(false);
    RunOnGuiThread(&window_, [this] { host_.ShowAnalysisFinished(); });
  }
  RunOnGuiThread(&window_, [this] { host_.EndAnalysisState(); });
}
