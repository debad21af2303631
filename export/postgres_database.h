// The PostgreSQL output: the tables loaded straight into a running server
// through libpq. The tables are created together in one transaction, then
// each is loaded with COPY in a transaction of its own: a row the server
// refuses ends that table (named with the row) and leaves the tables
// committed before it as they are. The primary keys, the indexes, the
// foreign keys (not checking the rows already in) and the views come last:
// a key that a damaged file's rows break costs the key, not the table. A table, index
// or view of the same name that exists already is an error naming it,
// unless the export was asked to replace it.
#pragma once

#include <string>
#include <vector>

#include "export/database_target.h"

struct pg_conn;

// The URL with its password, if it holds one, left out: what messages show.
std::string ServerUrlShown(const std::string& url);

// Why no export can go to the server at url ("connection to server ...
// failed: ..."), or an empty text when it takes a connection. Asked before
// the analysis, so that a refusal comes before it.
std::string ServerProblem(const std::string& url);

class PostgresDatabase : public DatabaseTarget {
 public:
  PostgresDatabase(std::string url, bool replaceTables, FailureSink reportFailure);
  // Without Finish: the table at hand is rolled back, the connection closed.
  ~PostgresDatabase() override;

  SqlDialect Dialect() const override { return SqlDialect::Postgres; }
  std::string Extension() const override { return std::string(); }

  void CreateTables(const std::string& path, const std::vector<TableOutput>& outputs,
                    const DatabaseExtras& extras) override;
  void BeginTable(size_t index) override;
  void WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) override;
  void EndTable() override;
  void AbandonTable() override;
  std::vector<std::string> Finish() override;

 private:
  // Runs a command outside COPY; throws std::runtime_error with the
  // server's message when it fails.
  void Execute(const std::string& sql);
  void SendBuffer();
  std::string Error() const;
  // Refuses, or drops when replacing, what holds a name the export makes.
  void ClearNames(const std::vector<std::pair<std::string, std::string>>& names);

  std::string url_;
  bool replaceTables_;
  FailureSink reportFailure_;
  pg_conn* connection_ = nullptr;
  std::vector<TableOutput> outputs_;
  std::vector<SqlStatement> afterData_;
  const TableOutput* table_ = nullptr;
  bool copying_ = false;
  std::string buffer_;
};
