// What the export job shows while it runs: the export progress window of the
// desktop program, or the console of the command line. Every call comes from
// the job's thread; a window carries it out on its own thread.
#pragma once

#include <cstdint>
#include <string>

#include "export/export_statistics.h"

// The output at hand: a table's rows (or its deleted rows) being written.
struct ExportProgress {
  std::string output;        // the table's name, " (deleted)" added for its deleted rows
  int64_t rows = 0;          // written so far
  int64_t rowsExpected = 0;  // as the analysis counted them
};

class ExportView {
 public:
  virtual ~ExportView() = default;

  // Before the first table: Stop, the bar, the percentage and the messages.
  virtual void ShowRunning() = 0;
  // A message of the job; a list shows the newest on top.
  virtual void AddMessage(const std::string& text) = 0;
  // Rows of the output at hand written so far, now and then while it is
  // written and once at its end. A view may leave them unshown.
  virtual void SetRowsWritten(const ExportProgress& progress) { (void)progress; }
  // A file is being finished (saved), which may take a while after its
  // last row.
  virtual void SetFinishing(const std::string& fileName) { (void)fileName; }
  // Percentage done, 0 to 100: rows written against the rows of every
  // chosen table, each output weighing at least one row.
  virtual void SetPercentage(int percent) = 0;
  // The closing message is shown: Stop goes, the statistics list comes (a
  // window pauses first so that the closing message can be read).
  virtual void ShowFinished() = 0;
  // Empties the statistics list; false when it cannot, and the job then ends
  // without statistics.
  virtual bool ClearStatistics() = 0;
  // One row of the statistics at `position`, the table's place among the
  // chosen tables.
  virtual void AddStatisticsRow(int position, const StatisticsRow& row) = 0;
};
