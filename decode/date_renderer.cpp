// DATE values: a double counting days from 30 December 1899, shown as
// "MM/DD/YY HH:MM:SS" with a calendar of our own (proleptic Gregorian).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "decode/value_decoders.h"

namespace {

constexpr char kDateMarker[] = "#DATETIME";
// Day 0 (30 December 1899) counted from 1 January of year 1.
constexpr int64_t kDayZero = 693593;

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

}  // namespace

int DecodeDate(ByteSpan page, int64_t position, CellText& out) {
  if (position < 0 || position + 8 > static_cast<int64_t>(page.size())) {
    out.assign(kDateMarker);
    return 0;
  }
  double x;
  std::memcpy(&x, page.data() + position, sizeof x);
  // The calendar starts at 1 January of year 1; beyond a 32-bit day number
  // (and for NaN) there is no date to show.
  if (!(x > -static_cast<double>(kDayZero) - 1 && x < 2147483648.0)) {
    out.assign(kDateMarker);
    return 0;
  }
  int64_t dayNumber = static_cast<int32_t>(x);
  // The fraction is the time of that day, for negative days too.
  int64_t seconds = static_cast<int64_t>(std::fabs(x - static_cast<double>(dayNumber)) * 86400 + 0.5);
  CivilDate date = DateFromDayNumber(dayNumber);
  // Time-only values (day 0) and the rest of 1899 show as 2001.
  if (date.year == 1899) date.year = 2001;

  char text[17] = {0, 0, '/', 0, 0, '/', 0, 0, ' ', 0, 0, ':', 0, 0, ':', 0, 0};
  PutTwoDigits(text, date.month);
  PutTwoDigits(text + 3, date.day);
  PutTwoDigits(text + 6, date.year % 100);
  PutTwoDigits(text + 9, seconds / 3600);  // 24 when the time rounds up to midnight
  PutTwoDigits(text + 12, seconds / 60 % 60);
  PutTwoDigits(text + 15, seconds % 60);
  out.assign(text, sizeof text);
  return 1;
}
