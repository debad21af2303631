#include "decode/long_value.h"

#include <algorithm>
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

void SetText(const MdbFile& db, ByteSpan stored, Value& out) {
  out.Clear();
  out.kind = ValueKind::Text;
  db.Text().Append(stored, out.text);
}

// The object written as the next file, cut to its own bytes where it is a
// kind the writer knows; the value keeps it as the database stores it, as
// the database outputs load it.
void SetOle(OleFileWriter& files, std::string& payload, Value& out) {
  out.Clear();
  out.kind = ValueKind::Ole;
  out.bytes = payload;
  out.path = files.Write(payload);
}

ByteSpan AsBytes(const std::string& bytes) {
  return ByteSpan(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// A chain that ran into foreign pages, ended early or overran: past the
// stated length lies what is not the value's; short of it, what was lost.
// How many of the size bytes read to keep; damaged when they are not the
// value whole. A field stating no length and pointing nowhere is empty.
size_t KeptSize(const LongValueField& field, bool ended, size_t size, bool& damaged) {
  damaged = (!ended && field.statedLength > 0) || static_cast<int64_t>(size) != field.statedLength;
  return std::min(size, static_cast<size_t>(std::max<int64_t>(0, field.statedLength)));
}

}  // namespace

int DecodeMemo(const MdbFile& db, ByteSpan page, int64_t position, int64_t length, Value& out) {
  LongValueField field(db.Layout(), page, position);
  if (length < field.size) return -1;
  LongValuePage buffer;
  switch (field.storage) {
    case Storage::kInline:
      SetText(db, BytesInside(page, position + field.size, length - field.size), out);
      return 1;
    case Storage::kSingleRow: {
      ByteSpan row;
      RowLookup lookup = FindLongValueRow(db, field.pointer, buffer, row);
      if (lookup == RowLookup::kBadBounds) return -1;
      if (lookup != RowLookup::kFound) row = ByteSpan();
      bool damaged = false;
      row = row.first(KeptSize(field, true, row.size(), damaged));
      SetText(db, row, out);
      out.damaged = damaged;
      return 1;
    }
    case Storage::kChain: {
      // Whatever stops the chain keeps the text gathered so far. The pieces
      // are one stored text: a character may lie across two of them.
      std::vector<uint8_t> stored;
      RowLookup end = WalkLongValueChain(
          db, field.pointer, buffer, [&stored](ByteSpan piece) { stored.insert(stored.end(), piece.begin(), piece.end()); });
      bool damaged = false;
      stored.resize(KeptSize(field, end == RowLookup::kFound, stored.size(), damaged));
      SetText(db, stored, out);
      out.damaged = damaged;
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
    SetText(db, AsBytes(payload), out);
  return 1;
}

int DecodeOle(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position, int64_t length,
              Value& out) {
  LongValueField field(db.Layout(), page, position);
  if (length < field.size || position < 0 || position + length >= static_cast<int64_t>(page.size())) return -1;
  LongValuePage buffer;
  std::string payload = kOleMarker;
  bool damaged = false;
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
      if (lookup == RowLookup::kFound) {
        payload.assign(reinterpret_cast<const char*>(row.data()), row.size());
        payload.resize(KeptSize(field, true, payload.size(), damaged));
      }
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
      payload.resize(KeptSize(field, end == RowLookup::kFound, payload.size(), damaged));
      break;
    }
    case Storage::kUnknown:
      SetFlagsMessage("Unhandled OLE field flag = %04x\n", field.flags, out);
      return -1;
  }
  SetOle(files, payload, out);
  out.damaged = damaged;
  return 1;
}
