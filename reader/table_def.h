// The reader's model of a table and its columns, as the table-definition
// pages describe them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "format/column_type.h"
#include "reader/index_def.h"
#include "reader/property_blob.h"

// What a complex column holds, one flat-table row per value.
enum class ComplexKind : uint8_t {
  Unknown,         // its flat table is not found
  Attachment,      // files: name, type, the data wrapped and mostly compressed
  MultiValue,      // one value of a simple type per row
  VersionHistory,  // the texts an append-only memo has had, with their dates
};

struct ColumnDef {
  static constexpr size_t kMaxNameLength = 259;

  std::string name;  // UTF-8, at most kMaxNameLength characters
  ColumnType type{-1};  // the stored code, known to ColumnType or not
  int32_t length = 0;  // bytes; TEXT capped at 255
  int32_t storedLength = 0;  // bytes, as the record holds them
  int32_t columnNumber = -1;
  int32_t columnIndex = -1;
  uint8_t isFixed = 0;
  // The record's flag byte: 0x01 fixed length, 0x04 autonumber, 0x40
  // automatic GUID, 0x80 hyperlink.
  uint8_t flags = 0;
  int32_t fixedOffset = -1;
  int32_t varIndex = -1;
  int32_t precision = 0;
  int32_t scale = 0;
  // Its value is computed by Access from an expression and stored wrapped;
  // type is then the result's type, from the column's ResultType property
  // (the record's own type code is not the result's).
  bool calculated = false;
  // A complex column (reader/complex_columns.h): the id MSysComplexColumns
  // knows it by, the definition page of its flat table (0: not found) and
  // what it holds.
  int32_t complexId = 0;
  int32_t flatTable = 0;
  ComplexKind complexKind = ComplexKind::Unknown;
  // Of a table whose definition is lost: the type was worked out from the
  // rows' bytes, not read (reader/fixed_column_inference.h). A boolean's
  // value is then null-mask bit maskBit; another column is absent where
  // maskBit (when not -1) is clear.
  bool inferred = false;
  int32_t maskBit = -1;
  // The record's type did not fit the column's stored length, and the
  // column is read by a type the length allows (column_doubts.h): the type
  // the record stated.
  bool typeFromLength = false;
  ColumnType statedType{-1};
};

struct TableDef {
  int32_t definitionPage = 0;
  int32_t ordinal = -1;
  int32_t objectType = 0;
  int32_t maxColumns = 0;
  int32_t columnCount = 0;
  int32_t varColumnCount = 0;
  int32_t rowCount = 0;
  // The live rows its definition states, when the file could hold that
  // many; -1 when unknown (no definition, or a count damage made up).
  int32_t expectedRows = -1;
  // The live rows that read, counted by the analysis for the tables it
  // lists; -1 when not counted.
  int32_t rowsFound = -1;

  // Its definition is lost: definitionPage is the owner its data pages
  // name, and the columns were read from the rows (orphan_tables.h).
  bool orphan = false;
  // No catalog row names it: its name is made up (recovery_naming.h).
  bool recovered = false;
  // The engine's or Access's own table (table_listing.h): read like the
  // others, listed only on request.
  bool system = false;
  uint32_t catalogFlags = 0;  // of the catalog row that names it

  std::string name;
  std::vector<int32_t> continuationPages;  // further definition pages, in chain order
  std::vector<int32_t> dataPages;          // data pages owned by definitionPage, in page order
  // Pages that still carry the table's number but that its usage map no
  // longer lists: Access freed them, and their rows are deleted rows.
  std::vector<int32_t> freedPages;
  std::vector<ColumnDef> columns;
  // Its keys and indexes in the definition's order. One whose definition
  // does not hold (a column or B-tree it names is missing) is left out, and
  // schemaNotes says so.
  std::vector<IndexDef> indexes;
  std::vector<std::string> schemaNotes;
  // Its own properties and its columns', from the catalog.
  ObjectProperties properties;
  // What the reader doubted of it, one line each ("Price: stored as LONG in
  // 8 bytes, read as CURRENCY"), for the log and the recovery report.
  std::vector<std::string> doubts;
  // Pages its usage map lists that no longer read as pages (garbled or
  // zeroed); 0 when the map is sound or unreadable.
  int32_t lostPages = 0;

  // Rows the definition states that did not come back; 0 when either
  // count is unknown.
  int32_t MissingRows() const {
    return rowsFound >= 0 && expectedRows > rowsFound ? expectedRows - rowsFound : 0;
  }

  // Its rows carry an offset table (format/row_structure.h).
  bool HasVariableColumns() const {
    return std::any_of(columns.begin(), columns.end(), [](const ColumnDef& column) { return !column.isFixed; });
  }

  // The row walks find rows the count left out (moved rows, a count too
  // small); the count stays within 0 and the int32 range.
  void AddRows(int64_t rows) {
    rowCount = static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{rowCount} + rows, 0, std::numeric_limits<int32_t>::max()));
  }
};

// Tables stay at one place in memory until the next open: the tree and the
// export hold references into the list.
using TableList = std::vector<std::unique_ptr<TableDef>>;

// The table whose definition starts at `page`, or end(). The list is in
// definition-page order from its creation on, until the tables whose
// definition is lost are added after the others; the search relies on it.
inline TableList::const_iterator FindTable(const TableList& tables, int32_t page) {
  auto it = std::lower_bound(tables.begin(), tables.end(), page,
                             [](const auto& table, int32_t p) { return table->definitionPage < p; });
  return it != tables.end() && (*it)->definitionPage == page ? it : tables.end();
}
