// Complex columns as Access stores them. The table keeps a 4-byte id in each
// row; the column's values are the rows of a flat table
// ("f_<32 hex>_<column>": the id as "_<column>", the row's own key
// "<table>_<column>", then the value columns), whose shape a type table
// describes (MSysComplexType_Attachment, MSysComplexType_Text,
// MSysComplexTypeVH_<hex>), and the rows of MSysComplexColumns tie each
// column, by the id in its record, to both.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/test_db_builder.h"

namespace testdb {

class ComplexTables {
 public:
  // Prepares the tables as they are written: a table without complex
  // columns as it is, one with them as a copy whose cells hold the ids; and
  // the flat and type tables of its columns.
  explicit ComplexTables(const std::vector<std::unique_ptr<Table>>& tables);

  // The user's tables, in the order added.
  const std::vector<const Table*>& userTables() const { return user_; }
  // The flat tables, then the type tables.
  const std::vector<const Table*>& valueTables() const { return values_; }
  // MSysComplexColumns, one row per complex column, given the definition
  // page each table was written at; none when there is no complex column.
  std::unique_ptr<Table> CatalogTable(const std::function<uint32_t(const Table&)>& pageOf) const;

  // FileData as Access stores an attachment.
  static std::vector<uint8_t> WrapAttachment(const Attachment& file);

 private:
  struct Entry {
    const Table* owner;
    const Table* flat;
    const Table* type;
    std::string column;
    uint32_t complexId;
  };
  const Table* Keep(std::unique_ptr<Table> table, std::vector<const Table*>& list);

  std::vector<std::unique_ptr<Table>> made_;
  std::vector<const Table*> user_, values_;
  std::vector<Entry> entries_;
};

}  // namespace testdb
