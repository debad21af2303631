// NUMERIC (decimal) values: a sign byte and a 128-bit magnitude, shown with
// the column's precision and scale.
#include <algorithm>

#include "decode/value_decoders.h"

int DecodeNumeric(ByteSpan page, int64_t position, CellText& out, int32_t precision, int32_t scale) {
  if (position < 0 || position + 17 > static_cast<int64_t>(page.size())) {
    out.clear();
    return 1;
  }
  // Four little-endian 32-bit words, the most significant first.
  unsigned __int128 magnitude = 0;
  for (int word = 0; word < 4; ++word)
    magnitude = (magnitude << 32) | static_cast<uint32_t>(ReadInt32(page, position + 1 + 4 * word));
  bool negative = page[static_cast<size_t>(position)] != 0;

  // Precision and scale are single bytes of the column record.
  precision = std::clamp(precision, 0, 255);
  scale = std::clamp(scale, 0, 255);
  char digits[300];
  char* end = digits + sizeof digits;
  char* first = end;
  do {
    *--first = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  // Zero-padded to the precision, and to the scale when that is larger, so
  // that every place after the point has its digit.
  int64_t width = std::max(precision, scale);
  while (end - first < width) *--first = '0';

  out.clear();
  if (negative) out.push_back('-');
  if (scale == 0) {
    out.append(first, end);
  } else {
    out.append(first, end - scale);
    out.push_back('.');
    out.append(end - scale, end);
  }
  return 1;
}
