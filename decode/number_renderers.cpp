// BYTE, INT, LONG, CURRENCY, SINGLE and DOUBLE values.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "decode/value_decoders.h"

namespace {

// The fixed-size renderers refuse a value whose last byte would be the page's
// last byte or beyond, as the row walk has always done.
bool FitsBefore(ByteSpan page, int64_t position, int64_t width) {
  return position >= 0 && position + width < static_cast<int64_t>(page.size());
}

// For BYTE the last byte of the page is allowed.
bool FitsInside(ByteSpan page, int64_t position) {
  return position >= 0 && position < static_cast<int64_t>(page.size());
}

template <typename Integer>
void AssignInteger(Integer value, CellText& out) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.assign(digits, end);
}

uint64_t LoadUInt64(ByteSpan page, int64_t position) {
  uint64_t value = 0;
  std::memcpy(&value, page.data() + position, sizeof value);
  return value;  // little-endian host
}

// Decimal places from the magnitude: base - ceil(log10(|x|)), or 4 where
// that is negative or the logarithm is not finite (zero, infinities, NaN).
int FloatPrecision(double x, int base) {
  double magnitude = std::fabs(x);
  if (!(magnitude > 0) || std::isinf(magnitude)) return 4;
  int k = static_cast<int>(std::ceil(std::log10(magnitude)));
  int precision = base - k;
  return precision < 0 ? 4 : precision;
}

void AssignFloat(double x, int base, CellText& out) {
  // Room for DBL_MAX in full and the places of the smallest subnormal.
  char text[720];
  auto result = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed, FloatPrecision(x, base));
  if (result.ec != std::errc()) {
    out.assign(kNullText);
    return;
  }
  out.assign(text, result.ptr);
}

}  // namespace

static_assert(std::endian::native == std::endian::little, "values are copied from little-endian pages");

int DecodeByte(ByteSpan page, int64_t position, CellText& out) {
  if (!FitsInside(page, position)) {
    out.clear();
    return 1;
  }
  AssignInteger(static_cast<unsigned>(page[static_cast<size_t>(position)]), out);
  return 1;
}

int DecodeInt(ByteSpan page, int64_t position, CellText& out) {
  if (!FitsBefore(page, position, 2)) {
    out.clear();
    return 1;
  }
  AssignInteger(static_cast<int16_t>(ReadWord(page, position)), out);
  return 1;
}

int DecodeLong(ByteSpan page, int64_t position, CellText& out) {
  if (!FitsBefore(page, position, 4)) {
    out.clear();
    return 1;
  }
  AssignInteger(ReadInt32(page, position), out);
  return 1;
}

int DecodeCurrency(ByteSpan page, int64_t position, CellText& out) {
  if (!FitsBefore(page, position, 8)) {
    out.clear();
    return 1;
  }
  auto value = static_cast<int64_t>(LoadUInt64(page, position));
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  // Ten-thousandths, zero-padded to five digits so that one stays before the
  // point.
  char digits[24] = {'0', '0', '0', '0'};
  char* end = std::to_chars(digits + 4, digits + sizeof digits, magnitude).ptr;
  char* first = end - (digits + 4) >= 5 ? digits + 4 : end - 5;
  out.clear();
  if (value < 0) out.push_back('-');
  out.append(first, end - 4);
  out.push_back('.');
  out.append(end - 4, end);
  return 1;
}

int DecodeSingle(ByteSpan page, int64_t position, CellText& out) {
  if (!FitsBefore(page, position, 4)) {
    out.clear();
    return 1;
  }
  uint32_t bits = static_cast<uint32_t>(ReadInt32(page, position));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  AssignFloat(value, 6, out);
  return 1;
}

int DecodeDouble(ByteSpan page, int64_t position, CellText& out) {
  if (!FitsBefore(page, position, 8)) {
    out.clear();
    return 1;
  }
  uint64_t bits = LoadUInt64(page, position);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  AssignFloat(value, 15, out);
  return 1;
}
