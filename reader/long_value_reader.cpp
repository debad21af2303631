#include "reader/long_value_reader.h"

RowLookup FindLongValueRow(const MdbFile& db, RowPointer pointer, LongValuePage& buffer, ByteSpan& row) {
  const JetLayout& layout = db.Layout();
  if (pointer.page < 0 || static_cast<size_t>(pointer.page) >= db.pages.size()) return RowLookup::kOutsideFile;
  const PageEntry& entry = db.pages[static_cast<size_t>(pointer.page)];
  if (!entry.Is(PageType::Data) || entry.linkPage != layout.longValueMark) return RowLookup::kNotLongValuePage;
  if (pointer.row >= entry.rowCount) return RowLookup::kNoSuchRow;
  int64_t pageSize = layout.pageSize;
  if (pageSize <= 0 || pageSize > static_cast<int64_t>(buffer.size()) || db.ReadPage(buffer.data(), pointer.page) <= 0)
    return RowLookup::kBadBounds;
  ByteSpan page(buffer.data(), static_cast<size_t>(pageSize));
  int64_t slots = layout.rowOffsetTable;
  int64_t start = ReadUInt16(page, slots + 2 * pointer.row) & layout.rowOffsetMask;
  int64_t end = pointer.row == 0 ? pageSize : ReadUInt16(page, slots + 2 * (pointer.row - 1)) & layout.rowOffsetMask;
  if (start > end || end > pageSize) return RowLookup::kBadBounds;
  row = page.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start));
  return RowLookup::kFound;
}

bool ReadLongValue(const MdbFile& db, ByteSpan page, int64_t position, int64_t length, std::string& bytes) {
  bytes.clear();
  LongValueField field(db.Layout(), page, position);
  if (length < field.size) return false;
  LongValuePage buffer;
  switch (field.storage) {
    case Storage::kInline:
      bytes = BytesAsText(page, position + field.size, length - field.size);
      break;
    case Storage::kSingleRow: {
      ByteSpan row;
      if (FindLongValueRow(db, field.pointer, buffer, row) != RowLookup::kFound) return false;
      bytes.assign(reinterpret_cast<const char*>(row.data()), row.size());
      break;
    }
    case Storage::kChain:
      if (WalkLongValueChain(db, field.pointer, buffer, [&bytes](ByteSpan piece) {
            bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
          }) != RowLookup::kFound)
        return false;
      break;
    case Storage::kUnknown:
      return false;
  }
  return static_cast<int64_t>(bytes.size()) == field.statedLength;
}
