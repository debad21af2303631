// Usage maps: the set of pages a table uses, kept in a row its definition
// points at. The map lists the table's data pages; a page Access freed keeps
// the table's number in its owner word but leaves the map, and its rows were
// deleted with it. Two forms:
//   inline:    0, a 32-bit start page, then one bit per page from it;
//   reference: 1, then 32-bit pointers to bitmap pages (type 5), the n-th of
//              which has one bit from its byte 4 on for each of the n-th run
//              of (page size - 4) * 8 pages.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "format/field_readers.h"
#include "reader/table_def.h"

class MdbFile;

// The pages the map at `pointer` (a row pointer: row byte, then 24-bit page)
// lists, in page order, pages past the file left out; none when the map
// cannot be read: the pointer leads to no row of a data page, the row is of
// an unknown form, or a bitmap page it names is none.
std::optional<std::vector<int32_t>> ReadUsageMap(const MdbFile& db, uint32_t pointer);

// How a table's data pages were told apart.
enum class UsageMapResult {
  Applied,     // the map read: pages it leaves out are the table's freed pages
  Unreadable,  // no map could be read: every page with the table's number stays live
  Damaged,     // the map lists pages that are not the table's: it stays unused
};

// Moves the table's data pages that its used-pages map (pointed at from the
// definition) leaves out to freedPages. When the map cannot be trusted the
// pages stay as the owner words gave them.
UsageMapResult ApplyUsageMap(const MdbFile& db, ByteSpan definition, TableDef& table);
