// The cells of one worksheet, in row and column order: eight bytes a cell,
// kept in chunks so that a full sheet neither wastes half its memory on
// vector growth nor is copied when it grows. Cells are written row by row,
// so finding the cell just written, or appending after it, costs nothing;
// anything else is a binary search.
#pragma once

#include <cstdint>
#include <vector>

#include "xls/string_table.h"

namespace xls {

struct Cell {
  uint32_t text = StringTable::kNone;  // string index; kNone for a cell without a value
  uint16_t row = 0;
  uint8_t column = 0;
  uint8_t format = 0;  // slot of the workbook's FormatTable

  uint32_t Position() const { return uint32_t{row} << 8 | column; }
};
static_assert(sizeof(Cell) == 8);

class CellStore {
 public:
  // The cell, added without value or format when it is not there yet.
  Cell& At(uint16_t row, uint8_t column);
  size_t Count() const { return count_; }
  // Changes whenever cells may have moved in memory (a cell inserted before
  // others); a reference from At stays good while it is the same.
  uint32_t Moves() const { return moves_; }

  // Every cell in row and column order.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& chunk : chunks_) {
      for (const Cell& cell : chunk) f(cell);
    }
  }

 private:
  static constexpr size_t kChunkCells = 8192;

  Cell& Append(uint16_t row, uint8_t column);

  std::vector<std::vector<Cell>> chunks_;
  size_t count_ = 0;
  uint32_t moves_ = 0;
};

}  // namespace xls
