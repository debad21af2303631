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
