// The cells of the last row decoded, indexed by column number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text of one value: single-byte, may hold zero bytes; "NULL" when absent.
using CellText = std::string;

struct CellSlot {
  int32_t present = -1;
  int32_t size = 0;
  CellText text;
};

using RowCells = std::vector<CellSlot>;
