// GUID values in registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#include "decode/value_decoders.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

char* PutHex(char* at, uint32_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value >>= 4) at[i] = kHexDigits[value & 0xF];
  return at + digits;
}

}  // namespace

int DecodeGuid(ByteSpan page, int64_t position, CellText& out) {
  if (position < 0 || position + 16 > static_cast<int64_t>(page.size())) {
    out.clear();
    return 1;
  }
  // Three little-endian fields, then eight bytes in stored order.
  char text[38];
  char* at = text;
  *at++ = '{';
  at = PutHex(at, static_cast<uint32_t>(ReadInt32(page, position)), 8);
  *at++ = '-';
  at = PutHex(at, ReadWord(page, position + 4), 4);
  *at++ = '-';
  at = PutHex(at, ReadWord(page, position + 6), 4);
  *at++ = '-';
  for (int i = 8; i < 16; ++i) {
    if (i == 10) *at++ = '-';
    at = PutHex(at, page[static_cast<size_t>(position + i)], 2);
  }
  *at++ = '}';
  out.assign(text, static_cast<size_t>(at - text));
  return 1;
}
