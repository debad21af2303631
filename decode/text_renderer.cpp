// TEXT and BINARY values.
#include "decode/value_decoders.h"
#include "format/jet_text.h"

namespace {

constexpr char kTextMarker[] = "#TEXT";

}  // namespace

int DecodeText(const TextDecoder& text, ByteSpan page, int64_t position, CellText& out, int64_t length) {
  out.clear();
  text.Append(BytesInside(page, position, length), out);
  if (out.empty() || out == kTextMarker) out.assign(kNullText);
  return 1;
}

int DecodeBinary(ByteSpan page, int64_t position, CellText& out, int64_t length) {
  if (position < 0 || length < 0 || position + length > static_cast<int64_t>(page.size())) return -1;
  if (length == 0 || page[static_cast<size_t>(position)] == 0) {
    out.assign(kNullText);
    return 1;
  }
  out.clear();
  AppendBytesAsCharacters(page.subspan(static_cast<size_t>(position), static_cast<size_t>(length)), out);
  return 1;
}
