#include "export/sql_value.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace {

namespace chrono = std::chrono;

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(const std::string& bytes, std::string& out) {
  for (unsigned char c : bytes) {
    out.push_back(kHexDigits[c >> 4]);
    out.push_back(kHexDigits[c & 0xF]);
  }
}

// The digits of a magnitude with `scale` of them after a point, at least
// one before it.
void AppendScaled(bool negative, unsigned __int128 magnitude, int scale, std::string& out) {
  char digits[48];
  char* end = digits + sizeof digits;
  char* first = end;
  do {
    *--first = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  while (end - first < scale + 1) *--first = '0';
  if (negative) out.push_back('-');
  out.append(first, end - scale);
  if (scale > 0) {
    out.push_back('.');
    out.append(end - scale, end);
  }
}

// The shortest digits of the float a Single holds.
size_t SingleDigits(double real, char* text, size_t size) {
  return static_cast<size_t>(std::to_chars(text, text + size, static_cast<float>(real)).ptr - text);
}

void AppendInteger(int64_t value, std::string& out) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void AppendPutTwo(int64_t value, std::string& out) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

void AppendExactNumber(const Value& value, std::string& out) {
  if (value.kind == ValueKind::Currency) {
    uint64_t magnitude = value.integer < 0 ? 0 - static_cast<uint64_t>(value.integer)
                                           : static_cast<uint64_t>(value.integer);
    AppendScaled(value.integer < 0, magnitude, 4, out);
  } else {
    const DecimalValue& decimal = value.decimal;
    AppendScaled(decimal.negative && decimal.magnitude != 0, decimal.magnitude, decimal.scale, out);
  }
}

void AppendRealNumber(const Value& value, std::string& out) {
  const double real = value.real;
  if (std::isnan(real)) {
    out.append("NaN");
  } else if (std::isinf(real)) {
    out.append(real < 0 ? "-Infinity" : "Infinity");
  } else {
    char text[32];
    size_t length = value.kind == ValueKind::Single
                        ? SingleDigits(real, text, sizeof text)
                        : static_cast<size_t>(std::to_chars(text, text + sizeof text, real).ptr - text);
    out.append(text, length);
  }
}

double RealNumber(const Value& value) {
  if (value.kind != ValueKind::Single || !std::isfinite(value.real)) return value.real;
  char text[32];
  text[SingleDigits(value.real, text, sizeof text - 1)] = '\0';
  return std::strtod(text, nullptr);
}

bool AppendIsoDateTime(const Value& value, int fractionDigits, std::string& out) {
  int64_t day = 0;  // from 1 January 1970
  int64_t seconds = 0;
  int64_t ticks = 0;  // 100 ns
  if (value.kind == ValueKind::DateTime) {
    const double x = value.real;
    if (!(std::fabs(x) < 2147483648.0)) return false;
    // The whole days, and the fraction as the time of that day, for
    // negative days too; a time that rounds up to midnight is the next day.
    const double whole = std::trunc(x);
    constexpr int64_t kDayZero = -25569;  // 30 December 1899
    day = static_cast<int64_t>(whole) + kDayZero;
    seconds = std::llround(std::fabs(x - whole) * 86400);
  } else if (value.kind == ValueKind::DateTimeExtended) {
    constexpr int64_t kFirstDay = -719162;  // 1 January of year 1
    day = value.extended.days + kFirstDay;
    seconds = value.extended.seconds;
    ticks = value.extended.ticks;
    if (seconds < 0 || seconds >= 86400 || ticks < 0 || ticks >= 10000000) return false;
  } else {
    return false;
  }
  day += seconds / 86400;
  seconds %= 86400;
  // The years every SQL dialect writes with four digits.
  if (day < -719162 || day > 2932896) return false;
  const chrono::year_month_day date{chrono::sys_days{chrono::days{day}}};
  const int year = static_cast<int>(date.year());
  out.push_back(static_cast<char>('0' + year / 1000));
  out.push_back(static_cast<char>('0' + year / 100 % 10));
  AppendPutTwo(year % 100, out);
  out.push_back('-');
  AppendPutTwo(static_cast<unsigned>(date.month()), out);
  out.push_back('-');
  AppendPutTwo(static_cast<unsigned>(date.day()), out);
  out.push_back(' ');
  AppendPutTwo(seconds / 3600, out);
  out.push_back(':');
  AppendPutTwo(seconds / 60 % 60, out);
  out.push_back(':');
  AppendPutTwo(seconds % 60, out);
  if (value.kind == ValueKind::DateTimeExtended && fractionDigits > 0) {
    char fraction[8];
    for (int i = 6; i >= 0; --i, ticks /= 10) fraction[i] = static_cast<char>('0' + ticks % 10);
    out.push_back('.');
    out.append(fraction, static_cast<size_t>(std::min(fractionDigits, 7)));
  }
  return true;
}

const std::string& CellValueText(const CellSlot& cell) {
  return cell.value.kind == ValueKind::Text ? cell.value.text : cell.text;
}

namespace {

// SQLite: 'it''s', a zero character joined in as char(0).
void AppendSqliteText(std::string_view text, std::string& out) {
  out.push_back('\'');
  for (char c : text) {
    if (c == '\0') {
      out.append("'||char(0)||'");
    } else {
      if (c == '\'') out.push_back('\'');
      out.push_back(c);
    }
  }
  out.push_back('\'');
}

// MySQL: 'it''s' where that reads the same whatever the server's escape
// mode and to the client, which scans backslashes in quotes; a text with a
// backslash or a control character goes as its bytes instead.
void AppendMysqlText(std::string_view text, std::string& out) {
  bool plain = true;
  for (char c : text)
    if (c == '\\' || (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t')) plain = false;
  if (!plain) {
    out.append("_utf8mb4 X'");
    AppendHex(std::string(text), out);
    out.push_back('\'');
    return;
  }
  out.push_back('\'');
  for (char c : text) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
}

void AppendCopyText(std::string_view text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\0': break;
      case '\\': out.append("\\\\"); break;
      case '\t': out.append("\\t"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      default: out.push_back(c);
    }
  }
}

}  // namespace

void AppendSqlLiteral(SqlDialect dialect, const ColumnDef& column, const CellSlot& cell, std::string& out) {
  const Value& value = cell.value;
  const bool sqlite = dialect == SqlDialect::Sqlite;
  auto text = [&](std::string_view t) { sqlite ? AppendSqliteText(t, out) : AppendMysqlText(t, out); };
  switch (value.kind) {
    case ValueKind::Null:
      break;
    case ValueKind::Boolean:
      out.push_back(value.integer != 0 ? '1' : '0');
      return;
    case ValueKind::Integer:
      AppendInteger(value.integer, out);
      return;
    case ValueKind::Currency:
    case ValueKind::Decimal:
      AppendExactNumber(value, out);
      return;
    case ValueKind::Single:
    case ValueKind::Double:
      if (std::isnan(value.real) || (!sqlite && std::isinf(value.real))) break;
      if (std::isinf(value.real)) {
        out.append(value.real < 0 ? "-9e999" : "9e999");
      } else {
        AppendRealNumber(value, out);
      }
      return;
    case ValueKind::DateTime:
    case ValueKind::DateTimeExtended: {
      std::string date;
      if (!AppendIsoDateTime(value, sqlite ? 7 : 6, date)) break;
      text(date);
      return;
    }
    case ValueKind::Binary:
    case ValueKind::Ole:
      out.append("X'");
      AppendHex(value.bytes, out);
      out.push_back('\'');
      return;
    case ValueKind::Marker:
      if (!sqlite && !HoldsText(column)) break;
      text(CellValueText(cell));
      return;
    default:
      text(CellValueText(cell));
      return;
  }
  out.append("NULL");
}

void AppendCopyField(const ColumnDef& column, const CellSlot& cell, std::string& out) {
  const Value& value = cell.value;
  switch (value.kind) {
    case ValueKind::Null:
      break;
    case ValueKind::Boolean:
      out.push_back(value.integer != 0 ? 't' : 'f');
      return;
    case ValueKind::Integer:
      AppendInteger(value.integer, out);
      return;
    case ValueKind::Currency:
    case ValueKind::Decimal:
      AppendExactNumber(value, out);
      return;
    case ValueKind::Single:
    case ValueKind::Double:
      AppendRealNumber(value, out);
      return;
    case ValueKind::DateTime:
    case ValueKind::DateTimeExtended:
      if (!AppendIsoDateTime(value, 7, out)) break;
      return;
    case ValueKind::Binary:
    case ValueKind::Ole:
      out.append("\\\\x");
      AppendHex(value.bytes, out);
      return;
    case ValueKind::Marker:
      if (!HoldsText(column)) break;
      AppendCopyText(CellValueText(cell), out);
      return;
    default:
      AppendCopyText(CellValueText(cell), out);
      return;
  }
  out.append("\\N");
}
