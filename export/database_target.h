// A database an export loads, whatever speaks for it: a SQLite file, a SQL
// script, a PostgreSQL server. Every table of the export is created first,
// then each is filled in a transaction of its own, and the database is
// finished last (indexes, foreign keys, checks), so that a table that fails
// leaves the others whole. The rows arrive as values (SheetTarget's typed
// path); the database writer (database_writer.h) drives the calls.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "export/sheet_target.h"
#include "export/sql_dialect.h"
#include "export/table_sheet_writer.h"

struct TableDef;

// One table the export creates: a table's live rows, or its deleted rows
// in a table of their own.
struct TableOutput {
  const TableDef* table = nullptr;
  RowSet rowSet = RowSet::Live;
  // The output's table name in the dialect, unique in the database.
  std::string identifier;
  // The table's columns the output takes, in order, and their names.
  std::vector<const ColumnDef*> columns;
  std::vector<std::string> columnIdentifiers;
};

class DatabaseTarget : public SheetTarget {
 public:
  // The dialect names and types follow.
  virtual SqlDialect Dialect() const = 0;
  // The file made ("<database>.sqlite", ...), or empty for a server.
  virtual std::string Extension() const = 0;

  int32_t RowsPerSheet() const override { return std::numeric_limits<int32_t>::max(); }
  size_t MaxColumns() const override { return SqlMaxColumns(Dialect()); }
  bool TakesValues() const override { return true; }
  // The table is made by CreateTables; rows come through WriteValues.
  void WriteHeader(const std::vector<std::string>&, bool) override {}
  void WriteRow(int32_t, const std::vector<std::string_view>&) override {}

  // Opens the database (path: the file to write, empty for a server) and
  // creates every table. Throws std::runtime_error saying why it cannot.
  virtual void CreateTables(const std::string& path, const std::vector<TableOutput>& outputs) = 0;
  // The rows of outputs[index] follow, until EndTable.
  virtual void BeginTable(size_t index) = 0;
  // Commits the table's rows; throws TableFailure when they were not.
  virtual void EndTable() = 0;
  // Drops what the table at hand loaded since BeginTable.
  virtual void AbandonTable() = 0;
  // After the last table: indexes, foreign keys, the checks, then closes.
  // Problems go to the failure sink the target was given. What the checks
  // found of each output ("3 rows break a foreign key"), by index; empty
  // for most.
  virtual std::vector<std::string> Finish() = 0;
};
