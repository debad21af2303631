// Usage maps: the set of pages that belong to a table, a long-value column or
// an index, stored as a 69-byte row that the definition points at. The inline
// form holds 512 bits from a start page; the reference form points at bitmap
// pages that cover 32,736 pages each, for sets that spread wider.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/page_file.h"

namespace testdb {

// The map row for `pages` (any order). Bitmap pages of the reference form are
// allocated and written through `file`.
std::vector<uint8_t> EncodeUsageMap(std::vector<uint32_t> pages, PageFile& file);

}  // namespace testdb
