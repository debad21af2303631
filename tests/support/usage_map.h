// Usage maps: the set of pages that belong to a table, a long-value column or
// an index, stored as a row that the definition points at (69 bytes, 133 in
// Access 97). The inline form holds 512 bits (1024) from a start page; the
// reference form points at bitmap pages that cover 32,736 pages each
// (16,352), for sets that spread wider.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/page_file.h"

namespace testdb {

// The map row for `pages` (any order). Bitmap pages of the reference form are
// allocated and written through `file`.
std::vector<uint8_t> EncodeUsageMap(std::vector<uint32_t> pages, PageFile& file, const JetLayout& layout = kJet4Layout);

}  // namespace testdb
