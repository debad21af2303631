// Rows whose table definition is lost. A data page names its table by the
// table's definition page; when that page is gone or damaged, the data
// pages of each such owner become a table of their own, whose columns
// come from the rows themselves: the fixed data as one BINARY column
// ("Fixed data"), the fixed columns and booleans its rows' bytes suggest
// (reader/fixed_column_inference.h), then one column per variable value
// ("Value 1", ...), typed by what most of its values are.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/row_structure.h"
#include "reader/catalog.h"
#include "reader/table_def.h"

class MdbFile;

// What a variable value of such a row is taken for, value by value.
enum class OrphanValue {
  Empty,      // no bytes
  LongValue,  // a memo's field: inline data of its stated length, or a pointer to a long-value row
  Text,       // stored text that reads as text
  Bytes,      // anything else, shown in hexadecimal
};

// The length bytes at start of page.
OrphanValue ClassifyOrphanValue(const MdbFile& db, ByteSpan page, int64_t start, int64_t length);

// The structure of a row of such a table (format/row_structure.h), read by
// the strict rules; with an offset table it must hold a value.
bool ReadOrphanRow(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                   RowStructure& row);

// One table per owner whose definition is lost, in owner order,
// each with its data pages, columns and the count of rows whose structure
// holds; an owner none of whose rows holds gives none. Named with the
// provisional kOrphanPrefix (recovery_naming.h). The catalog row of an
// owner, when one survived, names the guessed columns.
TableList FindOrphanTables(const MdbFile& db, const std::vector<CatalogEntry>& catalog);
