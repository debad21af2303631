// The text of every kind of value, as the record list, `rows`, CSV and the
// .xls show it: one rule per kind, and nowhere else.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "decode/value_decoders.h"
#include "format/jet_text.h"

namespace {

void AssignInteger(int64_t value, CellText& out) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.assign(digits, end);
}

// Ten-thousandths, with at least one digit before the point.
void AssignCurrency(int64_t value, CellText& out) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[24] = {'0', '0', '0', '0'};
  char* end = std::to_chars(digits + 4, digits + sizeof digits, magnitude).ptr;
  char* first = end - (digits + 4) >= 5 ? digits + 4 : end - 5;
  out.clear();
  if (value < 0) out.push_back('-');
  out.append(first, end - 4);
  out.push_back('.');
  out.append(end - 4, end);
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

// Sign, the digits without leading zeros and the scale's places: 32.38,
// -0.05, 1. Exact: the digits come from the integer magnitude.
void AssignDecimal(const DecimalValue& value, CellText& out) {
  unsigned __int128 magnitude = value.magnitude;
  const int scale = std::clamp(value.scale, 0, DecimalValue::kMaxScale);
  char digits[48];
  char* end = digits + sizeof digits;
  char* first = end;
  do {
    *--first = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  // One digit before the point.
  while (end - first < scale + 1) *--first = '0';
  out.clear();
  if (value.negative && value.magnitude != 0) out.push_back('-');
  out.append(first, end - scale);
  if (scale > 0) {
    out.push_back('.');
    out.append(end - scale, end);
  }
}

// The calendar: proleptic Gregorian, day 0 is 30 December 1899.
constexpr int64_t kDayZero = 693593;  // day 0 counted from 1 January of year 1

constexpr int kMonthStarts[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

struct CivilDate {
  int64_t year;
  int month;  // 1 to 12
  int day;    // 1 to 31
};

CivilDate DateFromDayNumber(int64_t dayNumber) {
  int64_t n = dayNumber + kDayZero;
  int64_t c400 = n / 146097, r1 = n % 146097;
  int64_t c100 = std::min<int64_t>(r1 / 36524, 3), r2 = r1 - 36524 * c100;
  int64_t c4 = r2 / 1461, r3 = r2 % 1461;
  int64_t c1 = std::min<int64_t>(r3 / 365, 3);
  int dayOfYear = static_cast<int>(r3 - 365 * c1);
  int64_t year = 400 * c400 + 100 * c100 + 4 * c4 + c1 + 1;
  bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  const int* starts = kMonthStarts[leap ? 1 : 0];
  int month = 1;
  while (month < 12 && dayOfYear >= starts[month]) ++month;
  return {year, month, dayOfYear - starts[month - 1] + 1};
}

void PutTwoDigits(char* at, int64_t value) {
  at[0] = static_cast<char>('0' + value / 10 % 10);
  at[1] = static_cast<char>('0' + value % 10);
}

// "MM/DD/YYYY HH:MM:SS" of the day and the seconds into it, the year with
// its century (and more digits past 9999).
void AssignDateTime(int64_t dayNumber, int64_t seconds, CellText& out) {
  CivilDate date = DateFromDayNumber(dayNumber);
  char text[32] = {0, 0, '/', 0, 0, '/'};
  PutTwoDigits(text, date.month);
  PutTwoDigits(text + 3, date.day);
  char* at = text + 6;
  for (int64_t power = 1000; power > date.year && power > 1; power /= 10) *at++ = '0';
  at = std::to_chars(at, text + sizeof text, date.year).ptr;
  at[0] = ' ';
  PutTwoDigits(at + 1, seconds / 3600);  // 24 when the time rounds up to midnight
  at[3] = ':';
  PutTwoDigits(at + 4, seconds / 60 % 60);
  at[6] = ':';
  PutTwoDigits(at + 7, seconds % 60);
  out.assign(text, static_cast<size_t>(at + 9 - text));
}

// "MM/DD/YYYY HH:MM:SS.fffffff".
void AssignExtendedDate(const ExtendedDateTime& value, CellText& out) {
  AssignDateTime(value.days - kDayZero, value.seconds, out);
  char fraction[8] = {'.'};
  for (int i = 7, ticks = static_cast<int>(value.ticks); i > 0; --i, ticks /= 10)
    fraction[i] = static_cast<char>('0' + ticks % 10);
  out.append(fraction, sizeof fraction);
}

// Day 0 is 12/30/1899, the date of time-only values.
void AssignDate(double x, CellText& out) {
  if (!(x > -static_cast<double>(kDayZero) - 1 && x < 2147483648.0)) {
    out.assign("#DATETIME");
    return;
  }
  int64_t dayNumber = static_cast<int32_t>(x);
  // The fraction is the time of that day, for negative days too.
  int64_t seconds = static_cast<int64_t>(std::fabs(x - static_cast<double>(dayNumber)) * 86400 + 0.5);
  AssignDateTime(dayNumber, seconds, out);
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

char* PutHex(char* at, uint32_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value >>= 4) at[i] = kHexDigits[value & 0xF];
  return at + digits;
}

// Registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, from three
// little-endian fields and eight bytes in stored order.
void AssignGuid(const std::string& bytes, CellText& out) {
  ByteSpan stored(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (stored.size() != 16) {
    out.clear();
    return;
  }
  char text[38];
  char* at = text;
  *at++ = '{';
  at = PutHex(at, static_cast<uint32_t>(ReadInt32(stored, 0)), 8);
  *at++ = '-';
  at = PutHex(at, ReadWord(stored, 4), 4);
  *at++ = '-';
  at = PutHex(at, ReadWord(stored, 6), 4);
  *at++ = '-';
  for (size_t i = 8; i < 16; ++i) {
    if (i == 10) *at++ = '-';
    at = PutHex(at, stored[i], 2);
  }
  *at++ = '}';
  out.assign(text, static_cast<size_t>(at - text));
}

}  // namespace

namespace {

void RenderUnmarked(const Value& value, CellText& out) {
  switch (value.kind) {
    case ValueKind::Null: out.assign(kNullText); return;
    case ValueKind::Boolean: out.assign(value.integer != 0 ? "1" : "0"); return;
    case ValueKind::Integer: AssignInteger(value.integer, out); return;
    case ValueKind::Currency: AssignCurrency(value.integer, out); return;
    case ValueKind::Single: AssignFloat(value.real, 6, out); return;
    case ValueKind::Double: AssignFloat(value.real, 15, out); return;
    case ValueKind::Decimal: AssignDecimal(value.decimal, out); return;
    case ValueKind::DateTime: AssignDate(value.real, out); return;
    case ValueKind::DateTimeExtended: AssignExtendedDate(value.extended, out); return;
    case ValueKind::Text: out.assign(value.text); return;
    case ValueKind::Binary:
      out.clear();
      AppendBytesAsCharacters(ByteSpan(reinterpret_cast<const uint8_t*>(value.bytes.data()), value.bytes.size()),
                              out);
      return;
    case ValueKind::Guid: AssignGuid(value.bytes, out); return;
    case ValueKind::Ole: out.assign(value.path); return;
    case ValueKind::Attachments:
    case ValueKind::MultiValue:
      // Each item as its own kind shows it (an attachment by its file name),
      // joined by "; ".
      out.clear();
      for (const Value& item : value.items) {
        if (!out.empty()) out.append("; ");
        if (value.kind == ValueKind::Attachments) {
          out.append(item.text);
        } else {
          CellText itemText;
          RenderValueText(item, itemText);
          out.append(itemText);
        }
      }
      return;
    case ValueKind::Marker: out.assign(value.text); return;
  }
  out.clear();
}

}  // namespace

void RenderValueText(const Value& value, CellText& out) {
  RenderUnmarked(value, out);
  if (value.damaged) out.append(kDamagedMark);
}
