// The values of calculated columns. Access stores the result of the
// column's expression, wrapped:
//   [16 zero bytes][data length n: 4][the result, n bytes][3 zero bytes]
// A MEMO result keeps the wrapper inside its long value. The result is
// stored as its type stores it, but for two: a boolean is a byte (0xFF
// true, 0 false) rather than a presence bit, and a decimal has a 16-byte
// form of its own:
//   [2 bytes][scale: 1][sign: 1, 0x80 negative][high: 4][low: 8]
// with the magnitude high * 2^64 + low, both little-endian.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/value.h"
#include "reader/table_def.h"

class MdbFile;
class OleFileWriter;

// The calculated column's value at position of page (length: the stored
// wrapper, or the long-value field of a MEMO result) into out, decoded as
// the column's result type; Null when it holds no data (the expression's
// result was absent). A Marker "#CALCULATED" when the wrapper is shorter
// than its header or than the length it states, or too short for its type.
void DecodeCalculated(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
                      int64_t position, int64_t length, Value& out);
