#include "export/database_writer.h"

#include <algorithm>

#include "decode/row_decoder.h"
#include "export/export_folder.h"
#include "export/name_set.h"
#include "reader/table_def.h"

DatabaseWriter::DatabaseWriter(RowDecoder& rows, const std::atomic<uint8_t>& abandonRequested,
                               FailureSink reportFailure, RowsSink reportRows, std::unique_ptr<DatabaseTarget> target)
    : abandonRequested_(abandonRequested),
      reportFailure_(std::move(reportFailure)),
      sheetWriter_(rows, abandonRequested, reportFailure_, std::move(reportRows)),
      target_(std::move(target)) {}

bool DatabaseWriter::Begin(const std::string& exportFolder, const std::string& fileTitle,
                           const std::vector<std::pair<TableDef*, RowSet>>& outputs) {
  path_ = exportFolder.empty() ? std::string()
                               : OutputFilePath(exportFolder, NameSet(NameSet::Kind::File).Add(fileTitle),
                                                target_->Extension());
  const std::string& path = path_;
  const SqlDialect dialect = target_->Dialect();
  SqlIdentifiers tableNames(dialect, SqlIdentifiers::Kind::Table);
  for (const auto& [table, rowSet] : outputs) {
    TableOutput output;
    output.table = table;
    output.rowSet = rowSet;
    output.identifier = tableNames.Add(table->name + RowSetLabel(rowSet));
    // The columns the sheet writer hands over: the first the target takes.
    SqlIdentifiers columnNames(dialect, SqlIdentifiers::Kind::Column);
    const size_t count = std::min(table->columns.size(), target_->MaxColumns());
    for (size_t i = 0; i < count; ++i) {
      output.columns.push_back(&table->columns[i]);
      output.columnIdentifiers.push_back(columnNames.Add(table->columns[i].name));
    }
    outputs_.push_back(std::move(output));
  }
  try {
    target_->CreateTables(path, outputs_);
    open_ = true;
  } catch (const std::exception& error) {
    reportFailure_("Could not make " + (path.empty() ? std::string("the tables") : path) + ": " + error.what());
  }
  return open_;
}

int DatabaseWriter::WriteTable(TableDef& table, RowSet rowSet) {
  const std::string name = table.name + RowSetLabel(rowSet);
  tableFailed_ = false;
  sheetWriter_.StartTable(table, std::string());
  if (!open_ || next_ >= outputs_.size() || outputs_[next_].table != &table || outputs_[next_].rowSet != rowSet) {
    tableFailed_ = true;
    reportFailure_(name + " not exported: the database was not made");
    return -1;
  }
  const size_t index = next_++;
  // A table without columns has nothing a database could hold.
  if (outputs_[index].columns.empty()) return 1;
  try {
    target_->BeginTable(index);
    SheetHandlers handlers;
    // A stopped table is given up whole: what it held so far goes.
    handlers.stop = [this] { target_->AbandonTable(); };
    const int result = sheetWriter_.WriteTable(table, *target_, handlers, rowSet);
    if (abandonRequested_.load(std::memory_order_acquire)) {
      target_->AbandonTable();
      return -1;
    }
    if (result > 0) target_->EndTable();
    return result;
  } catch (const std::exception& error) {
    target_->AbandonTable();
    tableFailed_ = true;
    reportFailure_("Could not export " + name + ": " + error.what());
    return -1;
  }
}

std::vector<std::pair<std::string, std::string>> DatabaseWriter::Finish() {
  std::vector<std::pair<std::string, std::string>> found;
  if (!open_) return found;
  open_ = false;
  std::vector<std::string> notes = target_->Finish();
  for (size_t i = 0; i < notes.size() && i < outputs_.size(); ++i) {
    if (!notes[i].empty())
      found.emplace_back(outputs_[i].table->name + RowSetLabel(outputs_[i].rowSet), std::move(notes[i]));
  }
  return found;
}
