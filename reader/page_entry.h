// What the page inventory records of one page of the file.
#pragma once

#include <cstdint>
#include <vector>

struct PageEntry {
  int32_t pageNumber = 0;
  int64_t fileOffset = 0;
  int16_t pageType = 0;    // signed byte at offset 0: 1 data, 2 table definition
  uint16_t freeSpace = 0;  // word at offset 2 of data and definition pages
  int32_t linkPage = -1;   // owner of a data page; next page of a definition
  int16_t rowCount = 0;    // slots of a data page; low half of a definition's rows
};

// One entry per page visited; the entry of page n is at position n.
using PageInventory = std::vector<PageEntry>;

// The four bytes "LVAL" at offset 4 mark a long-value page.
constexpr int32_t kLongValuePageLink = 0x4C41564C;
