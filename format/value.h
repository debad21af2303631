// One cell's value as the file stores it, before any rendering. The row
// decoder fills one per column; the text renderings (grid, `rows`, CSV,
// .xls) are made from it, and the typed outputs (.xlsx, SQLite, SQL
// scripts, PostgreSQL) take it as it is. A value the file does not let us
// decode is a Marker: its text says why, and typed outputs write it as text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ValueKind : uint8_t {
  Null,              // absent
  Boolean,           // integer: 0 or 1
  Integer,           // integer: BYTE, INT, LONG, BIGINT
  Currency,          // integer: the amount times 10,000
  Single,            // real, stored in 4 bytes
  Double,            // real
  Decimal,           // decimal: exact
  DateTime,          // real: days since 1899-12-30, the fraction the time of day
  DateTimeExtended,  // extended: days since 0001-01-01, seconds and 100 ns of the day
  Text,              // text: UTF-8
  Binary,            // bytes
  Guid,              // bytes: 16, in stored order
  Ole,               // bytes: the object; path: the file it was written to
  Attachments,       // items: one Binary value per file, text its name, path where it went
  MultiValue,        // items: one value each
  Marker,            // text: what stands in for a value that could not be read
};

// An exact decimal: (-1 if negative) * magnitude / 10^scale.
struct DecimalValue {
  // The most places Access gives a decimal.
  static constexpr int32_t kMaxScale = 28;

  bool negative = false;
  unsigned __int128 magnitude = 0;
  int32_t scale = 0;
};

// Extended date/time, as its stored text gives it.
struct ExtendedDateTime {
  int64_t days = 0;     // since 0001-01-01
  int64_t seconds = 0;  // of the day
  int64_t ticks = 0;    // 100 ns units of the second
};

// Ends the text of a damaged value.
inline constexpr char kDamagedMark[] = "\u2026[damaged]";

struct Value {
  ValueKind kind = ValueKind::Null;
  int64_t integer = 0;
  double real = 0;
  DecimalValue decimal{};
  ExtendedDateTime extended{};
  std::string text;   // Text, Marker; an attachment's file name
  std::string bytes;  // Binary, Guid, Ole; an attachment's file contents
  std::string path;   // Ole, an attachment: the file written, when it was
  std::vector<Value> items;  // Attachments, MultiValue
  // A long value whose pieces do not give the length its field states:
  // what read is kept, and the text renderings end it with kDamagedMark.
  bool damaged = false;

  bool IsNull() const { return kind == ValueKind::Null; }
  // Keeps the buffers' capacity: cells are reused from row to row.
  void Clear() {
    kind = ValueKind::Null;
    integer = 0;
    real = 0;
    decimal = {};
    extended = {};
    text.clear();
    bytes.clear();
    items.clear();
    path.clear();
    damaged = false;
  }
};
