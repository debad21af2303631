// A table definition as stored on table-definition pages: the header
// (63 bytes, 43 in Access 97), column records, column names, index
// definitions and the list of long-value maps, as one byte stream that
// continuation pages carry on when it is longer than a page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/page_file.h"
#include "tests/support/test_db_builder.h"

namespace testdb {

struct ColumnRecord {
  std::string name{};
  uint8_t type = 0;
  uint16_t number = 0;
  uint16_t varIndex = 0;  // variable columns only
  uint16_t fixedOffset = 0;
  uint16_t length = 0;
  // 0x01 fixed length, 0x02 set by Access on user columns; system tables
  // use 0x13 and 0x12.
  uint8_t flags = 0;
  uint8_t precision = 0;
  uint8_t scale = 0;
  bool compressed = false;
  // A calculated column: stored variable and wrapped, its values of type
  // resultType whatever type says.
  bool calculated = false;
  uint8_t resultType = 0;
  bool fixed() const { return flags & 0x01; }
  bool isBool() const { return type == static_cast<uint8_t>(ColumnType::Bit); }
  bool isLongValue() const {
    uint8_t stored = calculated ? resultType : type;
    return stored == static_cast<uint8_t>(ColumnType::Memo) || stored == static_cast<uint8_t>(ColumnType::Ole);
  }
};

// A real index and the logical index of the same number.
struct IndexRecord {
  std::string name{};
  uint32_t number = 0;
  std::vector<uint16_t> columns{};
  std::vector<bool> descending{};  // by column; ascending where not given
  uint8_t flags = 0x80;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
  bool primary = false;
  RowPointer usageMap{};
  uint32_t rootPage = 0;
};

struct LongValueMapEntry {
  uint16_t column = 0;
  RowPointer usedMap{};
  RowPointer freeMap{};
};

struct TableDefinition {
  FileFormat format{};
  uint8_t tableType = 0x4E;
  std::vector<ColumnRecord> columns{};  // in record order
  std::vector<IndexRecord> indexes;   // in logical (name) order
  uint16_t maxColumns = 0;
  uint32_t rowCount = 0;
  RowPointer usedMap{};
  RowPointer freeMap{};
  std::vector<LongValueMapEntry> longValueMaps{};  // in record order of their columns

  uint16_t VariableColumnCount() const;
  // Byte length of the stream; does not depend on counts and pointers.
  size_t Length() const;
  std::vector<uint8_t> Encode() const;
  uint32_t PageCount(size_t length) const;
  // Writes the stream over `pages` (PageCount of them), chained in that order.
  void WritePages(PageFile& file, const std::vector<uint32_t>& pages) const;
};

// Size of a value of the type in the fixed area; 0 for variable types.
uint16_t FixedSize(ColumnType type);

// Gives user columns the layout Access gives them: numbers (explicit or
// following on), fixed offsets and variable indexes in column-number order,
// stored lengths (text in bytes of the format) and flags. Throws BuildError
// on duplicate numbers.
std::vector<ColumnRecord> LayOutUserColumns(const std::vector<Column>& columns, const FileFormat& format = {});

// The table's indexes over the records laid out for it, numbered in the
// given order. Throws BuildError for a column the table does not have.
std::vector<IndexRecord> UserIndexes(const Table& table, const std::vector<ColumnRecord>& records);

}  // namespace testdb
