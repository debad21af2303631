// The one way stored text (TEXT and MEMO values, table, column and catalog
// names) becomes UTF-8 for a database, chosen with its format:
//   - Jet 4 and ACE: two-byte or compressed text (format/jet_text.h);
//   - Jet 3: one byte a character in the code page the header names, by
//     way of iconv; Windows-1252 when it names none or one iconv does not
//     know.
// A byte the code page leaves undefined becomes U+FFFD: the result is
// always valid UTF-8. The session keeps the decoder of its file
// (MdbFile::Text()).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "format/field_readers.h"
#include "format/jet_layout.h"

class TextDecoder {
 public:
  static constexpr int32_t kDefaultCodePage = 1252;

  // Two-byte or compressed text.
  TextDecoder() = default;
  // Text stored as the layout stores it; codePage is that of single-byte
  // text (0: none named).
  TextDecoder(JetLayout::TextStorage storage, int32_t codePage);

  // Appends the UTF-8 of the stored text.
  void Append(ByteSpan stored, std::string& out) const;
  // The stored text of the n bytes at start; the part outside the buffer is
  // left out.
  std::string Text(ByteSpan buffer, int64_t start, int64_t n) const;
  // True when the bytes decode as text a person wrote: nothing that did not
  // decode, no control character but tab and line ends. Bytes of another
  // kind read as text rarely pass.
  bool IsReadable(ByteSpan stored) const;
  // False when the bytes cannot be one whole stored text: an odd count of
  // two-byte text without the compression mark.
  bool CanBeWhole(ByteSpan stored) const;

  // The code page single-byte text is read in; 0 for two-byte text.
  int32_t CodePage() const;
  // False when the code page asked for is not known here and
  // kDefaultCodePage stands in for it.
  bool KnowsCodePage() const { return knows_; }
  int32_t AskedCodePage() const { return asked_; }

 private:
  class CodePageConverter;
  std::shared_ptr<const CodePageConverter> codePage_;  // null for two-byte text
  int32_t asked_ = 0;
  bool knows_ = true;
};
