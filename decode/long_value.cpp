#include "decode/long_value.h"

#include <cstdio>
#include <vector>

#include "decode/ole_file_writer.h"
#include "decode/value_decoders.h"
#include "reader/long_value_reader.h"

namespace {

constexpr char kOleMarker[] = "#OLEOBJECT";

void SetFlagsMessage(const char* format, uint16_t flags, Value& out) {
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(flags));
  out.Clear();
  out.kind = ValueKind::Marker;
  out.text.assign(text);
}

void SetText(ByteSpan stored, Value& out) {
  out.Clear();
  out.kind = ValueKind::Text;
  AppendStoredText(stored, 0, static_cast<int64_t>(stored.size()), out.text);
}

// The object written as the next file; the value keeps the bytes the file
// holds.
void SetOle(OleFileWriter& files, std::string& payload, Value& out) {
  out.Clear();
  out.kind = ValueKind::Ole;
  out.path = files.Write(payload);
  out.bytes = std::move(payload);
}

ByteSpan AsBytes(const std::string& bytes) {
  return ByteSpan(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int DecodeMemo(const MdbFile& db, ByteSpan page, int64_t position, int64_t length, Value& out) {
  LongValueField field(db.Layout(), page, position);
  if (length < field.size) return -1;
  LongValuePage buffer;
  switch (field.storage) {
    case Storage::kInline:
      SetText(BytesInside(page, position + field.size, length - field.size), out);
      return 1;
    case Storage::kSingleRow: {
      ByteSpan row;
      RowLookup lookup = FindLongValueRow(db, field.pointer, buffer, row);
      if (lookup == RowLookup::kBadBounds) return -1;
      SetText(lookup == RowLookup::kFound ? row : ByteSpan(), out);
      return 1;
    }
    case Storage::kChain: {
      // Whatever stops the chain keeps the text gathered so far. The pieces
      // are one stored text: a character may lie across two of them.
      std::vector<uint8_t> stored;
      WalkLongValueChain(db, field.pointer, buffer,
                         [&stored](ByteSpan piece) { stored.insert(stored.end(), piece.begin(), piece.end()); });
      SetText(stored, out);
      return 1;
    }
    case Storage::kUnknown:
      SetFlagsMessage("Unhandled memo field flags = %04x\n", field.flags, out);
      return 1;
  }
  return -1;
}

int DecodeIntactLongValue(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position,
                          int64_t length, bool isOle, Value& out) {
  out.Clear();
  std::string payload;
  if (!ReadLongValue(db, page, position, length, payload) || payload.empty()) return -1;
  if (isOle)
    SetOle(files, payload, out);
  else
    SetText(AsBytes(payload), out);
  return 1;
}

int DecodeOle(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position, int64_t length,
              Value& out) {
  LongValueField field(db.Layout(), page, position);
  if (length < field.size || position < 0 || position + length >= static_cast<int64_t>(page.size())) return -1;
  LongValuePage buffer;
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
      RowLookup end = WalkLongValueChain(db, field.pointer, buffer, [&payload](ByteSpan piece) {
        payload.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      });
      if (end == RowLookup::kNoSuchRow || end == RowLookup::kBadBounds) return -1;
      break;
    }
    case Storage::kUnknown:
      SetFlagsMessage("Unhandled OLE field flag = %04x\n", field.flags, out);
      return -1;
  }
  SetOle(files, payload, out);
  return 1;
}
