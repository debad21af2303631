#include "xls/code_page_1252.h"

namespace xls {
namespace {

// Bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

uint16_t UnicodeOf1252(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

uint8_t ByteOf1252(uint16_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<uint8_t>(character);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == character) return static_cast<uint8_t>(0x80 + i);
  }
  return '?';
}

bool NeedsWideCharacters(std::string_view text) {
  for (char c : text) {
    uint8_t byte = static_cast<uint8_t>(c);
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] > 0xFF) return true;
  }
  return false;
}

}  // namespace xls
