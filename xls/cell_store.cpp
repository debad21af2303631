#include "xls/cell_store.h"

#include <algorithm>

namespace xls {

Cell& CellStore::Append(uint16_t row, uint8_t column) {
  if (chunks_.empty() || chunks_.back().size() >= kChunkCells) {
    chunks_.emplace_back();
    chunks_.back().reserve(kChunkCells);
  }
  Cell& cell = chunks_.back().emplace_back();
  cell.row = row;
  cell.column = column;
  ++count_;
  return cell;
}

Cell& CellStore::At(uint16_t row, uint8_t column) {
  uint32_t position = uint32_t{row} << 8 | column;
  if (chunks_.empty() || chunks_.back().back().Position() < position) return Append(row, column);
  if (chunks_.back().back().Position() == position) return chunks_.back().back();

  // The first chunk whose last cell is at or after the position.
  auto chunk = std::partition_point(chunks_.begin(), chunks_.end(), [&](const std::vector<Cell>& c) {
    return c.back().Position() < position;
  });
  auto at = std::partition_point(chunk->begin(), chunk->end(),
                                 [&](const Cell& c) { return c.Position() < position; });
  if (at->Position() == position) return *at;
  // A chunk may grow past its nominal size: inserts are rare (a row
  // written again with more columns).
  Cell inserted;
  inserted.row = row;
  inserted.column = column;
  ++count_;
  ++moves_;
  return *chunk->insert(at, inserted);
}

}  // namespace xls
