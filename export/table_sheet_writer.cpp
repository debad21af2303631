#include "export/table_sheet_writer.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

#include "decode/deleted_row_walk.h"
#include "decode/row_reader.h"
#include "decode/row_text.h"
#include "export/row_source.h"
#include "export/sheet_target.h"
#include "platform/folders.h"

TableSheetWriter::TableSheetWriter(RowDecoder& rows, const std::atomic<uint8_t>& abandonRequested,
                                   FailureSink reportFailure, RowsSink reportRows)
    : rows_(rows),
      abandonRequested_(abandonRequested),
      reportFailure_(std::move(reportFailure)),
      reportRows_(std::move(reportRows)) {}

bool TableSheetWriter::StartTable(TableDef& table, const std::string& exportFolder) {
  rowsWritten_ = 0;
  columnsLeftOut_ = 0;
  stopped_ = false;
  // The folder was made by Export/Save; if it can be made now, it had gone.
  // A database output that writes no file has none.
  if (!exportFolder.empty() && platform::CreateFolder(exportFolder)) {
    reportFailure_("Export folder was missing, " + table.name + " not exported: " + exportFolder);
    return false;
  }
  return true;
}

const char* RowSetLabel(RowSet rowSet) { return rowSet == RowSet::Deleted ? " (deleted)" : ""; }

int TableSheetWriter::WriteTable(TableDef& table, SheetTarget& target, const SheetHandlers& handlers,
                                 RowSet rowSet) {
  // Kept from the first header for the headers of continuation sheets.
  // A damaged or hand-made table may have more columns than a sheet: the
  // sheet takes the first ones and the rest is reported, not the whole
  // table lost.
  std::vector<std::string> names;
  const size_t columnCount = std::min(table.columns.size(), target.MaxColumns());
  columnsLeftOut_ = table.columns.size() - columnCount;
  for (size_t i = 0; i < columnCount; ++i) names.push_back(table.columns[i].name);
  std::vector<int32_t> numbers;
  for (size_t i = 0; i < columnCount; ++i) numbers.push_back(table.columns[i].columnNumber);
  const std::string name = table.name + RowSetLabel(rowSet);
  if (columnsLeftOut_ > 0) {
    reportFailure_(name + " has " + std::to_string(table.columns.size()) + " columns, a sheet takes " +
                   std::to_string(columnCount) + ": " + std::to_string(columnsLeftOut_) +
                   " column(s) left out");
  }
  if (rowSet == RowSet::Deleted) {
    DeletedRowWalk walk(rows_, table);
    return WriteRows([&walk](std::string& text) { return walk.Next(text); }, name, names, numbers, target,
                     handlers);
  }
  TableRowWalk walk(rows_, table);
  return WriteRows([&walk](std::string& text) { return walk.Next(text); }, name, names, numbers, target,
                   handlers);
}

int TableSheetWriter::WriteRows(const std::function<int(std::string&)>& next, const std::string& name,
                                const std::vector<std::string>& names, const std::vector<int32_t>& columnNumbers,
                                SheetTarget& target, const SheetHandlers& handlers) {
  target.WriteHeader(names, true);

  const int32_t rowsPerSheet = target.RowsPerSheet();
  int32_t rowsInSheet = 0;
  int continuationNumber = 1;
  int32_t failedRows = 0;
  std::string firstFailure;
  std::string text;
  std::vector<std::string_view> texts;
  std::vector<const CellSlot*> cells;
  const bool typed = target.TakesValues();
  // With a second core the rows are decoded while the ones before are
  // written.
  RowSource source(next, rows_.cells(), typed ? columnNumbers : std::vector<int32_t>(),
                   std::thread::hardware_concurrency() >= 2);
  int result = 1;
  for (;;) {
    if (abandonRequested_.load(std::memory_order_acquire)) return -1;
    if (rows_.StopRequested()) {
      result = -1;
      break;
    }
    int got = source.Next(text, cells);
    if (got == 0) break;
    if (got < 0) {
      result = -1;
      break;
    }
    ++rowsWritten_;
    if (!typed) {
      SplitRowText(text, texts);
      // One text per column: a column without a piece of the row gets an
      // empty text, pieces beyond the last column are not written.
      texts.resize(names.size());
    }
    try {
      if (rowsInSheet == rowsPerSheet) {
        handlers.continuation(continuationNumber);
        ++continuationNumber;
        target.WriteHeader(names, handlers.centreContinuationHeader);
        rowsInSheet = 0;
      }
      if (typed) {
        target.WriteCells(rowsInSheet + 2, cells);
      } else {
        target.WriteRow(rowsInSheet + 2, texts);
      }
      ++rowsInSheet;
      if (rowsWritten_ % kRowsPerReport == 0) reportRows_(name, rowsWritten_);
    } catch (const std::runtime_error& error) {
      // The row is left out, and the next one takes its sheet row.
      --rowsWritten_;
      if (failedRows++ == 0) firstFailure = error.what();
    }
  }
  reportRows_(name, rowsWritten_);
  if (failedRows > 0) {
    reportFailure_(std::to_string(failedRows) + " row(s) of " + name +
                   " could not be written: " + firstFailure);
  }
  stopped_ = result < 0 && !abandonRequested_.load(std::memory_order_acquire);
  if (stopped_ && handlers.stop) handlers.stop();
  return result;
}
