// Texts of the workbook engine. The engine takes and gives UTF-8; a BIFF8
// string holds either 8-bit characters, which are Latin-1 (U+0000 to
// U+00FF), or 16-bit ones, which are UTF-16. The workbook counts a text's
// length in UTF-16 units, as Excel does: a character beyond U+FFFF counts
// two, and no cut falls between the two halves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

struct TextMeasure {
  size_t bytes = 0;    // of the start measured
  size_t units = 0;    // UTF-16 units of that start
  bool wide = false;   // a character of it lies above U+00FF
  bool valid = true;   // that start is UTF-8
  bool ascii = true;   // that start is ASCII: its bytes are its workbook form
};

// The longest start of the text with at most maxUnits UTF-16 units.
TextMeasure Measure(std::string_view utf8, size_t maxUnits);

// The text with every byte that is not part of a UTF-8 character replaced
// by U+FFFD.
std::string ValidUtf8(std::string_view text);

// Appends the characters as the workbook stores them: one byte each
// (Latin-1, for a text that is not wide) or UTF-16 little-endian.
void AppendWorkbookChars(std::string_view utf8, bool wide, std::vector<uint8_t>& out);

// The UTF-8 of stored characters, 8-bit ones taken as units too; a unit
// that is half of a pair, alone, becomes U+FFFD.
void AppendUtf16AsUtf8(std::u16string_view units, std::string& out);

// Upper case of a character, for comparing sheet names ignoring case.
char32_t UpperCase(char32_t c);

// The next character of a UTF-8 text at `at`, which moves past it; a byte
// that does not start a well-formed character gives U+FFFD and moves one.
char32_t NextCharacter(std::string_view text, size_t& at);

}  // namespace xls
