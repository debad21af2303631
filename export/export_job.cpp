#include "export/export_job.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "decode/deleted_row_walk.h"
#include "decode/ole_file_writer.h"
#include "decode/recovery_tally.h"
#include "decode/row_decoder.h"
#include "decode/schema_reader.h"
#include "report/log_writer.h"
#include "report/progress_channel.h"
#include "export/csv_file.h"
#include "export/database_writer.h"
#include "export/export_statistics.h"
#include "export/export_view.h"
#include "export/workbook_writer.h"
#include "export/xls_workbook.h"
#include "export/postgres_database.h"
#include "export/recovery_report.h"
#include "export/sql_script.h"
#include "export/sqlite_database.h"
#include "export/xlsx_workbook.h"
#include "platform/folders.h"
#include "reader/mdb_file.h"
#include "reader/row_counts.h"
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

ExportJob::ExportJob(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs, LogWriter& log)
    : db_(db), progress_(progress), dialogs_(dialogs), log_(log) {}

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

namespace {

const char kStatisticsFile[] = "/Export Statistics.log";

std::unique_ptr<DatabaseTarget> MakeDatabaseTarget(const ExportOptions& options, const FailureSink& reportFailure) {
  switch (options.format) {
    case OutputFormat::SqlScript:
      return std::make_unique<SqlScript>(options.dialect, reportFailure);
    case OutputFormat::Postgres:
      return std::make_unique<PostgresDatabase>(options.serverUrl, options.replaceTables, reportFailure);
    default:
      return std::make_unique<SqliteDatabase>(reportFailure);
  }
}

// The rows its definition states that the file did not give back; 0 when
// its count is unknown. Rows a failed output left out are the failure's,
// not the file's: the analysis's count says what the file gave then.
int32_t RowsMissing(const TableDef& table, RowSet rowSet, int32_t rowsWritten, bool failed) {
  if (rowSet != RowSet::Live) return 0;
  if (failed) return table.MissingRows();
  return table.expectedRows > rowsWritten ? table.expectedRows - rowsWritten : 0;
}

// What the statistics say of a table besides its count.
std::string TableNote(size_t columnsLeftOut, bool failed, bool stopped, int32_t expected = 0, int32_t missing = 0) {
  std::string note;
  auto add = [&note](const std::string& part) { note += (note.empty() ? "" : ", ") + part; };
  if (missing > 0) add(std::to_string(expected) + " expected, " + std::to_string(missing) + " missing");
  if (columnsLeftOut > 0) add(std::to_string(columnsLeftOut) + " columns left out");
  if (failed) add("not all written");
  if (stopped) add("stopped, not written");
  return note;
}

std::string StoppedText(const std::string& table) { return "Export stopped: " + table + " not written"; }

}  // namespace

int ExportJob::Run(const ExportOptions& options, ExportView& view) {
  struct EndOfRun {
    std::atomic<bool>& running;
    ~EndOfRun() { running.store(false, std::memory_order_release); }
  } endOfRun{running_};
  failed_.store(false, std::memory_order_release);
  int32_t failures = 0;

  auto announce = [&](const std::string& text) {
    view.AddMessage(text);
    log_.LogEntry(0, 0, text, 0);
  };
  auto reportFailure = [&](const std::string& text) {
    failed_.store(true, std::memory_order_release);
    ++failures;
    if (!Abandoned()) view.AddMessage(text);
  };
  // The percentage weighs every output by its rows as the analysis counted
  // them, and one more so that an empty table moves the bar too; an output
  // that turns out longer than counted does not push the bar past its share.
  int64_t weightTotal = 0;
  int64_t weightDone = 0;
  int lastPercent = -1;
  ExportProgress current;
  auto showPercent = [&](int64_t rowsOfCurrent) {
    const int64_t done = weightDone + std::min(rowsOfCurrent, current.rowsExpected);
    const int percent = weightTotal > 0 ? static_cast<int>(done * 100 / weightTotal) : 100;
    if (percent == lastPercent) return;
    lastPercent = percent;
    view.SetPercentage(percent);
  };
  auto reportRows = [&](const std::string&, int32_t rows) {
    if (Abandoned()) return;
    current.rows = rows;
    view.SetRowsWritten(current);
    showPercent(rows);
  };
  WorkbookWriter::FormatFactory makeFormat = [&]() -> std::unique_ptr<WorkbookFormat> {
    switch (options.format) {
      case OutputFormat::Xlsx:
        return std::make_unique<XlsxWorkbook>(reportFailure);
      case OutputFormat::Csv:
        return std::make_unique<CsvFile>(reportFailure);
      default:
        break;
    }
    return std::make_unique<XlsWorkbook>(dialogs_, startApplication_, reportFailure);
  };
  const bool toDatabase = IsDatabaseFormat(options.format);
  // A server takes everything the export writes: no file, no folder.
  const bool withFolder = !options.exportFolder.empty();
  OleFileWriter oleFiles(withFolder ? OleFileWriter::ExportFolder(options.exportFolder) : std::string());
  RowDecoder rows(db_, progress_.stopRequested, oleFiles);
  // What the live rows written had to doubt, for the recovery report.
  RecoveryTally tally;
  rows.SetTally(&tally);
  std::optional<WorkbookWriter> workbooks;
  std::optional<DatabaseWriter> database;
  if (toDatabase) {
    database.emplace(rows, abandonRequested_, reportFailure, reportRows, MakeDatabaseTarget(options, reportFailure));
  } else {
    workbooks.emplace(rows, options.exportFolder, FileTitle(db_.FileName()), abandonRequested_, reportFailure,
                      reportRows, makeFormat);
    workbooks->SetSavingSink([&](const std::string& path) {
      if (!Abandoned()) view.SetFinishing(path.substr(path.rfind('/') + 1));
    });
  }
  const bool perTable = options.workbookMode == kExcelPerTable || options.format == OutputFormat::Csv;

  view.ShowRunning();
  sheetLimit_ = sheetLimitSetting_ > 0 ? sheetLimitSetting_
                                       : SheetLimitFor(platform::AvailablePhysicalMemory());
  announce("Export Database started...");

  const size_t tableCount = options.chosenTables.size();
  exportedRows_.assign(tableCount, 0);
  // Tables with deleted rows to write get a second output. Counted before
  // the first table: the workbook per database is saved once the job's last
  // output is in it.
  std::vector<int32_t> deletedRows(tableCount, 0);
  size_t outputs = tableCount;
  for (size_t j = 0; j < tableCount; ++j) {
    const TableDef& table = *options.chosenTables[j];
    if (table.name.empty()) continue;
    weightTotal += int64_t{table.rowCount} + 1;
    if (!options.includeDeleted) continue;
    deletedRows[j] = std::max(0, CountReadableDeletedRows(rows, table));
    if (deletedRows[j] > 0) {
      ++outputs;
      weightTotal += int64_t{deletedRows[j]} + 1;
    }
  }
  // What of the schema the database leaves out: in the log, and after the
  // counts in the statistics.
  std::vector<std::string> schemaNotes;
  if (database) {
    std::vector<std::pair<TableDef*, RowSet>> outputs;
    bool system = false;
    for (size_t j = 0; j < tableCount; ++j) {
      if (options.chosenTables[j]->name.empty()) continue;
      system = system || options.chosenTables[j]->system;
      outputs.emplace_back(options.chosenTables[j], RowSet::Live);
      if (deletedRows[j] > 0) outputs.emplace_back(options.chosenTables[j], RowSet::Deleted);
    }
    const DatabaseSchema schema = ReadDatabaseSchema(db_, system, progress_.stopRequested);
    database->Begin(options.exportFolder, FileTitle(db_.FileName()), outputs, schema);
    schemaNotes = database->schemaNotes();
    for (const std::string& note : schemaNotes) announce("Schema: " + note);
  }
  // A line per output written, in order.
  std::vector<StatisticsRow> statistics;
  Shortfall shortfall;
  const std::string statisticsPath = options.exportFolder + kStatisticsFile;
  std::string stoppedTable;
  auto tableStopped = [&] { return database ? database->tableStopped() : workbooks->tableStopped(); };
  // The rows of the output last written that it keeps: none when a stop gave it up.
  auto rowsKept = [&]() -> int32_t {
    if (tableStopped()) return 0;
    return database ? database->rowsWritten() : workbooks->rowsWritten();
  };
  // Writes one output of the table; false when the job was abandoned or stopped.
  auto write = [&](TableDef& table, RowSet rowSet, int32_t rowsExpected) {
    const std::string name = table.name + RowSetLabel(rowSet);
    current = {name, 0, rowsExpected};
    announce("Export started  : " + name);
    // The columns left out are one failure of their own, noted apart.
    const int32_t failuresBefore = failures;
    if (database) {
      database->WriteTable(table, rowSet);
    } else if (perTable) {
      workbooks->WriteTablePerTable(table, sheetLimit_, rowSet);
    } else {
      workbooks->WriteTablePerDatabase(table, static_cast<int32_t>(outputs), sheetLimit_, rowSet);
    }
    const int32_t rowsWritten = rowsKept();
    const size_t columnsLeftOut = database ? database->columnsLeftOut() : workbooks->columnsLeftOut();
    OleFileWriter::Failures ole = oleFiles.TakeFailures();
    if (ole.count > 0) {
      reportFailure(std::to_string(ole.count) + " OLE object(s) of " + name + " could not be written, the first " +
                    ole.first);
    }
    const bool failed = failures > failuresBefore + (columnsLeftOut > 0 ? 1 : 0);
    // A table cut short by a stop is given up whole, its file removed: it
    // is short by the stop, not by the file.
    const bool cut = tableStopped();
    const int32_t missing =
        cut || progress_.StopRequested() ? 0 : RowsMissing(table, rowSet, rowsWritten, failures > failuresBefore);
    shortfall.Add(missing);
    statistics.push_back(
        {name, rowsWritten, TableNote(columnsLeftOut, failed, cut, table.expectedRows, missing)});
    if (Abandoned()) {
      statistics.back().note = "abandoned";
      return false;
    }
    if (cut) {
      stoppedTable = name;
      // Its counts go with its file; the decoder lets go of them first.
      rows.SetTally(&tally);
      tally.Forget(table);
      for (const std::string& lost : workbooks ? workbooks->tablesGivenUp() : std::vector<std::string>()) {
        for (StatisticsRow& row : statistics) {
          if (row.name == lost) row = {row.name, 0, TableNote(0, false, true)};
        }
        for (TableDef* given : options.chosenTables)
          if (given->name == lost) tally.Forget(*given);
      }
      announce(StoppedText(name));
      return false;
    }
    if (rowSet == RowSet::Live) {
      const TableRecovery& counts = tally.For(table);
      for (const std::string& doubt : table.doubts) log_.LogEntry(0, 0, table.name + ", column " + doubt, 0);
      for (const std::string& note : counts.notes) log_.LogEntry(0, 0, note, 0);
      if (counts.zeroRows > 0)
        log_.LogEntry(0, 0, name + ": " + std::to_string(counts.zeroRows) + " rows without a value skipped", 0);
    }
    weightDone += int64_t{rowsExpected} + 1;
    showPercent(0);
    // A table that failed is not announced as completed.
    announce((failures > failuresBefore ? "Export failed : " : "Export completed : ") + name);
    return true;
  };
  size_t reached = 0;
  for (; reached < tableCount && !progress_.StopRequested() && !Abandoned(); ++reached) {
    TableDef& table = *options.chosenTables[reached];
    if (table.name.empty()) continue;
    bool going = write(table, RowSet::Live, table.rowCount);
    exportedRows_[reached] = rowsKept();
    if (going && deletedRows[reached] > 0 && !progress_.StopRequested())
      going = write(table, RowSet::Deleted, deletedRows[reached]);
    if (!going) break;
  }
  // Before the statistics, whose presence says the export's files are final.
  const std::string reportPath = options.exportFolder + "/" + kRecoveryReportFile;
  auto writeReport = [&] {
    std::string problem;
    if (withFolder && !WriteRecoveryReport(reportPath, db_.FileName(), tally, problem))
      reportFailure("Could not write " + reportPath + ": " + problem);
  };
  if (Abandoned()) {
    writeReport();
    // No one is told any more; the file is what is left to say so.
    if (withFolder) {
      WriteStatisticsFile(statisticsPath, db_.FileName(), statistics,
                          "Export abandoned: the window was closed while it ran...");
    }
    return -1;
  }
  if (database) {
    if (!database->path().empty()) view.SetFinishing(database->path().substr(database->path().rfind('/') + 1));
    // What the database's checks found goes beside the table's count.
    for (const auto& [name, note] : database->Finish()) {
      for (StatisticsRow& row : statistics) {
        if (row.name == name) row.note += (row.note.empty() ? "" : ", ") + note;
      }
    }
  } else {
    workbooks->SaveOpenWorkbook();
  }

  view.SetPercentage(100);
  progress_.finished.store(1, std::memory_order_release);
  auto closing = [&]() -> std::string {
    if (progress_.StopRequested() && tableCount > 0) return "Export Aborted by user...";
    // Rows the file lost are never a success.
    const std::string missing = ShortfallText(shortfall);
    if (!missing.empty()) return (Succeeded() ? "Export completed: " : "Export completed with errors: ") + missing + "...";
    return Succeeded() ? "Export completed Successfully..." : "Export completed with errors...";
  };
  writeReport();
  // Written last, so that its presence says the export's files are final.
  const std::string fileClosing = stoppedTable.empty() ? closing() : StoppedText(stoppedTable) + "\r\n" + closing();
  if (withFolder && !WriteStatisticsFile(statisticsPath, db_.FileName(), statistics,
                                         SchemaNotesText(schemaNotes) + fileClosing)) {
    reportFailure("Could not write " + statisticsPath);
  }
  view.AddMessage(closing());
  view.ShowFinished();

  if (!view.ClearStatistics()) return 0;
  for (size_t j = 0; j < statistics.size(); ++j) view.AddStatisticsRow(static_cast<int>(j), statistics[j]);
  return 1;
}
