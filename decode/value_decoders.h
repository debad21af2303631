// The renderers behind DecodeValue, one per column type. Each writes the text
// of one stored value into a cell text that the caller reuses from row to row,
// so that rendering allocates nothing beyond the text itself.
//
// Every position comes from a row of a possibly damaged page: a renderer never
// reads outside the page it is given.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/row_cells.h"
#include "format/text_decoder.h"

inline constexpr char kNullText[] = "NULL";

// Fixed-size numbers: an empty text when the value does not lie inside the
// page. Each returns 1.
int DecodeByte(ByteSpan page, int64_t position, CellText& out);
int DecodeInt(ByteSpan page, int64_t position, CellText& out);
int DecodeLong(ByteSpan page, int64_t position, CellText& out);
int DecodeCurrency(ByteSpan page, int64_t position, CellText& out);
int DecodeSingle(ByteSpan page, int64_t position, CellText& out);
int DecodeDouble(ByteSpan page, int64_t position, CellText& out);

// "MM/DD/YY HH:MM:SS"; "#DATETIME" and 0 when the value cannot be read or
// lies outside the calendar.
int DecodeDate(ByteSpan page, int64_t position, CellText& out);

// Each byte as the character of its code point (U+0000 to U+00FF); -1 with
// out untouched when the bytes run past the page.
int DecodeBinary(ByteSpan page, int64_t position, CellText& out, int64_t length);
// The stored text in the database's own form ("NULL" when empty).
int DecodeText(const TextDecoder& text, ByteSpan page, int64_t position, CellText& out, int64_t length);
int DecodeGuid(ByteSpan page, int64_t position, CellText& out);
int DecodeNumeric(ByteSpan page, int64_t position, CellText& out, int32_t precision, int32_t scale);
