#include "format/utf8.h"

namespace {

bool Continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

size_t Utf8Length(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += !Continues(c);
  return n;
}

std::string_view Utf8Prefix(std::string_view text, size_t maxCharacters, size_t maxBytes) {
  size_t end = 0, characters = 0;
  while (end < text.size() && end < maxBytes) {
    if (!Continues(text[end]) && characters++ == maxCharacters) break;
    ++end;
  }
  // Back to the start of the character the byte limit cut into.
  if (end < text.size() && end == maxBytes)
    while (end > 0 && Continues(text[end])) --end;
  return text.substr(0, end);
}

size_t Utf8SequenceLength(std::string_view text, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  unsigned char second = byte(i + 1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
    return 0;
  return length;
}
