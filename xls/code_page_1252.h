// The program's texts are single-byte text in the Windows Western code page
// (1252); a workbook holds Unicode. The table is our own: system converters
// refuse the five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D), which here stand for the C1 controls of the same value, so that
// every byte converts and converts back.
#pragma once

#include <cstdint>
#include <string_view>

namespace xls {

uint16_t UnicodeOf1252(uint8_t byte);

// The 1252 byte of a character, or '?' when the code page has none.
uint8_t ByteOf1252(uint16_t character);

// True when a byte of the text maps above U+00FF: the workbook then needs
// 16-bit characters for it, as 8-bit ones are Latin-1.
bool NeedsWideCharacters(std::string_view text);

}  // namespace xls
