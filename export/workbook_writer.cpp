#include "export/workbook_writer.h"

#include <algorithm>

#include "decode/row_decoder.h"
#include "reader/table_def.h"

namespace {

// A new workbook has three sheets; sheets from the fourth on are added one
// at a time after the last.
constexpr int32_t kDefaultSheets = 3;

std::string Suffix(int32_t number) { return "_" + std::to_string(number); }

}  // namespace

WorkbookWriter::WorkbookWriter(RowDecoder& rows, platform::Dialogs& dialogs, std::string exportFolder,
                               const std::string& fileTitle, const std::atomic<uint8_t>& abandonRequested,
                               FailureSink reportFailure,
                               ExcelSession::ApplicationFactory startApplication)
    : rows_(rows),
      dialogs_(dialogs),
      exportFolder_(std::move(exportFolder)),
      abandonRequested_(abandonRequested),
      reportFailure_(std::move(reportFailure)),
      sheetWriter_(rows, abandonRequested, reportFailure_),
      startApplication_(std::move(startApplication)),
      session_(dialogs, startApplication_),
      databaseStem_(NameSet(NameSet::Kind::File).Add(fileTitle)) {}

std::string WorkbookWriter::FilePath(const std::string& fileStem) const {
  return exportFolder_ + "/" + fileStem + ".xls";
}

std::string WorkbookWriter::DatabasePath() const {
  return FilePath(workbookNumber_ < 2 ? databaseStem_ : databaseStem_ + Suffix(workbookNumber_ - 1));
}

void WorkbookWriter::Save(ExcelSession& session, const std::string& path, int32_t usedSheets) {
  if (!session.workbook) {
    reportFailure_("Could not save " + path + ": no workbook was made");
    return;
  }
  if (usedSheets > 0) {
    try {
      std::shared_ptr<xls::Sheets> sheets = session.workbook->Sheets();
      for (int32_t k = kDefaultSheets; k > usedSheets; --k) sheets->Item(k)->Delete();
    } catch (const xls::AutomationError&) {
      // An empty sheet left in the workbook; the save goes on all the same.
    }
  }
  try {
    session.SaveAndQuit(path);
  } catch (const xls::AutomationError& error) {
    reportFailure_("Could not save " + path + ": " + error.what());
  }
}

void WorkbookWriter::SaveDatabaseWorkbook(int32_t usedSheets) {
  // Replacing its own earlier save of the file must not be refused.
  session_.SetAlerts(false);
  Save(session_, DatabasePath(), usedSheets);
  databaseWorkbookOpen_ = false;
}

void WorkbookWriter::NameSheet(ExcelSession& session, int32_t position,
                               const std::string& tableName, const std::string& suffix) {
  NameSet names(NameSet::Kind::Sheet);
  if (session.sheets) {
    for (int32_t k = 1; k <= std::max(kDefaultSheets, position); ++k) {
      if (k != position) names.Reserve(session.sheets->Item(k)->Name());
    }
  }
  session.NameSheet(names.Add(tableName, suffix));
}

int WorkbookWriter::WriteTablePerDatabase(TableDef& table, int32_t tableCount, int32_t sheetLimit) {
  ++tablesStarted_;
  if (!sheetWriter_.StartTable(table, exportFolder_)) return -1;
  int result = -1;
  try {
    if (session_.sheetsInWorkbook >= sheetLimit) {
      // Full: it is saved as it is and the table starts the next workbook.
      SaveDatabaseWorkbook(session_.sheetsInWorkbook);
      ++workbookNumber_;
      session_.StartExcel();
      session_.SetDisplayAlerts(true);
      session_.sheetsInWorkbook = 0;
      session_.NewWorkbook();
      databaseWorkbookOpen_ = true;
    }
    if (tablesStarted_ > 1 && session_.sheetsInWorkbook > 0) {
      // The previous table's workbook, saved and reopened in a new session.
      session_.TakeActiveWorkbook();
      SaveDatabaseWorkbook(0);
      session_.StartExcel();
      session_.SetDisplayAlerts(true);
      session_.ReopenWorkbook(DatabasePath());
      databaseWorkbookOpen_ = true;
    }
    if (tablesStarted_ == 1) {
      session_.StartExcel();
      ++workbookNumber_;
      ++session_.sheetsInWorkbook;
      session_.NewWorkbook();
      databaseWorkbookOpen_ = true;
    } else {
      ++session_.sheetsInWorkbook;
      session_.TakeFirstWorkbook();
    }
    session_.SelectSheet(session_.sheetsInWorkbook);
    NameSheet(session_, session_.sheetsInWorkbook, table.name, "");

    SheetHandlers handlers;
    handlers.continuation = [&](int continuationNumber) {
      if (++session_.sheetsInWorkbook > sheetLimit) {
        SaveDatabaseWorkbook(sheetLimit);
        session_.StartExcel();
        session_.SetDisplayAlerts(false);
        session_.NewWorkbook();
        databaseWorkbookOpen_ = true;
        ++workbookNumber_;
        session_.sheetsInWorkbook = 1;
      }
      session_.SelectSheet(session_.sheetsInWorkbook);
      NameSheet(session_, session_.sheetsInWorkbook, table.name, Suffix(continuationNumber));
    };
    handlers.stop = [&] { SaveDatabaseWorkbook(session_.sheetsInWorkbook); };
    result = sheetWriter_.WriteTable(table, session_, handlers);
  } catch (const std::exception& error) {
    // The table's sheet stays as far as it got; the tables before it are kept.
    reportFailure_("Could not export " + table.name + ": " + error.what());
  }
  if (abandonRequested_.load(std::memory_order_acquire) || rows_.StopRequested()) return -1;
  if (tablesStarted_ == tableCount && databaseWorkbookOpen_) SaveDatabaseWorkbook(session_.sheetsInWorkbook);
  return result;
}

void WorkbookWriter::SaveOpenWorkbook() {
  if (databaseWorkbookOpen_ && !abandonRequested_.load(std::memory_order_acquire)) {
    SaveDatabaseWorkbook(session_.sheetsInWorkbook);
  }
}

int WorkbookWriter::WriteTablePerTable(TableDef& table, int32_t sheetLimit) {
  if (!sheetWriter_.StartTable(table, exportFolder_)) return -1;
  ExcelSession session(dialogs_, startApplication_);
  int32_t fileNumber = 1;
  int32_t sheetPosition = 1;
  std::string path = FilePath(fileNames_.Add(table.name));
  try {
    session.StartExcel();
    session.AddWorkbook();
    session.SelectSheet(1);
    NameSheet(session, 1, table.name, "");

    SheetHandlers handlers;
    handlers.continuation = [&](int continuationNumber) {
      if (++sheetPosition > sheetLimit) {
        Save(session, path, sheetLimit);
        session.StartExcel();
        session.NewWorkbook();
        ++fileNumber;
        path = FilePath(fileNames_.Add(table.name, Suffix(fileNumber - 1)));
        sheetPosition = 1;
      }
      session.SelectSheet(sheetPosition);
      NameSheet(session, sheetPosition, table.name, Suffix(continuationNumber));
    };
    handlers.stop = [&] { Save(session, path, sheetPosition); };
    handlers.centreContinuationHeader = false;
    if (sheetWriter_.WriteTable(table, session, handlers) < 0) return -1;
  } catch (const std::exception& error) {
    // Ends the table unsaved; the session goes without being told to quit.
    reportFailure_("Could not export " + table.name + ": " + error.what());
    return -1;
  }
  Save(session, path, sheetPosition);
  return 1;
}
