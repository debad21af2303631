// The two workbook modes of an export, for every output format. Per
// database: one workbook with a sheet per table, "<database>.xls", continued
// in "<database>_1.xls", ... whenever a workbook holds sheetLimit sheets.
// Per table: a workbook of its own for every table, "<table>.xls", continued
// in "<table>_1.xls", ... (CSV has a file per table whatever the mode). The
// format (workbook_format.h) says how a workbook is made and saved; one
// writer serves one export job.
//
// A workbook call the format refuses never ends the program: a refused row
// is left out, a refused table ends unsaved (per table) or without its sheet
// (per database), a workbook that cannot be saved is reported, and the job
// goes on with the next table.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/name_set.h"
#include "export/table_sheet_writer.h"
#include "export/workbook_format.h"

class RowDecoder;
struct TableDef;

class WorkbookWriter {
 public:
  // Makes the format's workbook object: one for the per-database workbooks
  // of the job, one for each table written per table.
  using FormatFactory = std::function<std::unique_ptr<WorkbookFormat>()>;

  // fileTitle: the database file's name without its extension.
  WorkbookWriter(RowDecoder& rows, std::string exportFolder, const std::string& fileTitle,
                 const std::atomic<uint8_t>& abandonRequested, FailureSink reportFailure,
                 RowsSink reportRows, FormatFactory makeFormat);

  // 1, or -1 when stopped, abandoned, the export folder was missing or the
  // table failed. The deleted rows of a table go to sheets (per table: a
  // workbook) named after the table with RowSetLabel added. tableCount
  // counts every call the job makes per database.
  int WriteTablePerDatabase(TableDef& table, int32_t tableCount, int32_t sheetLimit, RowSet rowSet = RowSet::Live);
  int WriteTablePerTable(TableDef& table, int32_t sheetLimit, RowSet rowSet = RowSet::Live);

  // After the last table: saves the per-database workbook when it is still
  // open (a stop between two tables, or a last table that was passed over).
  void SaveOpenWorkbook();

  // Told the path of every workbook before it is saved.
  void SetSavingSink(std::function<void(const std::string& path)> sink) { reportSaving_ = std::move(sink); }

  // The rows of the table last written.
  int32_t rowsWritten() const { return sheetWriter_.rowsWritten(); }
  // The columns of the table last written that no sheet took.
  size_t columnsLeftOut() const { return sheetWriter_.columnsLeftOut(); }
  // True when a stop cut the table last written short: its file, or the
  // per-database workbook that held it, was given up unsaved.
  bool tableStopped() const { return sheetWriter_.stopped(); }
  // After such a stop per database: the earlier tables whose sheets went
  // with that workbook (none when the format saved it between tables).
  const std::vector<std::string>& tablesGivenUp() const { return tablesGivenUp_; }

 private:
  std::string FilePath(const std::string& fileStem) const;
  std::string DatabasePath() const;
  void NewDatabaseWorkbook();
  void SaveDatabaseWorkbook(int32_t usedSheets);
  void GiveUpDatabaseWorkbook();
  void Save(WorkbookFormat& book, const std::string& path, int32_t usedSheets);

  RowDecoder& rows_;
  std::string exportFolder_;
  const std::atomic<uint8_t>& abandonRequested_;
  FailureSink reportFailure_;
  std::function<void(const std::string&)> reportSaving_;
  TableSheetWriter sheetWriter_;
  FormatFactory makeFormat_;

  // Per database, for the whole job.
  std::unique_ptr<WorkbookFormat> databaseBook_;
  int32_t tablesStarted_ = 0;
  int32_t workbookNumber_ = 0;
  int32_t sheetsInWorkbook_ = 0;
  bool databaseWorkbookOpen_ = false;
  // The tables in the open per-database workbook since it was last saved.
  std::vector<std::string> tablesUnsaved_;
  std::vector<std::string> tablesGivenUp_;
  std::string databaseStem_;

  // Per table: every file name the job has used.
  NameSet fileNames_{NameSet::Kind::File};
};
