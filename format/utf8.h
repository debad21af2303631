// UTF-8, the encoding of every text after decoding: names, values, row
// texts, file names. Cuts made here never fall inside a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writes the character's UTF-8 bytes (one to four) at `at` and returns the
// end; a surrogate or a value past U+10FFFF is not a character and gives
// U+FFFD.
inline char* EncodeUtf8(char32_t c, char* at) {
  if (c < 0x80) {
    *at++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *at++ = static_cast<char>(0xC0 | c >> 6);
    *at++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000 || c > 0x10FFFF) {
    if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = 0xFFFD;
    *at++ = static_cast<char>(0xE0 | c >> 12);
    *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *at++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *at++ = static_cast<char>(0xF0 | c >> 18);
    *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *at++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return at;
}

inline void AppendUtf8(char32_t c, std::string& out) {
  char bytes[4];
  out.append(bytes, static_cast<size_t>(EncodeUtf8(c, bytes) - bytes));
}

// The characters of a text (its bytes that do not continue a character).
size_t Utf8Length(std::string_view text);

// The longest start of the text with at most maxCharacters characters, and
// at most maxBytes bytes.
std::string_view Utf8Prefix(std::string_view text, size_t maxCharacters, size_t maxBytes = std::string_view::npos);

// The length of the UTF-8 sequence at text[i], 0 when none starts there
// (overlong forms, surrogates and code points beyond U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text, size_t i);
