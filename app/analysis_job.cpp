#include "app/analysis_job.h"

#include "app/analysis_host.h"
#include "decode/deleted_row_walk.h"
#include "decode/ole_file_writer.h"
#include "decode/row_count.h"
#include "decode/row_decoder.h"
#include "decode/schema_reader.h"
#include "report/progress_channel.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "platform/read_only_file.h"

void AnalysisJob::Start(const std::string& filePath) {
  thread_.Start([this, filePath] { Run(filePath); });
}

void AnalysisJob::Run(const std::string& filePath) {
  if (Analyze(session_, filePath, progress_, dialogs_, MakeRowCounter(session_, progress_.stopRequested))) {
    progress_.SignalEnd(false);
    RunOnGuiThread(&window_, [this] { host_.ShowAnalysisFinished(); });
    ShowDeletedRows();
    // The system tables' too: the tree may list them later.
    const DatabaseSchema schema = ReadDatabaseSchema(session_, true, progress_.stopRequested);
    RunOnGuiThread(&window_, [&] { host_.AddSchemaNodes(schema); });
  } else if (!session_.IsOpen()) {
    // The open gives no report the window's watchers would see: without
    // this the window would wait at "Stop" for good.
    std::string message = progress_.statusText.Get() + " " + filePath;
    std::string problem = platform::ReadableFileProblem(filePath);
    if (!problem.empty()) message += ": " + problem;
    RunOnGuiThread(&window_, [&] { host_.ShowAnalysisNotOpened(message); });
  } else if (progress_.refused.load() != 0) {
    RunOnGuiThread(&window_, [this] { host_.DropTables(); });
  }
  RunOnGuiThread(&window_, [this] { host_.EndAnalysisState(); });
}

void AnalysisJob::ShowDeletedRows() {
  // Counting decodes no value: no OLE file is written.
  OleFileWriter oleFiles(OleFileWriter::BrowserFolder());
  RowDecoder rows(session_, progress_.stopRequested, oleFiles);
  for (const auto& table : session_.tables) {
    if (!IsTableListed(*table, session_.ShowsSystemTables())) continue;
    const int32_t deleted = CountReadableDeletedRows(rows, *table);
    if (deleted < 0) return;
    if (deleted > 0) RunOnGuiThread(&window_, [&] { host_.AddDeletedRowsNode(*table, deleted); });
  }
}
