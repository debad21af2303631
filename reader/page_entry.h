// What the page inventory records of one page of the file.
#pragma once

#include <cstdint>
#include <vector>

#include "format/jet_layout.h"
#include "format/page_rows.h"

struct PageEntry {
  int32_t pageNumber = 0;
  int64_t fileOffset = 0;
  int16_t pageType = 0;    // the stored type byte, sign-extended, whatever it holds
  bool jetPage = false;    // it starts as a page of the layout does (reader/page_scan.h)
  bool zeroed = false;     // every byte zero
  uint16_t freeSpace = 0;  // of data and definition pages
  int32_t linkPage = -1;   // owner of a data page; next page of a definition
  int16_t rowCount = 0;    // slots of a data page; low half of a definition's rows
  uint16_t deletedSlots = 0;  // of a data page's slots, those marked deleted
  PageRowSummary rows{};      // of a data page

  bool Is(PageType type) const { return pageType == static_cast<int16_t>(type); }
};

// One entry per page visited; the entry of page n is at position n.
using PageInventory = std::vector<PageEntry>;
