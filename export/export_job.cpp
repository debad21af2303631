#include "export/export_job.h"

#include "decode/deleted_row_walk.h"
#include "decode/row_decoder.h"
#include "report/log_writer.h"
#include "report/progress_channel.h"
#include "export/csv_file.h"
#include "export/export_statistics.h"
#include "export/export_view.h"
#include "export/workbook_writer.h"
#include "export/xls_workbook.h"
#include "export/xlsx_workbook.h"
#include "platform/folders.h"
#include "reader/mdb_file.h"
#include "reader/table_def.h"

int32_t SheetLimitFor(uint64_t availableBytes) {
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  if (availableBytes > kGiB) return 20;
  return availableBytes > 0 ? 10 : 5;
}

std::string FileTitle(const std::string& filePath) {
  size_t slash = filePath.rfind('/');
  std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

ExportJob::ExportJob(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs, LogWriter& log,
                     OleFileWriter& oleFiles)
    : db_(db), progress_(progress), dialogs_(dialogs), log_(log), oleFiles_(oleFiles) {}

ExportJob::~ExportJob() {
  RequestAbandon();
  Join();
  log_.LogEntry(0, 0, "Database was not opened", 1);
}

void ExportJob::RequestStop() { progress_.RequestStop(); }

void ExportJob::RequestAbandon() { abandonRequested_.store(1, std::memory_order_release); }

void ExportJob::Join() {
  if (thread_.joinable()) thread_.join();
}

bool ExportJob::Start(const ExportOptions& options, ExportView& view) {
  if (IsRunning()) return false;
  Join();
  abandonRequested_.store(0, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this, options, &view] { Run(options, view); });
  return true;
}

int ExportJob::RunExport(const ExportOptions& options, ExportView& view) {
  if (IsRunning()) return -1;
  abandonRequested_.store(0, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  return Run(options, view);
}

int ExportJob::Run(const ExportOptions& options, ExportView& view) {
  struct EndOfRun {
    std::atomic<bool>& running;
    ~EndOfRun() { running.store(false, std::memory_order_release); }
  } endOfRun{running_};
  failed_.store(false, std::memory_order_release);

  auto announce = [&](const std::string& text) {
    view.AddMessage(text);
    log_.LogEntry(0, 0, text, 0);
  };
  auto reportFailure = [&](const std::string& text) {
    failed_.store(true, std::memory_order_release);
    if (!Abandoned()) view.AddMessage(text);
  };
  auto reportRows = [&](const std::string& table, int32_t rows) {
    if (!Abandoned()) view.SetRowsWritten(table, rows);
  };
  WorkbookWriter::FormatFactory makeFormat = [&]() -> std::unique_ptr<WorkbookFormat> {
    switch (options.format) {
      case OutputFormat::Xlsx:
        return std::make_unique<XlsxWorkbook>(reportFailure);
      case OutputFormat::Csv:
        return std::make_unique<CsvFile>(reportFailure);
      case OutputFormat::Xls:
        break;
    }
    return std::make_unique<XlsWorkbook>(dialogs_, startApplication_, reportFailure);
  };
  RowDecoder rows(db_, progress_.stopRequested, oleFiles_);
  WorkbookWriter writer(rows, options.exportFolder, FileTitle(db_.FileName()), abandonRequested_,
                        reportFailure, reportRows, makeFormat);
  const bool perTable = options.workbookMode == kExcelPerTable || options.format == OutputFormat::Csv;

  view.ShowRunning();
  sheetLimit_ = sheetLimitSetting_ > 0 ? sheetLimitSetting_
                                       : SheetLimitFor(platform::AvailablePhysicalMemory());
  announce("Export Database started...");

  const size_t tableCount = options.chosenTables.size();
  exportedRows_.assign(tableCount, 0);
  // The deleted rows written of each table, -1 where there are none to
  // write. Counted before the first table: the workbook per database is
  // saved once the job's last output is in it.
  std::vector<int32_t> deletedRows(tableCount, -1);
  size_t outputs = tableCount;
  for (size_t j = 0; j < tableCount && options.includeDeleted; ++j) {
    const TableDef& table = *options.chosenTables[j];
    if (!table.name.empty() && CountReadableDeletedRows(rows, table) > 0) {
      deletedRows[j] = 0;
      ++outputs;
    }
  }
  auto write = [&](TableDef& table, RowSet rowSet) {
    announce("Export started  : " + table.name + RowSetLabel(rowSet));
    if (perTable) {
      writer.WriteTablePerTable(table, sheetLimit_, rowSet);
    } else {
      writer.WriteTablePerDatabase(table, static_cast<int32_t>(outputs), sheetLimit_, rowSet);
    }
    if (Abandoned()) return false;
    announce("Export completed : " + table.name + RowSetLabel(rowSet));
    return true;
  };
  size_t reached = 0;
  for (; reached < tableCount && !progress_.StopRequested() && !Abandoned(); ++reached) {
    TableDef& table = *options.chosenTables[reached];
    if (table.name.empty()) continue;
    bool going = write(table, RowSet::Live);
    exportedRows_[reached] = writer.rowsWritten();
    if (!going) return -1;
    if (deletedRows[reached] == 0 && !progress_.StopRequested()) {
      if (!write(table, RowSet::Deleted)) return -1;
      deletedRows[reached] = writer.rowsWritten();
    }
    view.SetPercentage(static_cast<int>(static_cast<double>(reached + 1) / tableCount * 100));
  }
  if (Abandoned()) return -1;
  writer.SaveOpenWorkbook();

  view.SetPercentage(100);
  progress_.finished.store(1, std::memory_order_release);
  if (progress_.StopRequested() && tableCount > 0) {
    view.AddMessage("Export Aborted by user...");
  } else if (!Succeeded()) {
    view.AddMessage("Export completed with errors...");
  } else {
    view.AddMessage("Export completed Successfully...");
  }
  view.ShowFinished();

  if (!view.ClearStatistics()) return 0;
  std::vector<StatisticsRow> statistics;
  int deletedLines = 0;
  for (size_t j = 0; j < reached; ++j) {
    const TableDef& table = *options.chosenTables[j];
    if (table.name.empty()) continue;
    view.AddStatisticsRow(static_cast<int>(j) + deletedLines, table.name, exportedRows_[j]);
    statistics.push_back({table.name, exportedRows_[j]});
    if (deletedRows[j] < 0) continue;
    const std::string name = table.name + RowSetLabel(RowSet::Deleted);
    view.AddStatisticsRow(static_cast<int>(j) + ++deletedLines, name, deletedRows[j]);
    statistics.push_back({name, deletedRows[j]});
  }
  WriteStatisticsFile(log_.programFolder() + "Export Statistics.log", db_.FileName(), statistics);
  return 1;
}
