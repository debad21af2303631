// Streams one user table into the file: its rows into data pages owned by its
// definition page (moved rows into pages of their own), its memo and OLE
// values into LVAL pages per column. The definition pages are reserved first
// and written last, once the row count and map pointers are known.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "tests/support/page_file.h"
#include "tests/support/row_encoder.h"
#include "tests/support/table_definition.h"
#include "tests/support/test_db_builder.h"

namespace testdb {

class TableWriter : public LongValueSink {
 public:
  // Lays out the columns and reserves the definition pages.
  TableWriter(PageFile& file, const Table& table, const FileFormat& format);
  // Writes every row, the given ones and then the generated ones.
  void WriteRows();

  const Table& table() const { return table_; }
  TableDefinition& definition() { return definition_; }
  const std::vector<uint32_t>& definitionPages() const { return definitionPages_; }
  uint64_t liveRows() const { return liveRows_; }
  // The table's data pages, moved-row pages included, in page order: the
  // pages its usage map lists.
  std::vector<uint32_t> DataPages() const;
  // Pages with the table's number that the map leaves out.
  const std::vector<uint32_t>& FreedPages() const { return freed_.pages(); }
  // LVAL pages of one column (record position), or of all columns.
  std::vector<uint32_t> LongValuePages(size_t record) const;
  std::vector<uint32_t> LongValuePages() const;

  RowPointer StoreSingle(size_t column, std::span<const uint8_t> data) override;
  RowPointer StoreChain(size_t column, std::span<const uint8_t> data) override;

 private:
  void WriteRow(const Row& row);
  RowPages& LongValueRows(size_t record);

  PageFile& file_;
  const Table& table_;
  const JetLayout& layout_;
  TableDefinition definition_;
  std::vector<uint32_t> definitionPages_;
  RowEncoder encoder_;
  RowPages data_;
  RowPages moved_;
  RowPages freed_;
  std::map<size_t, std::unique_ptr<RowPages>> longValueRows_;
  std::map<size_t, std::vector<uint32_t>> chainPages_;
  std::vector<uint8_t> buffer_;
  uint64_t liveRows_ = 0;
};

}  // namespace testdb
