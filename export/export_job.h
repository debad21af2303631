// The export job: hands the chosen tables one by one to the workbook writer
// of the chosen mode, tells its view and the execution log what it does, and
// ends with the record count of every table reached, shown by the view and
// written to "Export Statistics.log" in the export's folder, after the
// recovery report of the rows it read ("Recovery Report.log",
// recovery_report.h). Everything an export writes stays inside its folder:
// its OLE objects go to "OLE Objects" there, numbered from 1 for each
// export.
//
// The desktop program runs it on a thread of its own (Start), the command
// line on its own thread (RunExport). A stop saves what was written; an
// abandon (the progress window closed while the job runs) ends the job at
// its next row without saving anything or telling the view more; its
// statistics file says that it was abandoned. A new job
// cannot start before the thread of the last one has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "export/excel_session.h"
#include "export/export_options.h"

class ExportView;
class LogWriter;
class MdbFile;
class ProgressChannel;
namespace platform {
class Dialogs;
}

// Most sheets per workbook for the physical memory free at the start: 20
// above 1 GiB, 10 up to 1 GiB, 5 when none is free.
int32_t SheetLimitFor(uint64_t availableBytes);

// The database file's name without its folder and its last extension.
std::string FileTitle(const std::string& filePath);

class ExportJob {
 public:
  // Everything given must outlive the job.
  ExportJob(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs, LogWriter& log);
  // Abandons a running job and waits for it; the session's end goes to the
  // error log.
  ~ExportJob();
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  // 0 (the default): computed from the free memory when a job starts.
  void SetSheetLimit(int32_t sheetLimit) { sheetLimitSetting_ = sheetLimit; }
  // The workbook engine each session starts (xls::Application::Create).
  void SetApplicationFactory(ExcelSession::ApplicationFactory factory) {
    startApplication_ = std::move(factory);
  }
  // The limit the last job used.
  int32_t sheetLimit() const { return sheetLimit_; }

  // The whole job on the calling thread: 1 after a complete run (stopped or
  // not), 0 when the view could not empty its statistics, -1 when abandoned
  // or when a job is running already.
  int RunExport(const ExportOptions& options, ExportView& view);

  // RunExport on a thread of its own; false while a job is running. The
  // view must outlive the job.
  bool Start(const ExportOptions& options, ExportView& view);
  // Stop after the current row, saving what was written.
  void RequestStop();
  // End at the next row without saving and without further view calls.
  void RequestAbandon();
  // Waits for the job's thread to end.
  void Join();
  // From Start (or the entry of RunExport) until the job has returned.
  bool IsRunning() const { return running_.load(std::memory_order_acquire); }

  // After a job: true when every workbook, OLE object and the statistics
  // file were written and saved, every column included.
  bool Succeeded() const { return !failed_.load(std::memory_order_acquire); }
  // After a job: the rows written of each chosen table, by position.
  const std::vector<int32_t>& exportedRows() const { return exportedRows_; }

 private:
  int Run(const ExportOptions& options, ExportView& view);
  bool Abandoned() const { return abandonRequested_.load(std::memory_order_acquire) != 0; }

  MdbFile& db_;
  ProgressChannel& progress_;
  platform::Dialogs& dialogs_;
  LogWriter& log_;
  int32_t sheetLimitSetting_ = 0;
  int32_t sheetLimit_ = 0;
  ExcelSession::ApplicationFactory startApplication_ = &xls::Application::Create;
  std::atomic<uint8_t> abandonRequested_{0};
  std::atomic<bool> running_{false};
  std::atomic<bool> failed_{false};
  std::vector<int32_t> exportedRows_;
  std::thread thread_;
};
