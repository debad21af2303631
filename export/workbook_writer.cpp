#include "export/workbook_writer.h"

#include "export/export_folder.h"
#include "report/progress_channel.h"
#include "decode/row_decoder.h"
#include "reader/table_def.h"

namespace {

std::string Suffix(int32_t number) { return "_" + std::to_string(number); }

}  // namespace

WorkbookWriter::WorkbookWriter(RowDecoder& rows, std::string exportFolder, const std::string& fileTitle,
                               const std::atomic<uint8_t>& abandonRequested,
                               FailureSink reportFailure, RowsSink reportRows, FormatFactory makeFormat)
    : rows_(rows),
      exportFolder_(std::move(exportFolder)),
      abandonRequested_(abandonRequested),
      reportFailure_(std::move(reportFailure)),
      sheetWriter_(rows, abandonRequested, reportFailure_, std::move(reportRows)),
      makeFormat_(std::move(makeFormat)),
      databaseBook_(makeFormat_()),
      databaseStem_(NameSet(NameSet::Kind::File).Add(fileTitle)) {}

std::string WorkbookWriter::FilePath(const std::string& fileStem) const {
  return OutputFilePath(exportFolder_, fileStem, databaseBook_->Extension());
}

std::string WorkbookWriter::DatabasePath() const {
  return FilePath(workbookNumber_ < 2 ? databaseStem_ : databaseStem_ + Suffix(workbookNumber_ - 1));
}

void WorkbookWriter::NewDatabaseWorkbook() {
  ++workbookNumber_;
  sheetsInWorkbook_ = 0;
  tablesUnsaved_.clear();
  databaseBook_->NewWorkbook(DatabasePath());
  databaseWorkbookOpen_ = true;
}

void WorkbookWriter::Save(WorkbookFormat& book, const std::string& path, int32_t usedSheets) {
  if (reportSaving_) reportSaving_(path);
  book.Save(path, usedSheets);
}

void WorkbookWriter::SaveDatabaseWorkbook(int32_t usedSheets) {
  Save(*databaseBook_, DatabasePath(), usedSheets);
  databaseWorkbookOpen_ = false;
  tablesUnsaved_.clear();
}

void WorkbookWriter::GiveUpDatabaseWorkbook() {
  tablesGivenUp_ = tablesUnsaved_;
  databaseBook_ = makeFormat_();
  databaseWorkbookOpen_ = false;
}

int WorkbookWriter::WriteTablePerDatabase(TableDef& table, int32_t tableCount, int32_t sheetLimit,
                                          RowSet rowSet) {
  ++tablesStarted_;
  tablesGivenUp_.clear();
  const std::string label = RowSetLabel(rowSet);
  if (!sheetWriter_.StartTable(table, exportFolder_)) return -1;
  WorkbookFormat& book = *databaseBook_;
  int result = -1;
  try {
    if (workbookNumber_ == 0) {
      NewDatabaseWorkbook();
    } else if (sheetsInWorkbook_ >= sheetLimit) {
      // Full: it is saved as it is and the table starts the next workbook.
      SaveDatabaseWorkbook(sheetsInWorkbook_);
      NewDatabaseWorkbook();
    } else if (sheetsInWorkbook_ > 0 && book.ResumeWorkbook(DatabasePath())) {
      tablesUnsaved_.clear();
    }
    book.AddSheet(++sheetsInWorkbook_, table.name, label);

    SheetHandlers handlers;
    handlers.continuation = [&](int continuationNumber) {
      if (sheetsInWorkbook_ >= sheetLimit) {
        SaveDatabaseWorkbook(sheetLimit);
        NewDatabaseWorkbook();
      }
      book.AddSheet(++sheetsInWorkbook_, table.name, label + Suffix(continuationNumber));
    };
    // No workbook keeps part of a table: the one holding the table cut
    // short goes unsaved, with the earlier tables it held since its last save.
    handlers.stop = [&] { GiveUpDatabaseWorkbook(); };
    result = sheetWriter_.WriteTable(table, book, handlers, rowSet);
    if (!sheetWriter_.stopped()) tablesUnsaved_.push_back(table.name + label);
  } catch (const std::exception& error) {
    // The table's sheet stays as far as it got; the tables before it are kept.
    reportFailure_("Could not export " + table.name + ": " + error.what());
  }
  if (abandonRequested_.load(std::memory_order_acquire) || rows_.StopRequested()) return -1;
  if (tablesStarted_ == tableCount && databaseWorkbookOpen_) SaveDatabaseWorkbook(sheetsInWorkbook_);
  return result;
}

void WorkbookWriter::SaveOpenWorkbook() {
  if (databaseWorkbookOpen_ && !abandonRequested_.load(std::memory_order_acquire)) {
    SaveDatabaseWorkbook(sheetsInWorkbook_);
  }
}

int WorkbookWriter::WriteTablePerTable(TableDef& table, int32_t sheetLimit, RowSet rowSet) {
  if (!sheetWriter_.StartTable(table, exportFolder_)) return -1;
  const std::string label = RowSetLabel(rowSet);
  std::unique_ptr<WorkbookFormat> book = makeFormat_();
  int32_t fileNumber = 1;
  int32_t sheetPosition = 1;
  std::string path = FilePath(fileNames_.Add(table.name, label));
  try {
    book->NewWorkbook(path);
    book->AddSheet(1, table.name, label);

    SheetHandlers handlers;
    handlers.continuation = [&](int continuationNumber) {
      if (++sheetPosition > sheetLimit) {
        Save(*book, path, sheetLimit);
        ++fileNumber;
        path = FilePath(fileNames_.Add(table.name, label + Suffix(fileNumber - 1)));
        book->NewWorkbook(path);
        sheetPosition = 1;
      }
      book->AddSheet(sheetPosition, table.name, label + Suffix(continuationNumber));
    };
    handlers.centreContinuationHeader = false;
    if (sheetWriter_.WriteTable(table, *book, handlers, rowSet) < 0) return -1;
  } catch (const std::exception& error) {
    // Ends the table unsaved; the format lets go of its workbook unsaved.
    reportFailure_("Could not export " + table.name + ": " + error.what());
    return -1;
  }
  Save(*book, path, sheetPosition);
  return 1;
}
