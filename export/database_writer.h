// The database outputs of an export (SQLite, SQL scripts, PostgreSQL): one
// database for the whole Access file, whatever the workbook mode. Its
// tables are named and created before the first row is read, each table's
// deleted rows in a table of their own; then each table is loaded from its
// rows through the sheet writer's walk, in a transaction of its own; the
// database is finished after the last. A table that fails is named and
// the others go on; what was committed stays.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "export/database_target.h"
#include "export/table_sheet_writer.h"

class RowDecoder;

class DatabaseWriter {
 public:
  DatabaseWriter(RowDecoder& rows, const std::atomic<uint8_t>& abandonRequested, FailureSink reportFailure,
                 RowsSink reportRows, std::unique_ptr<DatabaseTarget> target);

  // Names and creates the outputs, in the order they will be written, in
  // the file "<fileTitle><extension>" of the export folder (for a server,
  // which writes no file, the folder is empty). False, with the failure
  // reported, when the database could not be made: nothing is written then.
  bool Begin(const std::string& exportFolder, const std::string& fileTitle,
             const std::vector<std::pair<TableDef*, RowSet>>& outputs);

  // The next output's rows (it must be the next one Begin was given): 1, or
  // -1 when stopped, abandoned or when the table failed.
  int WriteTable(TableDef& table, RowSet rowSet);

  // After the last table (a stop included; not after an abandon): finishes
  // the database. What its checks found of each output, by the output's
  // name (the table's name with RowSetLabel).
  std::vector<std::pair<std::string, std::string>> Finish();

  // The database's file; empty for a server.
  const std::string& path() const { return path_; }
  // The rows of the table last written that the database holds.
  int32_t rowsWritten() const { return tableFailed_ ? 0 : sheetWriter_.rowsWritten(); }
  // The table last written was cut short by a stop and given up.
  bool tableStopped() const { return sheetWriter_.stopped(); }
  size_t columnsLeftOut() const { return sheetWriter_.columnsLeftOut(); }

 private:
  const std::atomic<uint8_t>& abandonRequested_;
  FailureSink reportFailure_;
  TableSheetWriter sheetWriter_;
  std::unique_ptr<DatabaseTarget> target_;
  std::string path_;
  std::vector<TableOutput> outputs_;
  size_t next_ = 0;
  bool open_ = false;
  bool tableFailed_ = false;
};
