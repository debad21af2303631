// Independent readers run as black boxes on files the builder wrote:
// Debian's mdbtools (mdb-tables, mdb-count, mdb-export) and the npm package
// mdb-reader (through read_with_mdb_reader.js). Their answers, and what each
// should show for a value the builder stored, are brought to one canonical
// text per cell so that rows compare whole. The canonical forms absorb each
// reader's known quirks: mdbtools cuts BINARY at a zero byte, shows empty
// text as NULL, drops a GUID hyphen, prints dates before 1899-12-30 and on
// 9999-12-31 as 1900-01-00, and cuts memos at 199,999 bytes; mdb-reader puts
// negative dates on a straight number line.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/test_db_builder.h"

namespace oracle {

enum class Reader { Mdbtools, MdbReader };
const char* ReaderName(Reader reader);
inline void PrintTo(Reader reader, std::ostream* os) { *os << ReaderName(reader); }

// Empty when the reader can be run here, else why not (for GTEST_SKIP).
std::string Unavailable(Reader reader);

struct ReadTable {
  std::string name;
  std::vector<std::string> columns;  // in the reader's order
  std::vector<std::string> types;    // mdb-reader's type names; empty for mdbtools
  int64_t rowCount = -1;             // mdb-count, or mdb-reader's rowCount
  std::vector<std::vector<std::string>> rows;  // canonical cells
};

struct ReadDatabase {
  bool ok = false;
  std::string error;
  std::vector<std::string> tables;  // user tables as listed
  std::vector<ReadTable> data;      // the tables asked for
  const ReadTable* Find(const std::string& name) const;
};

// Lists the user tables and reads the described ones, by their names; their
// column types bring the cells to canonical form. mdb-reader opens an
// encrypted file with the password (mdbtools has none to give).
ReadDatabase Read(Reader reader, const std::string& path, const std::vector<const testdb::Table*>& tables = {},
                  const std::string& password = {});

// The canonical cell a reader should show for `value` in `column`.
std::string Expected(Reader reader, const testdb::Column& column, const testdb::Value& value);

// The canonical rows a reader should show for the table (deleted rows left
// out, generated rows included), columns in the order the reader names them.
// Sorted, as is Sorted(read rows), since moved rows change the order.
std::vector<std::vector<std::string>> ExpectedRows(Reader reader, const testdb::Table& table,
                                                   const std::vector<std::string>& readerColumns);
std::vector<std::vector<std::string>> Sorted(std::vector<std::vector<std::string>> rows);

}  // namespace oracle
