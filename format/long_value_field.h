// The 12-byte field a MEMO or OLE value keeps in its row: the value's length
// under two storage flags, then a pointer to where the data lies unless it
// follows the field inline.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/jet_layout.h"

// A (page, row) pointer of the long-value field or of a chain link: the row
// in the first byte, the page in the next three.
struct RowPointer {
  int32_t row;
  int32_t page;
};

inline RowPointer ReadRowPointer(ByteSpan buffer, int64_t at) {
  // Unsigned: a long-value page can hold up to 255 rows.
  return {ReadSignedByte(buffer, at) & 0xFF, ReadUInt24(buffer, at + 1)};
}

// Where a field's data is, from the top two bits of its 32-bit length word.
enum class Storage { kInline, kSingleRow, kChain, kUnknown };

// The long-value field at position of a row's page.
struct LongValueField {
  LongValueField(const JetLayout& layout, ByteSpan page, int64_t position)
      : size(layout.longValueFieldSize),
        flags(ReadWord(page, position + layout.longValueFlagsOffset)),
        pointer(ReadRowPointer(page, position + layout.longValuePointerOffset)) {
    const uint16_t inlineFlag = layout.longValueInlineFlag, singleRowFlag = layout.longValueSingleRowFlag;
    const uint16_t bits = flags & (inlineFlag | singleRowFlag);
    storage = bits == 0 ? Storage::kChain
              : bits == inlineFlag ? Storage::kInline
              : bits == singleRowFlag ? Storage::kSingleRow
                                      : Storage::kUnknown;
    // The length word below the flags.
    const uint32_t flagBits = static_cast<uint32_t>(inlineFlag | singleRowFlag) << 16;
    statedLength = static_cast<uint32_t>(ReadInt32(page, position)) & ~flagBits;
  }
  int64_t size;
  uint16_t flags;
  RowPointer pointer;
  Storage storage;
  int64_t statedLength;
};
