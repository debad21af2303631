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
#include <utility>
#include <vector>

#include <functional>

#include "export/ddl_writer.h"
#include "export/sheet_target.h"
#include "export/sql_dialect.h"
#include "export/table_sheet_writer.h"

struct TableDef;

// One table the export creates: a table's live rows, or its deleted rows
// in a table of their own.
struct TableOutput {
  const TableDef* table = nullptr;
  RowSet rowSet = RowSet::Live;
  // The output's table name in the dialect, unique in the database, as
  // the catalog holds it and quoted for statements.
  std::string identifier;
  std::string quotedName;
  // The table's columns the output takes, in order.
  std::vector<const ColumnDef*> columns;
  // CREATE TABLE, and what is made once the rows are in: the primary key
  // (in the table on SQLite, with the foreign keys) and the indexes.
  // Deleted rows and tables whose keys are not known have none.
  std::vector<SqlStatement> create, indexes;
  // CREATE TABLE without the key and NOT NULL, where they are in create:
  // what a load whose rows break them goes on in.
  std::string bareCreate;
};

// What the schema adds to the database around the tables.
struct DatabaseExtras {
  // After every table's rows and indexes: foreign keys, views; statements
  // without SQL are comments.
  std::vector<SqlStatement> afterData;
  // Every name of a table, index or view the export may create: as the
  // catalog holds it, and quoted.
  std::vector<std::pair<std::string, std::string>> relationNames;
};

// Makes the outputs' indexes, then runs what comes after the data, each
// statement through run, which gives the engine's error or nothing. A
// unique index that the rows break (a damaged file may hold a key twice)
// is made without UNIQUE, so that lookups stay fast, and such a primary
// key is left out; another statement that fails is reported. What was
// found of each output, by index.
std::vector<std::string> MakeIndexesAndForeignKeys(const std::vector<TableOutput>& outputs,
                                                   const std::vector<SqlStatement>& afterData,
                                                   const std::function<std::string(const std::string&)>& run,
                                                   const FailureSink& reportFailure);
// Adds a finding to an output's note.
void AddNote(std::string& notes, const std::string& note);

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
  virtual void CreateTables(const std::string& path, const std::vector<TableOutput>& outputs,
                            const DatabaseExtras& extras) = 0;
  // The rows of outputs[index] follow, until EndTable.
  virtual void BeginTable(size_t index) = 0;
  // Commits the table's rows; throws TableFailure when they were not.
  virtual void EndTable() = 0;
  // Drops what the table at hand loaded since BeginTable.
  virtual void AbandonTable() = 0;
  // After the last table: indexes, foreign keys, views, the checks, then
  // closes. Problems go to the failure sink the target was given. What was
  // found of each output ("3 rows break a foreign key"), by index; empty
  // for most.
  virtual std::vector<std::string> Finish() = 0;
};
