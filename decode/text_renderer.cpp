// TEXT and BINARY values.
#include <algorithm>

#include "decode/value_decoders.h"

namespace {

constexpr char kTextMarker[] = "#TEXT";

// The part of [start, start + length) inside the buffer.
ByteSpan Inside(ByteSpan buffer, int64_t start, int64_t length) {
  int64_t size = static_cast<int64_t>(buffer.size());
  int64_t from = std::clamp<int64_t>(start, 0, size);
  int64_t to = std::clamp<int64_t>(length > 0 ? start + length : start, from, size);
  return buffer.subspan(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

}  // namespace

void AppendStoredText(ByteSpan buffer, int64_t start, int64_t length, CellText& out) {
  ByteSpan bytes = Inside(buffer, start, length);
  // The compressed form: after FF FE, single bytes, and each 0x00 switches
  // to and from little-endian pairs. A pair never starts with 0x00 (that
  // would be a switch), so dropping every zero byte decodes both modes: the
  // switches go, single bytes stay, and a pair gives its non-zero bytes just
  // as the two-byte form does.
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) bytes = bytes.subspan(2);
  size_t base = out.size();
  out.resize(base + bytes.size());
  char* to = out.data() + base;
  for (uint8_t b : bytes) {
    *to = static_cast<char>(b);
    to += b != 0;
  }
  out.resize(static_cast<size_t>(to - out.data()));
}

int DecodeText(ByteSpan page, int64_t position, CellText& out, int64_t length) {
  out.clear();
  AppendStoredText(page, position, length, out);
  if (out.empty() || out == kTextMarker) out.assign(kNullText);
  return 1;
}

int DecodeBinary(ByteSpan page, int64_t position, CellText& out, int64_t length) {
  if (position < 0 || length < 0 || position + length > static_cast<int64_t>(page.size())) return -1;
  if (length == 0 || page[static_cast<size_t>(position)] == 0) {
    out.assign(kNullText);
    return 1;
  }
  out.assign(reinterpret_cast<const char*>(page.data() + position), static_cast<size_t>(length));
  return 1;
}
