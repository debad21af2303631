// The SQLite output: one database file for the whole Access file, written
// with libsqlite3. Each table is loaded in a transaction of its own through
// one prepared INSERT; the indexes are made once every row is in; foreign
// keys are declared but not enforced while loading, and checked at the end
// (PRAGMA foreign_key_check), each row that breaks one counted for its
// table. The file is built, not kept safe
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

  void CreateTables(const std::string& path, const std::vector<TableOutput>& outputs,
                    const DatabaseExtras& extras) override;
  void BeginTable(size_t index) override;
  // A row that breaks the table's key or a required column makes the table
  // again without them (noted at Finish), and goes in; another row SQLite
  // refuses (a text too long) is left out; a full disk or a failing write
  // ends the table.
  void WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) override;
  void EndTable() override;
  void AbandonTable() override;
  std::vector<std::string> Finish() override;

 private:
  // The engine's error, or nothing when the statements ran.
  std::string Run(const std::string& sql);
  void Execute(const std::string& sql);
  std::string Error() const;
  // The rows that break a foreign key, by output.
  std::vector<int64_t> ForeignKeyViolations();
  void Close();
  bool PrepareInsert();
  // Binds the row's values and runs the INSERT: SQLite's result code.
  int InsertRow(const std::vector<const CellSlot*>& cells);
  void MakeTableBare(const std::string& why);

  FailureSink reportFailure_;
  std::string path_;
  // Written under a temporary name, given path_ by Finish.
  std::unique_ptr<platform::StagedFile> staged_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  std::vector<TableOutput> outputs_;
  std::vector<SqlStatement> afterData_;
  const TableOutput* table_ = nullptr;
  // The texts made for the row's columns, bound as they are.
  std::vector<std::string> texts_;
  // By output: why it was made again without its key and NOT NULL; empty
  // while it was not.
  std::vector<std::string> bareNotes_;
  std::string& BareNote() { return bareNotes_[static_cast<size_t>(table_ - outputs_.data())]; }
};
