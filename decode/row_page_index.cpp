#include "decode/row_page_index.h"

#include <algorithm>

#include "format/field_readers.h"
#include "reader/mdb_file.h"
#include "reader/table_def.h"

namespace {

// Slots of a data page as the row reader counts them: the inventory's.
int32_t SlotCount(const MdbFile& db, int32_t page) {
  if (page < 0 || static_cast<size_t>(page) >= db.pages.size()) return 0;
  return std::max<int32_t>(0, db.pages[static_cast<size_t>(page)].rowCount);
}

// The row reader leaves out slots that carry the deleted bit (deleted or
// moved-away rows).
bool IsLiveSlot(const MdbFile& db, ByteSpan page, int32_t slot) {
  const JetLayout& layout = db.Layout();
  return (ReadWord(page, layout.rowOffsetTable + 2 * int64_t{slot}) & layout.deletedRowFlag) == 0;
}

// Reads one data page into buffer; false when it cannot be read.
bool ReadDataPage(MdbFile& db, int32_t page, std::vector<uint8_t>& buffer) {
  if (db.PageSize() <= 0) return false;
  buffer.resize(static_cast<size_t>(db.PageSize()));
  return db.ReadPage(buffer.data(), page) > 0;
}

}  // namespace

void RowPageIndex::Clear() {
  rowsBefore_.clear();
  built_ = false;
}

void RowPageIndex::Build(MdbFile& db, const TableDef& table) {
  Clear();
  rowsBefore_.reserve(table.dataPages.size() + 1);
  std::vector<uint8_t> buffer;
  int64_t rows = 0;
  for (int32_t page : table.dataPages) {
    rowsBefore_.push_back(rows);
    const int32_t slots = SlotCount(db, page);
    if (slots == 0 || !ReadDataPage(db, page, buffer)) continue;
    for (int32_t slot = 0; slot < slots; ++slot) rows += IsLiveSlot(db, buffer, slot) ? 1 : 0;
  }
  rowsBefore_.push_back(rows);
  built_ = true;
}

bool RowPageIndex::Locate(MdbFile& db, const TableDef& table, int64_t row,
                          RowPosition& position) const {
  if (row < 0 || row >= liveRows()) return false;
  // The last page whose rows start at or before `row` holds it.
  auto after = std::upper_bound(rowsBefore_.begin(), rowsBefore_.end() - 1, row);
  const auto index = static_cast<int32_t>(after - rowsBefore_.begin() - 1);
  const int32_t page = table.dataPages[static_cast<size_t>(index)];
  std::vector<uint8_t> buffer;
  if (!ReadDataPage(db, page, buffer)) return false;
  int64_t seen = rowsBefore_[static_cast<size_t>(index)];
  const int32_t slots = SlotCount(db, page);
  for (int32_t slot = 0; slot < slots; ++slot) {
    if (!IsLiveSlot(db, buffer, slot)) continue;
    if (seen++ == row) {
      position = {row, index, slot};
      return true;
    }
  }
  return false;
}
