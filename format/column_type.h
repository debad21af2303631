// The column-type codes of a Jet column record. A stored code outside this
// list is kept as it is (a damaged definition holds any byte) and shown by
// its number.
#pragma once

#include <cstdint>

enum class ColumnType : int32_t {
  Bit = 1,
  Byte = 2,
  Int = 3,
  Long = 4,
  Currency = 5,
  Single = 6,
  Double = 7,
  Date = 8,
  Binary = 9,
  Text = 10,
  Ole = 11,
  Memo = 12,
  Guid = 15,
  Numeric = 16,
  Complex = 18,  // 4-byte id of the row's values in the column's flat table
  BigInt = 19,            // 8-byte signed integer
  DateTimeExtended = 20,  // 42 bytes of text: days since 0001-01-01, seconds, 100 ns
};

// Bytes a number, date or GUID of the type takes; 0 for the others (texts,
// binaries, long values, booleans, decimals and extended dates, whose forms
// vary with where they are stored).
constexpr int32_t NumberTypeSize(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Int: return 2;
    case ColumnType::Long:
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::Date:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    default: return 0;
  }
}

// The stored code, for messages that show it.
constexpr int32_t ColumnTypeCode(ColumnType type) { return static_cast<int32_t>(type); }
