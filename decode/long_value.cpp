#include "decode/long_value.h"

#include <array>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "decode/ole_file_writer.h"
#include "decode/value_decoders.h"
#include "format/long_value_field.h"
#include "reader/mdb_file.h"

namespace {

constexpr char kMemoMarker[] = "#MEMO";
constexpr char kOleMarker[] = "#OLEOBJECT";

// On the stack: a value decoded inline allocates nothing.
using PageBuffer = std::array<uint8_t, kMaxPageSize>;

enum class RowLookup { kOutsideFile, kNotLongValuePage, kNoSuchRow, kBadBounds, kFound, kLooped };

// Reads the page of pointer into buffer and finds the row's bytes: from its
// start to the byte before the previous row's start (row 0: to the page end).
RowLookup FindLongValueRow(const MdbFile& db, RowPointer pointer, PageBuffer& buffer, ByteSpan& row) {
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

// Walks a chain of long-value rows, handing each row's data (after its
// link to the next row) to piece. The walk ends well at a link to page 0
// (kFound), or at a row it has already been to or after as many rows as the
// file has pages (kLooped); otherwise it ends with the lookup that failed.
template <typename Piece>
RowLookup WalkChain(const MdbFile& db, RowPointer pointer, PageBuffer& buffer, Piece piece) {
  const size_t linkSize = static_cast<size_t>(db.Layout().longValueLinkSize);
  auto key = [](RowPointer p) { return static_cast<uint32_t>(p.page) << 8 | static_cast<uint32_t>(p.row); };
  std::unordered_set<uint32_t> seen{key(pointer)};
  for (size_t steps = 0; steps < db.pages.size(); ++steps) {
    ByteSpan row;
    RowLookup lookup = FindLongValueRow(db, pointer, buffer, row);
    if (lookup != RowLookup::kFound) return lookup;
    if (row.size() < linkSize) return RowLookup::kBadBounds;
    piece(row.subspan(linkSize));
    pointer = ReadRowPointer(row, 0);
    if (pointer.page == 0) return RowLookup::kFound;
    if (!seen.insert(key(pointer)).second) break;
  }
  return RowLookup::kLooped;
}

std::string FlagsMessage(const char* format, uint16_t flags) {
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(flags));
  return text;
}

}  // namespace

int DecodeMemo(const MdbFile& db, ByteSpan page, int64_t position, CellText& out, int64_t length) {
  LongValueField field(db.Layout(), page, position);
  if (length < field.size) return -1;
  PageBuffer buffer;
  switch (field.storage) {
    case Storage::kInline:
      out.clear();
      db.Text().Append(BytesInside(page, position + field.size, length - field.size), out);
      break;
    case Storage::kSingleRow: {
      ByteSpan row;
      RowLookup lookup = FindLongValueRow(db, field.pointer, buffer, row);
      if (lookup == RowLookup::kBadBounds) return -1;
      out.clear();
      if (lookup == RowLookup::kFound) db.Text().Append(row, out);
      break;
    }
    case Storage::kChain: {
      // Whatever stops the chain keeps the text gathered so far. The pieces
      // are one stored text: a character may lie across two of them.
      std::vector<uint8_t> stored;
      WalkChain(db, field.pointer, buffer,
                [&stored](ByteSpan piece) { stored.insert(stored.end(), piece.begin(), piece.end()); });
      out.clear();
      db.Text().Append(stored, out);
      break;
    }
    case Storage::kUnknown:
      out = FlagsMessage("Unhandled memo field flags = %04x\n", field.flags);
      return 1;
  }
  if (out.empty() || out == kMemoMarker) out.assign(kNullText);
  return 1;
}

int DecodeIntactLongValue(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position,
                          int64_t length, bool isOle, CellText& out) {
  out.assign(kNullText);
  LongValueField field(db.Layout(), page, position);
  if (length < field.size) return -1;
  PageBuffer buffer;
  std::string payload;
  switch (field.storage) {
    case Storage::kInline:
      payload = BytesAsText(page, position + field.size, length - field.size);
      break;
    case Storage::kSingleRow: {
      ByteSpan row;
      if (FindLongValueRow(db, field.pointer, buffer, row) != RowLookup::kFound) return -1;
      payload.assign(reinterpret_cast<const char*>(row.data()), row.size());
      break;
    }
    case Storage::kChain:
      if (WalkChain(db, field.pointer, buffer, [&payload](ByteSpan piece) {
            payload.append(reinterpret_cast<const char*>(piece.data()), piece.size());
          }) != RowLookup::kFound)
        return -1;
      break;
    case Storage::kUnknown:
      return -1;
  }
  if (static_cast<int64_t>(payload.size()) != field.statedLength || payload.empty()) return -1;
  if (isOle) {
    out = files.Write(payload);
  } else {
    out.clear();
    db.Text().Append(ByteSpan(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()), out);
    if (out.empty()) out.assign(kNullText);
  }
  return 1;
}

int DecodeOle(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position, CellText& out,
              int64_t length) {
  LongValueField field(db.Layout(), page, position);
  if (length < field.size || position < 0 || position + length >= static_cast<int64_t>(page.size())) return -1;
  PageBuffer buffer;
  std::string payload = kOleMarker;
  switch (field.storage) {
    case Storage::kInline:
      payload = BytesAsText(page, position + field.size, length - field.size);
      break;
    case Storage::kSingleRow: {
      ByteSpan row;
      RowLookup lookup = FindLongValueRow(db, field.pointer, buffer, row);
      // A pointer to a page that is not a long-value page still gives a file.
      if (lookup == RowLookup::kOutsideFile || lookup == RowLookup::kNoSuchRow || lookup == RowLookup::kBadBounds)
        return -1;
      if (lookup == RowLookup::kFound) payload.assign(reinterpret_cast<const char*>(row.data()), row.size());
      break;
    }
    case Storage::kChain: {
      // A link that leaves the long-value pages ends the object; a broken row
      // on one of them loses it.
      payload.clear();
      RowLookup end = WalkChain(db, field.pointer, buffer, [&payload](ByteSpan piece) {
        payload.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      });
      if (end == RowLookup::kNoSuchRow || end == RowLookup::kBadBounds) return -1;
      break;
    }
    case Storage::kUnknown:
      out = FlagsMessage("Unhandled OLE field flag = %04x\n", field.flags);
      return -1;
  }
  out = files.Write(payload);
  return 1;
}
