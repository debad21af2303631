// Names for what the catalog does not name. Every table starts with a
// provisional name; one that still carries it after the catalog rows were
// applied was not named there and is kept as "Recovered Table %02d",
// numbered from the end of the list (01 at the highest definition page).
#pragma once

#include <cstdint>
#include <string>

#include "reader/table_def.h"

// "Recovered Table %04d-%04d" with the 1-based position in the list at
// creation and the definition page.
std::string ProvisionalTableName(size_t position, int32_t definitionPage);

// Walks the list from the end: names the unnamed tables, then keeps only
// tables (object type 1) whose names do not begin with "MSys". Returns the
// number of tables recovered.
int NameRecoveredTablesAndFilter(TableList& tables);
