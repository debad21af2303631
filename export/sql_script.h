// The SQL-script output: one .sql file for the whole Access file, in one
// dialect, that sqlite3, psql or mysql loads as it is: the tables first,
// then each table's rows in a transaction of its own (COPY for PostgreSQL,
// INSERTs of many rows each otherwise), then what goes after the data.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "export/database_target.h"
#include "platform/staged_file.h"

class SqlScript : public DatabaseTarget {
 public:
  SqlScript(SqlDialect dialect, FailureSink reportFailure)
      : dialect_(dialect), reportFailure_(std::move(reportFailure)) {}
  // Without Finish the temporary file is removed: no script is left.
  ~SqlScript() override;

  SqlDialect Dialect() const override { return dialect_; }
  std::string Extension() const override { return ".sql"; }

  void CreateTables(const std::string& path, const std::vector<TableOutput>& outputs) override;
  void BeginTable(size_t index) override;
  void WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) override;
  void EndTable() override;
  void AbandonTable() override;
  std::vector<std::string> Finish() override;

 private:
  // Writes out what the buffer holds; throws TableFailure when the file
  // does not take it.
  void Flush();
  void EndStatement();

  SqlDialect dialect_;
  FailureSink reportFailure_;
  std::string path_;
  // Written under a temporary name, given path_ by Finish.
  std::unique_ptr<platform::StagedFile> staged_;
  std::FILE* file_ = nullptr;
  bool writeFailed_ = false;  // a script that missed bytes never gets its name
  std::vector<TableOutput> outputs_;
  const TableOutput* table_ = nullptr;
  std::string buffer_;
  bool inTable_ = false;
  // The INSERT at hand: its rows and bytes so far.
  int32_t statementRows_ = 0;
  size_t statementBytes_ = 0;
};
