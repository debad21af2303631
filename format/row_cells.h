// The cells of the last row decoded, indexed by column number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text of one value: UTF-8, may hold zero bytes (the character U+0000);
// "NULL" when absent.
using CellText = std::string;

struct CellSlot {
  int32_t present = -1;
  int32_t size = 0;
  CellText text;
};

using RowCells = std::vector<CellSlot>;
