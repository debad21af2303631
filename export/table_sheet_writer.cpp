#include "export/table_sheet_writer.h"

#include <stdexcept>
#include <string_view>
#include <vector>

#include "report/progress_channel.h"
#include "decode/row_reader.h"
#include "decode/row_text.h"
#include "export/sheet_target.h"
#include "platform/folders.h"
#include "reader/mdb_file.h"

TableSheetWriter::TableSheetWriter(MdbFile& db, const std::atomic<uint8_t>& abandonRequested,
                                   FailureSink reportFailure, RowsSink reportRows)
    : db_(db),
      abandonRequested_(abandonRequested),
      reportFailure_(std::move(reportFailure)),
      reportRows_(std::move(reportRows)) {}

bool TableSheetWriter::StartTable(TableDef& table, const std::string& exportFolder) {
  table.nextRow = 0;
  table.pageSlot = 0;
  table.dataPageIndex = 0;
  table.exportedRows = 0;
  // The folder was made by Export/Save; if it can be made now, it had gone.
  if (platform::CreateFolder(exportFolder)) {
    reportFailure_("Export folder was missing, " + table.name + " not exported: " + exportFolder);
    return false;
  }
  return true;
}

int TableSheetWriter::WriteTable(TableDef& table, SheetTarget& target, const SheetHandlers& handlers) {
  TableRowWalk walk(db_, table);

  // Kept from the first header for the headers of continuation sheets.
  std::vector<std::string> names;
  names.reserve(table.columns.size());
  for (const ColumnDef& column : table.columns) names.push_back(column.name);
  target.WriteHeader(names, true);

  const int32_t rowsPerSheet = target.RowsPerSheet();
  int32_t rowsInSheet = 0;
  int continuationNumber = 1;
  int32_t failedRows = 0;
  std::string firstFailure;
  std::string text;
  std::vector<std::string_view> values;
  int result = 1;
  for (;;) {
    if (abandonRequested_.load(std::memory_order_acquire)) return -1;
    if (db_.progress.StopRequested()) {
      result = -1;
      break;
    }
    int got = walk.Next(text);
    if (got == 0) break;
    if (got < 0) {
      result = -1;
      break;
    }
    SplitRowText(text, values);
    // One value per column: a column without a piece of the row gets an
    // empty value, pieces beyond the last column are not written.
    values.resize(names.size());
    try {
      if (rowsInSheet == rowsPerSheet) {
        handlers.continuation(continuationNumber);
        ++continuationNumber;
        target.WriteHeader(names, handlers.centreContinuationHeader);
        rowsInSheet = 0;
      }
      target.WriteRow(rowsInSheet + 2, values);
      ++rowsInSheet;
      if (table.exportedRows % kRowsPerReport == 0) reportRows_(table.name, table.exportedRows);
    } catch (const std::runtime_error& error) {
      // The row is left out, and the next one takes its sheet row; the walk
      // counted it when it handed it out.
      --table.exportedRows;
      if (failedRows++ == 0) firstFailure = error.what();
    }
  }
  reportRows_(table.name, table.exportedRows);
  if (failedRows > 0) {
    reportFailure_(std::to_string(failedRows) + " row(s) of " + table.name +
                   " could not be written: " + firstFailure);
  }
  if (result < 0 && !abandonRequested_.load(std::memory_order_acquire) && handlers.stop) handlers.stop();
  return result;
}
