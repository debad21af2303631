#include "decode/long_value.h"

#include <array>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "decode/value_decoders.h"
#include "platform/folders.h"
#include "reader/mdb_file.h"

namespace {

constexpr char kMemoMarker[] = "#MEMO";
constexpr char kOleMarker[] = "#OLEOBJECT";
constexpr int kFieldSize = 12;

// The top two bits of the field's 32-bit length word.
constexpr uint16_t kInlineFlag = 0x8000;
constexpr uint16_t kSingleRowFlag = 0x4000;

using PageBuffer = std::array<uint8_t, TableDef::kPageSize>;

// A (page, row) pointer of the long-value field or of a chain link: the row
// in the first byte, the page in the next three.
struct RowPointer {
  int32_t row;
  int32_t page;
};

RowPointer ReadRowPointer(ByteSpan buffer, int64_t at) {
  // Unsigned: a long-value page can hold up to 255 rows.
  return {ReadSignedByte(buffer, at) & 0xFF, ReadUInt24(buffer, at + 1)};
}

enum class RowLookup { kOutsideFile, kNotLongValuePage, kNoSuchRow, kBadBounds, kFound };

// Reads the page of pointer into buffer and finds the row's bytes: from its
// start to the byte before the previous row's start (row 0: to the page end).
RowLookup FindLongValueRow(MdbFile& db, RowPointer pointer, PageBuffer& buffer, ByteSpan& row) {
  if (pointer.page < 0 || static_cast<size_t>(pointer.page) >= db.pages.size()) return RowLookup::kOutsideFile;
  const PageEntry& entry = db.pages[static_cast<size_t>(pointer.page)];
  if (entry.pageType != 1 || entry.linkPage != kLongValuePageLink) return RowLookup::kNotLongValuePage;
  if (pointer.row >= entry.rowCount) return RowLookup::kNoSuchRow;
  int64_t pageSize = db.pageSize;
  if (pageSize <= 0 || pageSize > static_cast<int64_t>(buffer.size()) || db.ReadPage(buffer.data(), pointer.page) <= 0)
    return RowLookup::kBadBounds;
  ByteSpan page(buffer.data(), static_cast<size_t>(pageSize));
  int64_t slots = db.dataRowCountOffset + 2;
  int64_t start = ReadUInt16(page, slots + 2 * pointer.row) & 0x1FFF;
  int64_t end = pointer.row == 0 ? pageSize : ReadUInt16(page, slots + 2 * (pointer.row - 1)) & 0x1FFF;
  if (start > end || end > pageSize) return RowLookup::kBadBounds;
  row = page.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start));
  return RowLookup::kFound;
}

// Walks a chain of long-value rows, handing each row's data (after its
// 4-byte link) to piece. The walk ends well (kFound) at a link to page 0, at
// a row it has already been to, or after as many rows as the file has pages;
// otherwise it ends with the lookup that failed.
template <typename Piece>
RowLookup WalkChain(MdbFile& db, RowPointer pointer, PageBuffer& buffer, Piece piece) {
  auto key = [](RowPointer p) { return static_cast<uint32_t>(p.page) << 8 | static_cast<uint32_t>(p.row); };
  std::unordered_set<uint32_t> seen{key(pointer)};
  for (size_t steps = 0; steps < db.pages.size(); ++steps) {
    ByteSpan row;
    RowLookup lookup = FindLongValueRow(db, pointer, buffer, row);
    if (lookup != RowLookup::kFound) return lookup;
    if (row.size() < 4) return RowLookup::kBadBounds;
    piece(row.subspan(4));
    pointer = ReadRowPointer(row, 0);
    if (pointer.page == 0 || !seen.insert(key(pointer)).second) break;
  }
  return RowLookup::kFound;
}

std::string FlagsMessage(const char* format, uint16_t flags) {
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(flags));
  return text;
}

// Writes the object as the next "OleN.ext" of the temp folder; the path is
// what the cell shows, written or not.
std::string WriteOleFile(MdbFile& db, std::string& payload) {
  ++db.oleFileCounter;
  std::string folder = (db.programFolder.empty() ? platform::ProgramFolder() : db.programFolder) + "TempOLeFiles";
  platform::CreateFolder(folder);
  std::string extension;
  IdentifyOleObject(payload, extension);
  if (extension.empty()) extension = "ole";
  std::string path = folder + "/Ole" + std::to_string(db.oleFileCounter) + "." + extension;
  if (FILE* file = std::fopen(path.c_str(), "wb+")) {
    std::fwrite(payload.data(), 1, payload.size(), file);
    std::fclose(file);
  }
  return path;
}

}  // namespace

int DecodeMemo(MdbFile& db, ByteSpan page, int64_t position, CellText& out, int64_t length) {
  if (length < kFieldSize) return -1;
  uint16_t flags = ReadWord(page, position + 2);
  RowPointer pointer = ReadRowPointer(page, position + 4);
  PageBuffer buffer;
  switch (flags & (kInlineFlag | kSingleRowFlag)) {
    case kInlineFlag:
      out.clear();
      AppendStoredText(page, position + kFieldSize, length - kFieldSize, out);
      break;
    case kSingleRowFlag: {
      ByteSpan row;
      RowLookup lookup = FindLongValueRow(db, pointer, buffer, row);
      if (lookup == RowLookup::kBadBounds) return -1;
      out.clear();
      if (lookup == RowLookup::kFound) AppendStoredText(row, 0, static_cast<int64_t>(row.size()), out);
      break;
    }
    case 0: {
      // Whatever stops the chain keeps the text gathered so far. The pieces
      // are one stored text: a character may lie across two of them.
      std::vector<uint8_t> stored;
      WalkChain(db, pointer, buffer,
                [&stored](ByteSpan piece) { stored.insert(stored.end(), piece.begin(), piece.end()); });
      out.clear();
      AppendStoredText(stored, 0, static_cast<int64_t>(stored.size()), out);
      break;
    }
    default:
      out = FlagsMessage("Unhandled memo field flags = %04x\n", flags);
      return 1;
  }
  if (out.empty() || out == kMemoMarker) out.assign(kNullText);
  return 1;
}

int DecodeOle(MdbFile& db, ByteSpan page, int64_t position, CellText& out, int64_t length) {
  if (length < kFieldSize || position < 0 || position + length >= static_cast<int64_t>(page.size())) return -1;
  uint16_t flags = ReadWord(page, position + 2);
  RowPointer pointer = ReadRowPointer(page, position + 4);
  PageBuffer buffer;
  std::string payload = kOleMarker;
  switch (flags & (kInlineFlag | kSingleRowFlag)) {
    case kInlineFlag:
      payload = BytesAsText(page, position + kFieldSize, length - kFieldSize);
      break;
    case kSingleRowFlag: {
      ByteSpan row;
      RowLookup lookup = FindLongValueRow(db, pointer, buffer, row);
      // A pointer to a page that is not a long-value page still gives a file.
      if (lookup == RowLookup::kOutsideFile || lookup == RowLookup::kNoSuchRow || lookup == RowLookup::kBadBounds)
        return -1;
      if (lookup == RowLookup::kFound) payload.assign(reinterpret_cast<const char*>(row.data()), row.size());
      break;
    }
    case 0: {
      // A link that leaves the long-value pages ends the object; a broken row
      // on one of them loses it.
      payload.clear();
      RowLookup end = WalkChain(db, pointer, buffer, [&payload](ByteSpan piece) {
        payload.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      });
      if (end == RowLookup::kNoSuchRow || end == RowLookup::kBadBounds) return -1;
      break;
    }
    default:
      out = FlagsMessage("Unhandled OLE field flag = %04x\n", flags);
      return -1;
  }
  out = WriteOleFile(db, payload);
  return 1;
}
