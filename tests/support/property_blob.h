// The property blob of a table, as the LvProp value of its catalog row
// holds it: "MR2\0", a block of names, then a block for the table's own
// properties and one per column that has any.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/test_db_builder.h"

namespace testdb {

// The table's properties and, for each calculated column, its ResultType
// (a byte) and Expression (a memo). Empty when there are none.
std::vector<uint8_t> TablePropertyBlob(const Table& table);

}  // namespace testdb
