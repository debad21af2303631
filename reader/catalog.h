// The system catalog lends tables their names. It is not read through its
// own definition: its rows sit on the data pages owned by page 2, and the
// three values needed are at fixed places in each row (Id at byte 2, the
// object type at byte 10, the name as the first variable column at byte 32).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/field_readers.h"

struct CatalogEntry {
  int32_t definitionPage = 0;  // the catalog's Id
  int32_t objectType = 0;      // 1 for a table
  std::string name;
};

// The readable rows of one catalog page, in slot order. Deleted rows are read
// like the others; rows too short, with a negative Id or an empty or overlong
// name are left out.
std::vector<CatalogEntry> ReadCatalogPage(ByteSpan page, int32_t rowCount);
