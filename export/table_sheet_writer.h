// Fills sheets with the rows of one table, the common core of the workbook
// modes of every format and of `rows --all`: a header row of column names,
// then every live row of the table's data pages in page and slot order, one
// value per column. This is the one place where the rows of a table are
// walked for an output. A sheet takes the target's RowsPerSheet data rows
// below its header; the next row starts a continuation sheet ("Orders_1",
// "Orders_2", ...) with the header again. The workbook writer decides where
// a continuation sheet goes and what a stop saves, through the handlers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class RowDecoder;
class SheetTarget;
struct TableDef;
struct CellSlot;

// Which rows of a table an output holds: the live rows, or the deleted rows
// that can still be read (decode/deleted_row_walk.h), which never mix with
// the live ones and go to outputs of their own.
enum class RowSet { Live, Deleted };

// What the outputs of a row set add to the table's name: nothing for the
// live rows, " (deleted)" for the deleted ones.
const char* RowSetLabel(RowSet rowSet);

// How the export tells what went wrong (a file not saved, rows not written)
// to the job, which shows it and no longer reports success.
using FailureSink = std::function<void(const std::string&)>;

// How the export tells the job how many rows of the table at hand are
// written: now and then while it is written, and once at its end.
using RowsSink = std::function<void(const std::string& table, int32_t rows)>;

struct SheetHandlers {
  // Makes the next sheet current and names it after the table with
  // "_<continuationNumber>"; it may save the workbook and start another.
  std::function<void(int continuationNumber)> continuation;
  // Gives up the workbook that holds the table cut short (none: nothing to do).
  std::function<void()> stop;
  // The per-table writer leaves the alignment of continuation headers unset.
  bool centreContinuationHeader = true;
};

class TableSheetWriter {
 public:
  // Rows between two reports of the rows written.
  static constexpr int32_t kRowsPerReport = 2000;

  TableSheetWriter(RowDecoder& rows, const std::atomic<uint8_t>& abandonRequested,
                   FailureSink reportFailure, RowsSink reportRows);

  // Before the workbook is prepared: zeroes the rows written and checks
  // that the export folder (when there is one) is there. False when it was missing (it exists
  // now, as a side effect of the check): nothing is to be written then.
  bool StartTable(TableDef& table, const std::string& exportFolder);

  // With the table's first sheet current and named: 1 when the table's rows
  // of the set were written to their end (only the columns the target
  // takes, the others reported as left out), -1 on a stop (after the stop
  // handler) or when the job is abandoned (nothing saved). Rows the target
  // refuses are left out and reported; a refused header ends the table by
  // throwing.
  int WriteTable(TableDef& table, SheetTarget& target, const SheetHandlers& handlers,
                 RowSet rowSet = RowSet::Live);

  // The rows of the table at hand written so far.
  int32_t rowsWritten() const { return rowsWritten_; }
  // The columns of the table at hand beyond the target's last column.
  size_t columnsLeftOut() const { return columnsLeftOut_; }
  // True when a stop ended the table at hand before its last row.
  bool stopped() const { return stopped_; }

 private:
  // The rows next gives (1 a row, 0 the end, -1 a stop), under the name
  // shown for them.
  int WriteRows(const std::function<int(std::string&)>& next, const std::string& name,
                const std::vector<std::string>& names, const std::vector<int32_t>& columnNumbers,
                SheetTarget& target, const SheetHandlers& handlers);

  RowDecoder& rows_;
  const std::atomic<uint8_t>& abandonRequested_;
  FailureSink reportFailure_;
  RowsSink reportRows_;
  int32_t rowsWritten_ = 0;
  size_t columnsLeftOut_ = 0;
  bool stopped_ = false;
};
