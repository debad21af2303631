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
  BigInt = 19,            // 8-byte signed integer
  DateTimeExtended = 20,  // 42 bytes of text: days since 0001-01-01, seconds, 100 ns
};

// The stored code, for messages that show it.
constexpr int32_t ColumnTypeCode(ColumnType type) { return static_cast<int32_t>(type); }
