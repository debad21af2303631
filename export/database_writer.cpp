#include "export/database_writer.h"

#include <algorithm>
#include <set>

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
                           const std::vector<std::pair<TableDef*, RowSet>>& outputs, const DatabaseSchema& schema) {
  path_ = exportFolder.empty() ? std::string()
                               : OutputFilePath(exportFolder, NameSet(NameSet::Kind::File).Add(fileTitle),
                                                target_->Extension());
  const std::string& path = path_;
  // One schema table an output: a table's live rows with its keys, when
  // they are known; deleted rows, and the first columns of a table wider
  // than the engine takes, in tables of their own without keys.
  const size_t maxColumns = target_->MaxColumns();
  schema_.textBytesPerCharacter = schema.textBytesPerCharacter;
  schemaNotes_ = schema.notes;
  std::set<std::string> keyed;
  for (const auto& [table, rowSet] : outputs) {
    const TableSchema* known = rowSet == RowSet::Live ? schema.FindTable(table->name) : nullptr;
    TableSchema entry;
    if (known && known->table == table && table->columns.size() <= maxColumns) {
      entry = *known;
    } else {
      auto own = std::make_unique<TableDef>();
      own->name = table->name + RowSetLabel(rowSet);
      own->columns.assign(table->columns.begin(),
                          table->columns.begin() + static_cast<std::ptrdiff_t>(std::min(maxColumns, table->columns.size())));
      entry.table = own.get();
      entry.keysKnown = false;
      entry.columns.resize(own->columns.size());
      ownTables_.push_back(std::move(own));
    }
    if (entry.keysKnown) keyed.insert(table->name);
    schema_.tables.push_back(std::move(entry));
  }
  // Foreign keys between the tables exported only; the views as far as
  // their sources are here.
  for (const Relationship& relationship : schema.relationships)
    if (keyed.count(relationship.table) && keyed.count(relationship.referencedTable))
      schema_.relationships.push_back(relationship);
  schema_.queries = schema.queries;

  std::unique_ptr<DdlWriter> ddl = DdlWriter::Make(target_->Dialect(), schema_);
  for (size_t k = 0; k < outputs.size(); ++k) {
    const TableSchema& entry = schema_.tables[k];
    TableOutput output;
    output.table = outputs[k].first;
    output.rowSet = outputs[k].second;
    output.identifier = ddl->TableIdentifier(entry);
    output.quotedName = ddl->TableName(entry);
    // The columns the sheet writer hands over: the first the target takes.
    for (size_t i = 0; i < entry.table->columns.size(); ++i) output.columns.push_back(&output.table->columns[i]);
    if (!output.columns.empty()) {
      output.create = ddl->CreateTable(entry, true);
      const std::string bare = ddl->CreateTable(entry, true, true).front().sql;
      if (bare != output.create.front().sql) output.bareCreate = bare;
      output.indexes = ddl->CreateIndexes(entry, true);
    }
    outputs_.push_back(std::move(output));
  }
  DatabaseExtras extras;
  extras.afterData = ddl->AddForeignKeys(true);
  for (const SqlStatement& statement : extras.afterData)
    if (statement.sql.empty()) schemaNotes_.push_back(statement.comment);
  for (SqlStatement& view : ddl->CreateViews()) extras.afterData.push_back(std::move(view));
  for (const std::string& name : ddl->RelationIdentifiers()) extras.relationNames.emplace_back(name, ddl->Quote(name));
  try {
    target_->CreateTables(path, outputs_, extras);
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
