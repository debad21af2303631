// Text as Jet 4 stores it in TEXT and MEMO values: UCS-2 little-endian, or
// the compressed form (FF FE, then one-byte characters with 0x00 switching
// to and from two-byte characters); and as Access 97 stores it: one byte a
// character in the database's code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/page_file.h"
#include "tests/support/test_db_builder.h"

namespace testdb {

// UTF-8 to UTF-16 code units; a malformed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);
// The compressed form, or nothing when a character cannot be stored in it
// (U+0000, or any character whose low byte is 0x00: it would read as a switch).
std::optional<std::vector<uint8_t>> CompressText(std::u16string_view text);
void AppendUcs2(std::u16string_view text, std::vector<uint8_t>& out);
// Appends the stored bytes of a text to `out`. Auto compresses as Access
// does: when the result is shorter (memos only up to 1024 characters), and
// always when the text starts with U+FEFF, which UCS-2 storage would turn
// into the marker. False, with `out` unchanged, when Compressed is asked for
// and impossible.
bool EncodeText(std::string_view utf8, TextEncoding encoding, bool memo, std::vector<uint8_t>& out);
// Appends the text in the code page. False, with `out` unchanged, when the
// code page has no character for some of it.
bool EncodeCodePageText(std::string_view utf8, int codePage, std::vector<uint8_t>& out);
// The stored form of a text in the format: two-byte as EncodeText, or in
// the code page; throws BuildError when it cannot be stored.
void AppendStoredText(std::string_view utf8, TextEncoding encoding, bool memo, const FileFormat& format,
                      std::vector<uint8_t>& out);

}  // namespace testdb
