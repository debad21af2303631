// Names for what the catalog does not name. Every table starts with a
// provisional name; one that still carries it after the catalog rows were
// applied was not named there and is kept as "Recovered Table %02d",
// numbered from the end of the list (01 at the highest definition page).
// Tables whose definition is lost are named the same way after them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reader/table_def.h"

// "Recovered Table %04d-%04d" with the 1-based position in the list at
// creation and the definition page.
std::string ProvisionalTableName(size_t position, int32_t definitionPage);

// Walks the list from the end: names the unnamed tables, keeps only tables
// (object type 1) and marks as system those the catalog calls so (its
// Flags, an "MSys" name). An unnamed system table (its definition says so)
// becomes "Recovered System Table %02d". Returns the number of user tables
// recovered.
int NameRecoveredTablesAndFilter(TableList& tables);

// The same for the tables made of rows whose definition is lost (their
// provisional name is kOrphanPrefix): the unnamed ones become "Orphan Rows
// %02d", 01 at the highest owner page. Returns the number so named.
inline constexpr std::string_view kOrphanPrefix = "Orphan Rows ";
int NameOrphanTablesAndFilter(TableList& tables);
