// TEXT and BINARY values.
#include "decode/value_decoders.h"

void DecodeText(const TextDecoder& text, ByteSpan page, int64_t position, int64_t length, Value& out) {
  out.Clear();
  out.kind = ValueKind::Text;
  text.Append(BytesInside(page, position, length), out.text);
}

int DecodeBinary(ByteSpan page, int64_t position, int64_t length, Value& out) {
  if (position < 0 || length < 0 || position + length > static_cast<int64_t>(page.size())) return -1;
  out.Clear();
  out.kind = ValueKind::Binary;
  out.bytes.assign(reinterpret_cast<const char*>(page.data() + position), static_cast<size_t>(length));
  return 1;
}
