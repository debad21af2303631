#include "tests/support/table_writer.h"

#include <algorithm>

namespace testdb {
namespace {

constexpr uint16_t kMovedAwaySlot = 0x4000;
constexpr uint16_t kMovedHereSlot = 0x8000;
constexpr uint16_t kDeletedSlot = 0xC000;

TableDefinition UserDefinition(const Table& table, const FileFormat& format) {
  TableDefinition d;
  d.format = format;
  d.tableType = table.tableType;
  d.columns = LayOutUserColumns(table.columns, format);
  d.indexes = UserIndexes(table, d.columns);
  for (const ColumnRecord& c : d.columns) d.maxColumns = std::max<uint16_t>(d.maxColumns, static_cast<uint16_t>(c.number + 1));
  if (table.maxColumnsOverride) d.maxColumns = *table.maxColumnsOverride;
  return d;
}

std::vector<uint32_t> ReservePages(PageFile& file, const TableDefinition& definition) {
  uint32_t count = definition.PageCount(definition.Length());
  uint32_t first = file.Allocate(count);
  std::vector<uint32_t> pages;
  for (uint32_t i = 0; i < count; ++i) pages.push_back(first + i);
  return pages;
}

}  // namespace

TableWriter::TableWriter(PageFile& file, const Table& table, const FileFormat& format)
    : file_(file),
      table_(table),
      layout_(*format.layout),
      definition_(UserDefinition(table, format)),
      definitionPages_(ReservePages(file, definition_)),
      encoder_(definition_),
      data_(file, definitionPages_[0], layout_, table.rowsPerPage),
      moved_(file, definitionPages_[0], layout_, table.rowsPerPage),
      freed_(file, definitionPages_[0], layout_, table.rowsPerPage) {}

void TableWriter::WriteRows() {
  for (const Row& row : table_.rows) WriteRow(row);
  if (table_.generator) {
    Row row;
    for (uint64_t i = 0; i < table_.generatedRows; ++i) {
      row.values.clear();
      row.state = RowState::Normal;
      row.rawBytes.reset();
      row.overwrite.clear();
      table_.generator(i, row);
      WriteRow(row);
    }
  }
  data_.Flush();
  moved_.Flush();
  freed_.Flush();
  for (auto& [record, rows] : longValueRows_) rows->Flush();
  uint64_t count = table_.rowCountOverride ? *table_.rowCountOverride : liveRows_;
  if (count > UINT32_MAX) throw BuildError("table " + table_.name + " has too many rows");
  definition_.rowCount = static_cast<uint32_t>(count);
}

void TableWriter::WriteRow(const Row& row) {
  const std::vector<uint8_t>* bytes = row.rawBytes ? &*row.rawBytes : &buffer_;
  if (!row.rawBytes) encoder_.Encode(row.values, this, buffer_);
  std::vector<uint8_t> overwritten;
  if (!row.overwrite.empty()) {
    overwritten = *bytes;
    int64_t at = row.overwriteAt < 0 ? static_cast<int64_t>(overwritten.size()) + row.overwriteAt : row.overwriteAt;
    for (size_t i = 0; i < row.overwrite.size(); ++i)
      if (at >= 0 && static_cast<size_t>(at) + i < overwritten.size()) overwritten[static_cast<size_t>(at) + i] = row.overwrite[i];
    bytes = &overwritten;
  }
  switch (row.state) {
    case RowState::Normal:
      data_.Add(*bytes);
      ++liveRows_;
      break;
    case RowState::Deleted:
      data_.Add(*bytes, kDeletedSlot);
      break;
    case RowState::Moved: {
      RowPointer there = moved_.Add(*bytes, kMovedHereSlot);
      uint8_t pointer[4];
      PutU32(pointer, there.Encoded());
      data_.Add(pointer, kMovedAwaySlot);
      ++liveRows_;
      break;
    }
    case RowState::Freed:
      freed_.Add(*bytes);
      break;
  }
}

RowPages& TableWriter::LongValueRows(size_t record) {
  auto& rows = longValueRows_[record];
  if (!rows) rows = std::make_unique<RowPages>(file_, kLongValueOwner, layout_);
  return *rows;
}

RowPointer TableWriter::StoreSingle(size_t column, std::span<const uint8_t> data) {
  return LongValueRows(column).Add(data);
}

RowPointer TableWriter::StoreChain(size_t column, std::span<const uint8_t> data) {
  // One piece per page, filled as Access fills them.
  const size_t pieceData = ChainPieceData(layout_);
  uint32_t pieces = std::max<uint32_t>(1, static_cast<uint32_t>((data.size() + pieceData - 1) / pieceData));
  uint32_t first = file_.Allocate(pieces);
  std::vector<uint8_t> row;
  for (uint32_t i = 0; i < pieces; ++i) {
    size_t from = i * pieceData;
    size_t n = std::min(pieceData, data.size() - std::min(from, data.size()));
    row.assign(4, 0);
    if (i + 1 < pieces) PutU32(row.data(), RowPointer{first + i + 1, 0}.Encoded());
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(from),
               data.begin() + static_cast<std::ptrdiff_t>(from + n));
    DataPage page(kLongValueOwner, layout_);
    page.Add(row);
    file_.Write(first + i, page.Finish().data());
    chainPages_[column].push_back(first + i);
  }
  return {first, 0};
}

std::vector<uint32_t> TableWriter::DataPages() const {
  std::vector<uint32_t> pages = data_.pages();
  pages.insert(pages.end(), moved_.pages().begin(), moved_.pages().end());
  std::sort(pages.begin(), pages.end());
  return pages;
}

std::vector<uint32_t> TableWriter::LongValuePages(size_t record) const {
  std::vector<uint32_t> pages;
  if (auto it = longValueRows_.find(record); it != longValueRows_.end()) pages = it->second->pages();
  if (auto it = chainPages_.find(record); it != chainPages_.end())
    pages.insert(pages.end(), it->second.begin(), it->second.end());
  std::sort(pages.begin(), pages.end());
  return pages;
}

std::vector<uint32_t> TableWriter::LongValuePages() const {
  std::vector<uint32_t> pages;
  for (size_t i = 0; i < definition_.columns.size(); ++i) {
    std::vector<uint32_t> own = LongValuePages(i);
    pages.insert(pages.end(), own.begin(), own.end());
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

}  // namespace testdb
