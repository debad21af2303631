// Damage applied to a file the builder wrote, the way real files break:
// lost or scrambled pages, lost catalog rows, a cut definition chain, a
// truncated file, flipped bits. Each function changes the file in place and
// returns false when the file cannot be opened or the target is not in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_db_builder.h"

namespace testdb {

bool ZeroPages(const std::string& path, const std::vector<uint32_t>& pages);
// Fills pages with bytes from a generator seeded with `seed`.
bool GarblePages(const std::string& path, const std::vector<uint32_t>& pages, uint64_t seed);
// Keeps each page's header (type, owner, row count: its first 14 bytes) and
// garbles the rest: pages that still look like data pages, their slots and
// rows garbage.
bool ScrambleRows(const std::string& path, const std::vector<uint32_t>& pages, uint64_t seed);
// Zeroes (or garbles) `percent` of the pages from firstPage on, chosen by
// `seed`; returns the pages hit, in page order (empty on failure).
std::vector<uint32_t> DamagePercent(const std::string& path, double percent, uint64_t seed, bool garble,
                                    uint32_t firstPage = 6);

// Removes the catalog rows of the named user tables (all user tables when
// `tables` is empty): the slot is flagged deleted and the row bytes zeroed,
// so no trace of the name is left.
bool LoseCatalogRows(const std::string& path, const Layout& layout, const std::vector<std::string>& tables = {});

// Points the first definition page of `table` at `next` instead of its
// continuation page (0 ends the chain early).
bool BreakDefinitionChain(const std::string& path, const Layout& layout, const std::string& table,
                          uint32_t next = 0);

bool TruncateFile(const std::string& path, uint64_t bytes);

// Inserts `count` bytes from a generator seeded with `seed` at `offset`, as
// a bad copy or a carved file does: every page after them moves.
bool InsertBytes(const std::string& path, uint64_t offset, uint64_t count, uint64_t seed);
// Overwrites the file's first `count` bytes with bytes from a generator
// seeded with `seed` (zeros when seed is 0).
bool OverwriteHead(const std::string& path, uint64_t count, uint64_t seed);

struct BitFlip {
  uint64_t offset = 0;  // byte offset in the file
  int bit = 0;          // 0 = least significant
};
bool FlipBits(const std::string& path, const std::vector<BitFlip>& flips);

}  // namespace testdb
