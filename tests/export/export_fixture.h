// What the export tests share: a database written by the test-database
// builder and analysed as the command line does, an export job over it with
// its logs in a scratch program folder, a view that records what the job
// shows, and the workbooks read back by the independent .xls check.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "report/log_writer.h"
#include "report/progress_channel.h"
#include "export/export_job.h"
#include "export/export_options.h"
#include "export/export_view.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_env.h"
#include "tests/xls/xls_file_check.h"

namespace exporttest {

class RecordingDialogs : public platform::Dialogs {
 public:
  platform::MessageAnswer ShowMessage(const std::string& text, const std::string&,
                                      platform::MessageButtons, platform::MessageIcon) override {
    messages.push_back(text);
    return platform::MessageAnswer::Ok;
  }
  std::vector<std::string> messages;
};

struct StatisticsEntry {
  int position;
  std::string name;
  int32_t rows;
  std::string note = std::string();
  bool operator==(const StatisticsEntry&) const = default;
};
void PrintTo(const StatisticsEntry& entry, std::ostream* out);

// Everything the job shows, in the order shown (the window lists messages
// newest on top; here they stay in order).
class RecordingView : public ExportView {
 public:
  void ShowRunning() override { calls.push_back("running"); }
  void AddMessage(const std::string& text) override {
    messages.push_back(text);
    if (onMessage) onMessage(text);
  }
  void SetRowsWritten(const ExportProgress& progress) override {
    rowsWritten.push_back({progress.output, static_cast<int32_t>(progress.rows)});
    rowsExpected.push_back(progress.rowsExpected);
    if (onRowsWritten) onRowsWritten(progress.rows);
  }
  void SetFinishing(const std::string& fileName) override { finishing.push_back(fileName); }
  void SetPercentage(int percent) override { percentages.push_back(percent); }
  void ShowFinished() override { calls.push_back("finished"); }
  bool ClearStatistics() override {
    calls.push_back("clear");
    return clearSucceeds;
  }
  void AddStatisticsRow(int position, const StatisticsRow& row) override {
    statistics.push_back({position, row.name, row.rows, row.note});
  }

  std::function<void(const std::string&)> onMessage;
  std::function<void(int64_t)> onRowsWritten;
  bool clearSucceeds = true;
  std::vector<std::string> calls;
  std::vector<std::string> messages;
  std::vector<int> percentages;
  std::vector<std::pair<std::string, int32_t>> rowsWritten;
  std::vector<int64_t> rowsExpected;
  std::vector<std::string> finishing;
  std::vector<StatisticsEntry> statistics;
};

// A table of Long "Id" (1, 2, ...) and Text "Name" ("r1", "r2", ...)
// holding `rows` rows, generated as they are written.
testdb::Table& AddNumberedTable(testdb::DatabaseBuilder& builder, const std::string& name,
                                uint64_t rows);

class ExportFixture {
 public:
  ExportFixture();

  // Writes the database as dir/<fileName> and analyses it.
  void Open(const testdb::DatabaseBuilder& builder, const std::string& fileName = "x.mdb");
  TableDef& Table(const std::string& name);
  // The named tables in analysis order, or every table.
  ExportOptions Options(int32_t mode, const std::vector<std::string>& names = {});
  // RunExport with the recording view.
  int Run(const ExportOptions& options);
  // The rows the last Run wrote of the named table.
  int32_t ExportedRows(const std::string& name);

  std::string ExportFolder() const { return dir.File("export"); }
  std::string Workbook(const std::string& fileName) const { return ExportFolder() + "/" + fileName; }
  std::string StatisticsFile() const { return Workbook("Export Statistics.log"); }
  // Names of the files the export folder holds, sorted, its statistics
  // and recovery report aside.
  std::vector<std::string> ExportedFiles() const;

  testenv::ScratchDir dir;
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
  LogWriter log{dir.File("program")};
  ExportJob job{db, progress, dialogs, log};
  RecordingView view;

 private:
  ExportOptions lastRun_;
};

// A workbook read back by the independent check; fails the test when the
// file is not sound.
xlscheck::WorkbookRead ReadWorkbook(const std::string& path);
std::vector<std::string> SheetNames(const xlscheck::WorkbookRead& book);
// The sheet's cells as texts, row by row, as far as its last used cell.
std::vector<std::vector<std::string>> SheetGrid(const xlscheck::WorkbookRead& book, size_t sheet);
// Rows (header included) of a sheet; 0 for a sheet without cells.
size_t SheetRowCount(const xlscheck::WorkbookRead& book, size_t sheet);

}  // namespace exporttest
