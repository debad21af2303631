// The two workbook modes of an export. Per database: one workbook with a
// sheet per table, "<database>.xls", continued in "<database>_1.xls", ...
// whenever a workbook holds sheetLimit sheets; it stays open from one table
// to the next and is saved, and reopened in a fresh session, between them.
// Per table: a workbook of its own for every table, "<table>.xls", continued
// in "<table>_1.xls", ... One writer serves one export job.
//
// A workbook call the engine refuses never ends the program: a refused row
// is left out, a refused table ends unsaved (per table) or without its sheet
// (per database), a workbook that cannot be saved is reported, and the job
// goes on with the next table.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "export/excel_session.h"
#include "export/name_set.h"
#include "export/table_sheet_writer.h"

class RowDecoder;
struct TableDef;
namespace platform {
class Dialogs;
}

class WorkbookWriter {
 public:
  // fileTitle: the database file's name without its extension;
  // startApplication starts the workbook engine for every session. The
  // decoder, the dialog seam and the abandon flag must outlive the writer.
  WorkbookWriter(RowDecoder& rows, platform::Dialogs& dialogs, std::string exportFolder,
                 const std::string& fileTitle,
                 const std::atomic<uint8_t>& abandonRequested, FailureSink reportFailure,
                 ExcelSession::ApplicationFactory startApplication);

  // 1, or -1 when stopped, abandoned, the export folder was missing or the
  // table failed.
  int WriteTablePerDatabase(TableDef& table, int32_t tableCount, int32_t sheetLimit);
  int WriteTablePerTable(TableDef& table, int32_t sheetLimit);

  // After the last table: saves the per-database workbook when it is still
  // open (a stop between two tables, or a last table that was passed over).
  void SaveOpenWorkbook();

  // The data rows of the last table written.
  int32_t rowsWritten() const { return sheetWriter_.rowsWritten(); }

 private:
  std::string FilePath(const std::string& fileStem) const;
  std::string DatabasePath() const;
  // SaveAndQuit, with a refusal (or no workbook to save, when the engine
  // did not start) reported instead of thrown. A workbook saved for the
  // last time keeps only its first usedSheets sheets: the default sheets a
  // new workbook has and no table filled go first. 0 keeps them all, for a
  // workbook the next table reopens.
  void Save(ExcelSession& session, const std::string& path, int32_t usedSheets);
  void SaveDatabaseWorkbook(int32_t usedSheets);
  // Names the sheet at `position` so that no other sheet of its workbook
  // (the engine's default sheets included) has the same name.
  static void NameSheet(ExcelSession& session, int32_t position, const std::string& tableName,
                        const std::string& suffix);

  RowDecoder& rows_;
  platform::Dialogs& dialogs_;
  std::string exportFolder_;
  const std::atomic<uint8_t>& abandonRequested_;
  FailureSink reportFailure_;
  TableSheetWriter sheetWriter_;
  ExcelSession::ApplicationFactory startApplication_;

  // Per database, for the whole job.
  ExcelSession session_;
  int32_t tablesStarted_ = 0;
  int32_t workbookNumber_ = 0;
  bool databaseWorkbookOpen_ = false;
  std::string databaseStem_;

  // Per table: every file name the job has used.
  NameSet fileNames_{NameSet::Kind::File};
};
