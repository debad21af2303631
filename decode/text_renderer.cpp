// TEXT and BINARY values.
#include "decode/value_decoders.h"
#include "format/jet_text.h"

void AppendStoredText(ByteSpan buffer, int64_t start, int64_t length, std::string& out) {
  AppendJetText(BytesInside(buffer, start, length), out);
}

void DecodeText(ByteSpan page, int64_t position, int64_t length, Value& out) {
  out.Clear();
  out.kind = ValueKind::Text;
  AppendStoredText(page, position, length, out.text);
}

int DecodeBinary(ByteSpan page, int64_t position, int64_t length, Value& out) {
  if (position < 0 || length < 0 || position + length > static_cast<int64_t>(page.size())) return -1;
  out.Clear();
  out.kind = ValueKind::Binary;
  out.bytes.assign(reinterpret_cast<const char*>(page.data() + position), static_cast<size_t>(length));
  return 1;
}
