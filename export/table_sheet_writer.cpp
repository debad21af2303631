#include "export/table_sheet_writer.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "report/progress_channel.h"
#include "decode/row_reader.h"
#include "decode/row_text.h"
#include "export/excel_session.h"
#include "format/utf8.h"
#include "platform/folders.h"
#include "reader/mdb_file.h"

TableSheetWriter::TableSheetWriter(MdbFile& db, const std::atomic<uint8_t>& abandonRequested,
                                   FailureSink reportFailure)
    : db_(db), abandonRequested_(abandonRequested), reportFailure_(std::move(reportFailure)) {}

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

int TableSheetWriter::WriteTable(TableDef& table, ExcelSession& session,
                                 const SheetHandlers& handlers) {
  TableRowWalk walk(db_, table);

  // Column letters of every column, kept with the names for the headers of
  // continuation sheets.
  std::vector<std::string> letters;
  letters.reserve(table.columns.size());
  for (size_t i = 0; i < table.columns.size(); ++i) {
    std::string address = ExcelSession::CellAddress(static_cast<int>(i), 1);
    session.WriteHeaderCell(address, table.columns[i].name);
    letters.push_back(address.substr(0, address.size() - 1));
  }

  int32_t rowNumber = 2;
  int continuationNumber = 1;
  int32_t failedRows = 0;
  std::string firstFailure;
  std::string text;
  std::string address;
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
    try {
      if (rowNumber % (kRowsPerSheet + 2) == 0) {
        handlers.continuation(continuationNumber);
        ++continuationNumber;
        for (size_t i = 0; i < letters.size(); ++i) {
          session.WriteHeaderCell(letters[i] + "1", table.columns[i].name,
                                  handlers.centreContinuationHeader);
        }
        rowNumber = 2;
      }
      char digits[16];
      char* digitsEnd = std::to_chars(digits, digits + sizeof digits, rowNumber).ptr;
      for (size_t k = 0; k < letters.size(); ++k) {
        std::string_view value = k < values.size() ? values[k] : std::string_view();
        if (value.size() > kMaxCellText) value = Utf8Prefix(value, kMaxCellText);
        address.assign(letters[k]).append(digits, digitsEnd);
        session.WriteDataCell(address, value);
      }
      ++rowNumber;
    } catch (const xls::AutomationError& error) {
      // The row is left out, and the next one takes its sheet row; the walk
      // counted it when it handed it out.
      --table.exportedRows;
      if (failedRows++ == 0) firstFailure = error.what();
    }
  }
  if (failedRows > 0) {
    reportFailure_(std::to_string(failedRows) + " row(s) of " + table.name +
                   " could not be written: " + firstFailure);
  }
  if (result < 0 && !abandonRequested_.load(std::memory_order_acquire)) handlers.stop();
  return result;
}
