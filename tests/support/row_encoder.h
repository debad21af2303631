// Turns the values of one row into a stored row: column count, fixed area,
// variable data, the offset table read backwards from the end (with its
// jump table in Access 97), null mask; in the widths of the definition's
// format.
// Memo and OLE values too long to stay in the row are handed to a
// LongValueSink, which puts them on long-value pages.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tests/support/page_file.h"
#include "tests/support/table_definition.h"
#include "tests/support/test_db_builder.h"

namespace testdb {

class LongValueSink {
 public:
  virtual ~LongValueSink() = default;
  // `column` is the position of the column's record.
  virtual RowPointer StoreSingle(size_t column, std::span<const uint8_t> data) = 0;
  virtual RowPointer StoreChain(size_t column, std::span<const uint8_t> data) = 0;
};

// Data up to this size stays in the row when the storage is Auto.
constexpr size_t kInlineLimit = 64;
// Data of one piece of a chain, as Access fills it (4076-byte rows; 2036 in
// Access 97).
inline size_t ChainPieceData(const JetLayout& layout) {
  return static_cast<size_t>(layout.longValueChainRowSize - layout.longValueLinkSize);
}

class RowEncoder {
 public:
  explicit RowEncoder(const TableDefinition& definition);
  // `values` in record order (missing ones are NULL); `sink` may be null when
  // no value needs long-value pages. Throws BuildError when a value does not
  // suit its column.
  void Encode(const std::vector<Value>& values, LongValueSink* sink, std::vector<uint8_t>& out);

 private:
  void PutFixed(const ColumnRecord& column, const Value& value, uint8_t* at) const;
  void AppendCalculated(const ColumnRecord& column, const Value& value, std::vector<uint8_t>& out) const;
  void AppendVariable(size_t record, const Value& value, LongValueSink* sink, std::vector<uint8_t>& out);
  // One-byte offsets, then the jump table and the count.
  void AppendShortOffsets(std::vector<uint8_t>& out) const;

  const TableDefinition& definition_;
  uint16_t columnCount_;
  size_t fixedSize_ = 0;
  std::vector<size_t> variableRecords_;  // record positions by variable index
  // Scratch space reused from row to row.
  std::vector<uint8_t> mask_;
  std::vector<uint16_t> starts_;
  std::vector<uint8_t> longValue_;
};

}  // namespace testdb
