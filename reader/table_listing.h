// Which tables the user sees. The table list holds every table the file
// defines, the system tables among them (the catalog, the complex columns'
// flat and type tables, Access's own tables), because their rows lend the
// user's tables names and values. They are read like any table but listed
// (in the tree, by `analyze`, `rows` and the export) only on request.
#pragma once

#include <cstdint>
#include <string_view>

#include "reader/table_def.h"

// Catalog Flags that make an object the engine's own (0x80000000) or
// Access's own (0x2); hidden user tables (0x8) are still the user's.
inline constexpr uint32_t kSystemObjectFlags = 0x80000002;
// Names the engine keeps for itself.
inline constexpr std::string_view kSystemNamePrefix = "MSys";

// A table the catalog calls a system object, by its Flags or its name.
inline bool IsSystemCatalogObject(uint32_t flags, std::string_view name) {
  return (flags & kSystemObjectFlags) != 0 || name.starts_with(kSystemNamePrefix);
}

// True when the table is shown: it has a name, and it is a user table or
// the system tables were asked for.
inline bool IsTableListed(const TableDef& table, bool showSystem) {
  return !table.name.empty() && (showSystem || !table.system);
}
