// The decoders behind DecodeValue, one per column type, and the one text
// rendering of a decoded value. A decoder reads one stored value into a
// Value that the caller reuses from row to row, so that decoding allocates
// nothing once the value's buffers have room.
//
// Every position comes from a row of a possibly damaged page: a decoder
// never reads outside the page it is given.
#pragma once

#include <cstdint>
#include <string_view>

#include "format/field_readers.h"
#include "format/row_cells.h"
#include "format/text_decoder.h"
#include "format/value.h"

// What an absent value shows: nothing, as an empty text does. A word would
// be taken for a stored text of that word.
inline constexpr std::string_view kNullText = "";

// Fixed-size numbers: a Marker with an empty text when the value does not
// lie inside the page.
void DecodeByte(ByteSpan page, int64_t position, Value& out);
void DecodeInt(ByteSpan page, int64_t position, Value& out);
void DecodeLong(ByteSpan page, int64_t position, Value& out);
void DecodeBigInt(ByteSpan page, int64_t position, Value& out);
void DecodeCurrency(ByteSpan page, int64_t position, Value& out);
void DecodeSingle(ByteSpan page, int64_t position, Value& out);
void DecodeDouble(ByteSpan page, int64_t position, Value& out);
void DecodeGuid(ByteSpan page, int64_t position, Value& out);
// The column's scale places the point.
void DecodeNumeric(ByteSpan page, int64_t position, int32_t scale, Value& out);

// A Marker "#DATETIME" when the value cannot be read or lies outside the
// calendar.
void DecodeDate(ByteSpan page, int64_t position, Value& out);
// The stored text "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSFFFFFFF:7": days since
// 0001-01-01, seconds of the day and 100 ns units. A Marker "#DATETIME"
// when it is not that, or names no day of years 1 to 9999.
void DecodeExtendedDate(ByteSpan page, int64_t position, Value& out);

// -1 with out untouched when the bytes run past the page.
int DecodeBinary(ByteSpan page, int64_t position, int64_t length, Value& out);
// The stored text in the database's own form; the part outside the page is
// left out.
void DecodeText(const TextDecoder& text, ByteSpan page, int64_t position, int64_t length, Value& out);

// The text the record list, `rows`, CSV and the .xls show for a value: the
// one rendering of every kind.
void RenderValueText(const Value& value, CellText& out);
