#include "reader/property_blob.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "format/jet_text.h"

namespace {

constexpr int32_t kNamesBlock = 0x80;
constexpr int32_t kObjectBlock = 0x00;
constexpr int32_t kColumnBlock = 0x01;
constexpr int32_t kBooleanType = 1, kByteType = 2, kIntType = 3, kLongType = 4, kTextType = 10, kMemoType = 12;

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// Single-byte texts are in the file's code page when the decoder is given.
std::string StoredText(ByteSpan bytes, bool wide, const TextDecoder* singleByte) {
  std::string text;
  if (wide)
    AppendJetText(bytes, text);
  else if (singleByte)
    singleByte->Append(bytes, text);
  else
    AppendBytesAsCharacters(bytes, text);
  return text;
}

// One property block's payload: its column name, then the entries.
void ParseProperties(ByteSpan payload, const std::vector<std::string>& names, bool wide,
                     const TextDecoder* singleByte, PropertyMap& into, std::string& columnName) {
  const int64_t size = static_cast<int64_t>(payload.size());
  int64_t nameBlock = ReadInt32(payload, 0);
  if (nameBlock < 4 || nameBlock > size) return;
  if (nameBlock > 6) columnName = StoredText(BytesInside(payload, 6, std::min<int64_t>(ReadUInt16(payload, 4), nameBlock - 6)), wide, singleByte);
  for (int64_t at = nameBlock; at + 8 <= size;) {
    int64_t length = ReadUInt16(payload, at);
    if (length < 8 || at + length > size) return;
    Property property;
    property.ddl = ReadSignedByte(payload, at + 2) != 0;
    property.type = ReadSignedByte(payload, at + 3) & 0xFF;
    property.wide = wide;
    size_t nameIndex = static_cast<size_t>(ReadUInt16(payload, at + 4));
    int64_t valueLength = std::min<int64_t>(ReadUInt16(payload, at + 6), length - 8);
    ByteSpan value = BytesInside(payload, at + 8, valueLength);
    property.value.assign(reinterpret_cast<const char*>(value.data()), value.size());
    if (property.type == kTextType || property.type == kMemoType) property.text = StoredText(value, wide, singleByte);
    if (nameIndex < names.size()) into.Set(names[nameIndex], std::move(property));
    at += length;
  }
}

}  // namespace

int64_t Property::Integer() const {
  ByteSpan bytes(reinterpret_cast<const uint8_t*>(value.data()), value.size());
  switch (type) {
    case kBooleanType: return bytes.empty() || bytes[0] == 0 ? 0 : 1;
    case kByteType: return bytes.empty() ? 0 : bytes[0];
    case kIntType: return static_cast<int16_t>(ReadWord(bytes, 0));
    case kLongType: return ReadInt32(bytes, 0);
    default: return 0;
  }
}

std::string Property::Text() const { return type == kTextType || type == kMemoType ? text : std::string(); }

const Property* PropertyMap::Find(std::string_view name) const {
  auto it = properties_.find(Lower(name));
  return it == properties_.end() ? nullptr : &it->second.second;
}

void PropertyMap::Set(const std::string& name, Property property) {
  properties_[Lower(name)] = {name, std::move(property)};
}

const PropertyMap* ObjectProperties::Column(std::string_view name) const {
  auto it = columns.find(Lower(name));
  return it == columns.end() ? nullptr : &it->second;
}

bool ParsePropertyBlob(ByteSpan blob, ObjectProperties& out, const TextDecoder* singleByte) {
  out = ObjectProperties();
  if (blob.size() < 4) return false;
  bool wide;
  if (std::memcmp(blob.data(), "MR2\0", 4) == 0)
    wide = true;
  else if (std::memcmp(blob.data(), "KKD\0", 4) == 0)
    wide = false;
  else
    return false;

  std::vector<std::string> names;
  const int64_t size = static_cast<int64_t>(blob.size());
  for (int64_t at = 4; at + 6 <= size;) {
    int64_t length = ReadInt32(blob, at);
    if (length < 6 || length > size - at) break;
    ByteSpan payload = blob.subspan(static_cast<size_t>(at + 6), static_cast<size_t>(length - 6));
    switch (ReadUInt16(blob, at + 4)) {
      case kNamesBlock:
        names.clear();
        for (int64_t p = 0; p + 2 <= static_cast<int64_t>(payload.size());) {
          int64_t n = ReadUInt16(payload, p);
          names.push_back(StoredText(BytesInside(payload, p + 2, n), wide, singleByte));
          p += 2 + n;
        }
        break;
      case kObjectBlock: {
        std::string ignored;
        ParseProperties(payload, names, wide, singleByte, out.object, ignored);
        break;
      }
      case kColumnBlock: {
        PropertyMap column;
        std::string name;
        ParseProperties(payload, names, wide, singleByte, column, name);
        if (!name.empty()) out.columns[Lower(name)] = std::move(column);
        break;
      }
      default:
        break;
    }
    at += length;
  }
  return true;
}
