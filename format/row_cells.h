// The cells of the last row decoded, indexed by column number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/value.h"

// The text of one value: UTF-8, may hold zero bytes (the character U+0000);
// empty when absent.
using CellText = std::string;

struct CellSlot {
  int32_t present = -1;
  int32_t size = 0;
  CellText text;  // the value's rendering as the grid and the sheets show it
  Value value;    // the value itself, for the typed outputs
};

using RowCells = std::vector<CellSlot>;
