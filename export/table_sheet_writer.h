// Fills worksheets with the rows of one table, the common core of the two
// workbook modes: a header row of column names, then every live row of the
// table's data pages in page and slot order, one text cell per column. A
// sheet takes 65,535 data rows below its header; the next row starts a
// continuation sheet ("Orders_1", "Orders_2", ...) with the header again.
// The workbook writer decides where a continuation sheet goes and what a
// stop saves, through the handlers it passes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class ExcelSession;
class MdbFile;
struct TableDef;

// How the export tells what went wrong (a file not saved, rows not written)
// to the job, which shows it and no longer reports success.
using FailureSink = std::function<void(const std::string&)>;

struct SheetHandlers {
  // Makes the next sheet current and names it after the table with
  // "_<continuationNumber>"; it may save the workbook and start another.
  std::function<void(int continuationNumber)> continuation;
  // Saves what was written and lets go of the workbook.
  std::function<void()> stop;
  // The per-table writer leaves the alignment of continuation headers unset.
  bool centreContinuationHeader = true;
};

class TableSheetWriter {
 public:
  // Data rows a sheet takes below its header; an .xls sheet has 65,536 rows.
  static constexpr int32_t kRowsPerSheet = 65535;
  // The most characters a cell holds; longer values are cut (the engine
  // makes the last cut, counting as the workbook does).
  static constexpr size_t kMaxCellText = 32767;

  TableSheetWriter(MdbFile& db, const std::atomic<uint8_t>& abandonRequested,
                   FailureSink reportFailure);

  // Before the workbook is prepared: zeroes the table's cursor and checks
  // that the export folder is there. False when it was missing (it exists
  // now, as a side effect of the check): nothing is to be written then.
  bool StartTable(TableDef& table, const std::string& exportFolder);

  // With the table's first sheet current and named: 1 when the table was
  // written to its end, -1 on a stop (after the stop handler) or when the
  // job is abandoned (nothing saved). Rows whose cells the workbook refuses
  // are left out and reported; a refused header ends the table by throwing.
  int WriteTable(TableDef& table, ExcelSession& session, const SheetHandlers& handlers);

 private:
  MdbFile& db_;
  const std::atomic<uint8_t>& abandonRequested_;
  FailureSink reportFailure_;
};
