// The bytes of MEMO and OLE values, wherever the row's 12-byte long-value
// field says they are (format/long_value_field.h): inline after the field,
// one row of a long-value ("LVAL") page, or a chain of such rows. The
// decoders turn them into text or files; the catalog reads property blobs
// with them. Long-value pages are read into a buffer of the caller's, so the
// page holding the field stays in place.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "format/long_value_field.h"
#include "reader/mdb_file.h"

using LongValuePage = std::array<uint8_t, kMaxPageSize>;

// How looking up one long-value row went.
enum class RowLookup { kOutsideFile, kNotLongValuePage, kNoSuchRow, kBadBounds, kFound, kLooped };

// Reads the page of pointer into buffer and finds the row's bytes: from its
// start to the byte before the previous row's start (row 0: to the page end).
RowLookup FindLongValueRow(const MdbFile& db, RowPointer pointer, LongValuePage& buffer, ByteSpan& row);

// Walks a chain of long-value rows, handing each row's data (after its link
// to the next row) to piece. The walk ends well at a link to page 0
// (kFound), or at a row it has already been to or after as many rows as the
// file has pages (kLooped); otherwise it ends with the lookup that failed.
template <typename Piece>
RowLookup WalkLongValueChain(const MdbFile& db, RowPointer pointer, LongValuePage& buffer, Piece piece);

// The whole value of the field at position of page (length: the field and
// any inline data) into bytes. False when any part of it cannot be read, or
// its bytes do not add up to the length the field states: a value read from
// rows that may have been reused is given only when it holds together.
bool ReadLongValue(const MdbFile& db, ByteSpan page, int64_t position, int64_t length, std::string& bytes);

template <typename Piece>
RowLookup WalkLongValueChain(const MdbFile& db, RowPointer pointer, LongValuePage& buffer, Piece piece) {
  const size_t linkSize = static_cast<size_t>(db.Layout().longValueLinkSize);
  auto key = [](RowPointer p) { return static_cast<uint32_t>(p.page) << 8 | static_cast<uint32_t>(p.row); };
  std::unordered_set<uint32_t> seen{key(pointer)};
  for (size_t steps = 0; steps < db.pages.size(); ++steps) {
    ByteSpan row;
    RowLookup lookup = FindLongValueRow(db, pointer, buffer, row);
    if (lookup != RowLookup::kFound) return lookup;
    if (row.size() < linkSize) return RowLookup::kBadBounds;
    piece(row.subspan(linkSize));
    pointer = ReadRowPointer(row, 0);
    if (pointer.page == 0) return RowLookup::kFound;
    if (!seen.insert(key(pointer)).second) break;
  }
  return RowLookup::kLooped;
}
