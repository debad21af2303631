#include "reader/database_header.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "format/jet_layout.h"
#include "format/rc4.h"

namespace {

constexpr std::string_view kJetName{"Standard Jet DB\0", 16};
constexpr std::string_view kAceName{"Standard ACE DB\0", 16};

bool HoldsAt(ByteSpan page, int64_t offset, std::string_view text) {
  ByteSpan bytes = BytesInside(page, offset, static_cast<int64_t>(text.size()));
  return bytes.size() == text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

}  // namespace

DatabaseHeader ReadDatabaseHeader(ByteSpan page) {
  DatabaseHeader header;
  std::string_view magic(reinterpret_cast<const char*>(JetHeader::kMagic), sizeof JetHeader::kMagic);
  header.intact = HoldsAt(page, 0, magic) && (HoldsAt(page, JetHeader::kEngineNameOffset, kJetName) ||
                                             HoldsAt(page, JetHeader::kEngineNameOffset, kAceName));
  if (!header.intact) return header;
  header.version = ReadSignedByte(page, JetHeader::kVersionOffset) & 0xFF;
  ByteSpan stored = BytesInside(page, JetHeader::kEncodedAreaOffset, JetHeader::kEncodedAreaSize);
  std::array<uint8_t, JetHeader::kEncodedAreaSize> area{};
  std::copy(stored.begin(), stored.end(), area.begin());
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  header.codePage = ReadUInt16(area, JetHeader::kCodePageOffset - JetHeader::kEncodedAreaOffset);
  header.databaseKey = static_cast<uint32_t>(
      ReadInt32(area, JetHeader::kDatabaseKeyOffset - JetHeader::kEncodedAreaOffset));
  return header;
}
