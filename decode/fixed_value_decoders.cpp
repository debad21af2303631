// The values of fixed size: numbers, dates, GUIDs and decimals, read from
// their bytes in the page.
#include <bit>
#include <cmath>
#include <cstring>

#include "decode/value_decoders.h"

namespace {

static_assert(std::endian::native == std::endian::little, "values are copied from little-endian pages");

// The fixed-size readers refuse a value whose last byte would be the page's
// last byte or beyond, as the row walk has always done.
bool FitsBefore(ByteSpan page, int64_t position, int64_t width) {
  return position >= 0 && position + width < static_cast<int64_t>(page.size());
}

// For BYTE the last byte of the page is allowed.
bool FitsInside(ByteSpan page, int64_t position, int64_t width) {
  return position >= 0 && position + width <= static_cast<int64_t>(page.size());
}

template <typename T>
T Load(ByteSpan page, int64_t position) {
  T value;
  std::memcpy(&value, page.data() + position, sizeof value);
  return value;
}

void SetOutside(Value& out) {
  out.Clear();
  out.kind = ValueKind::Marker;
}

void SetInteger(ValueKind kind, int64_t integer, Value& out) {
  out.Clear();
  out.kind = kind;
  out.integer = integer;
}

void SetReal(ValueKind kind, double real, Value& out) {
  out.Clear();
  out.kind = kind;
  out.real = real;
}

// Day 0 (30 December 1899) counted from 1 January of year 1: the calendar
// starts there, and a date beyond a 32-bit day number (or NaN) has none.
constexpr double kFirstDay = -693593.0;

void SetDateMarker(Value& out) {
  out.Clear();
  out.kind = ValueKind::Marker;
  out.text.assign("#DATETIME");
}

constexpr int64_t kExtendedDateSize = 42;
// 31 December 9999, counted from 1 January of year 1.
constexpr int64_t kLastExtendedDay = 3652058;

// The count decimal digits at text as a number no larger than most: false
// for anything else, before a digit could overflow.
bool ReadDigits(const char* text, int count, int64_t most, int64_t& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > most) return false;
  }
  return true;
}

}  // namespace

void DecodeByte(ByteSpan page, int64_t position, Value& out) {
  if (!FitsInside(page, position, 1)) return SetOutside(out);
  SetInteger(ValueKind::Integer, page[static_cast<size_t>(position)], out);
}

void DecodeInt(ByteSpan page, int64_t position, Value& out) {
  if (!FitsBefore(page, position, 2)) return SetOutside(out);
  SetInteger(ValueKind::Integer, static_cast<int16_t>(ReadWord(page, position)), out);
}

void DecodeLong(ByteSpan page, int64_t position, Value& out) {
  if (!FitsBefore(page, position, 4)) return SetOutside(out);
  SetInteger(ValueKind::Integer, ReadInt32(page, position), out);
}

void DecodeBigInt(ByteSpan page, int64_t position, Value& out) {
  if (!FitsBefore(page, position, 8)) return SetOutside(out);
  SetInteger(ValueKind::Integer, Load<int64_t>(page, position), out);
}

void DecodeCurrency(ByteSpan page, int64_t position, Value& out) {
  if (!FitsBefore(page, position, 8)) return SetOutside(out);
  SetInteger(ValueKind::Currency, Load<int64_t>(page, position), out);
}

void DecodeSingle(ByteSpan page, int64_t position, Value& out) {
  if (!FitsBefore(page, position, 4)) return SetOutside(out);
  SetReal(ValueKind::Single, Load<float>(page, position), out);
}

void DecodeDouble(ByteSpan page, int64_t position, Value& out) {
  if (!FitsBefore(page, position, 8)) return SetOutside(out);
  SetReal(ValueKind::Double, Load<double>(page, position), out);
}

void DecodeDate(ByteSpan page, int64_t position, Value& out) {
  double x = FitsInside(page, position, 8) ? Load<double>(page, position) : NAN;
  if (!(x > kFirstDay - 1 && x < 2147483648.0)) return SetDateMarker(out);
  SetReal(ValueKind::DateTime, x, out);
}

void DecodeExtendedDate(ByteSpan page, int64_t position, Value& out) {
  if (!FitsInside(page, position, kExtendedDateSize)) return SetDateMarker(out);
  const char* text = reinterpret_cast<const char*>(page.data() + position);
  int64_t days = 0, seconds = 0, ticks = 0;
  if (!ReadDigits(text, 19, kLastExtendedDay, days) || text[19] != ':' || !ReadDigits(text + 20, 12, 86399, seconds) ||
      !ReadDigits(text + 32, 7, 9999999, ticks))
    return SetDateMarker(out);
  out.Clear();
  out.kind = ValueKind::DateTimeExtended;
  out.extended = {days, seconds, ticks};
}

void DecodeGuid(ByteSpan page, int64_t position, Value& out) {
  if (!FitsInside(page, position, 16)) return SetOutside(out);
  out.Clear();
  out.kind = ValueKind::Guid;
  out.bytes.assign(reinterpret_cast<const char*>(page.data() + position), 16);
}

void DecodeNumeric(ByteSpan page, int64_t position, int32_t scale, Value& out) {
  if (!FitsInside(page, position, 17)) return SetOutside(out);
  out.Clear();
  // Access keeps at most 28 places; a scale beyond them is a damaged column
  // record, and no number can be told from it.
  if (scale < 0 || scale > DecimalValue::kMaxScale) {
    out.kind = ValueKind::Marker;
    out.text.assign("#NUMERIC");
    return;
  }
  out.kind = ValueKind::Decimal;
  // A sign byte, then four little-endian 32-bit words, the most significant
  // first.
  for (int word = 0; word < 4; ++word)
    out.decimal.magnitude =
        (out.decimal.magnitude << 32) | static_cast<uint32_t>(ReadInt32(page, position + 1 + 4 * word));
  out.decimal.negative = page[static_cast<size_t>(position)] != 0;
  out.decimal.scale = scale;
}
