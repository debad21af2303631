// The SQLite output: one database file for the whole Access file, written
// with libsqlite3. Each table is loaded in a transaction of its own through
// one prepared INSERT; foreign keys are declared but not enforced while
// loading, and checked at the end (PRAGMA foreign_key_check), each row
// that breaks one counted for its table. The file is built, not kept safe
// while it is built: a journal in memory and no syncs until it is closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/database_target.h"
#include "platform/staged_file.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteDatabase : public DatabaseTarget {
 public:
  explicit SqliteDatabase(FailureSink reportFailure) : reportFailure_(std::move(reportFailure)) {}
  // Without Finish the temporary file is removed: no database is left.
  ~SqliteDatabase() override;

  SqlDialect Dialect() const override { return SqlDialect::Sqlite; }
  std::string Extension() const override { return ".sqlite"; }

  void CreateTables(const std::string& path, const std::vector<TableOutput>& outputs) override;
  void BeginTable(size_t index) override;
  // A row SQLite refuses (a key given twice) is left out; a full disk or a
  // failing write ends the table.
  void WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) override;
  void EndTable() override;
  void AbandonTable() override;
  std::vector<std::string> Finish() override;

 private:
  void Execute(const std::string& sql);
  std::string Error() const;
  void Close();

  FailureSink reportFailure_;
  std::string path_;
  // Written under a temporary name, given path_ by Finish.
  std::unique_ptr<platform::StagedFile> staged_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  std::vector<TableOutput> outputs_;
  const TableOutput* table_ = nullptr;
  // The texts made for the row's columns, bound as they are.
  std::vector<std::string> texts_;
};
