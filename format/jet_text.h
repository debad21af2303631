// Text as Jet 4 and ACE files store it (TEXT and MEMO values, table and
// column names), turned into UTF-8; read through the session's
// TextDecoder (format/text_decoder.h). Two forms:
//   - two-byte: UCS-2 little-endian, where a surrogate pair stands for one
//     character beyond U+FFFF;
//   - compressed: the bytes FF FE, then one byte a character (U+0000 to
//     U+00FF); each 0x00 byte switches to two-byte characters and back.
// The bytes come from files that may be damaged: whatever does not decode
// (an odd byte at the end of a two-byte run, a surrogate without its other
// half) becomes U+FFFD, so the result is always valid UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "format/field_readers.h"

// Appends the UTF-8 of the stored text.
void AppendJetText(ByteSpan stored, std::string& out);

// Appends each byte as the character of that code point (U+0000 to U+00FF):
// how a BINARY value, or a file's own single-byte name, becomes text.
void AppendBytesAsCharacters(ByteSpan bytes, std::string& out);
