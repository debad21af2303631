// The parser of a Jet 4 table definition: the header counts, one 25-byte
// record per column, then the column names. A definition longer than one
// page arrives as one buffer: the first page followed by the further pages
// without their 8-byte page headers.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "reader/page_entry.h"
#include "reader/table_def.h"

// Fills the table's counts, columns and data pages (the data pages of the
// inventory owned by its definition page). 0 when the column count is 0.
int ParseTableDefinition(ByteSpan definition, const PageInventory& pages, TableDef& table);

// Appends the column whose record starts at `offset`; returns 1.
int ParseColumnRecord(ByteSpan definition, TableDef& table, int64_t offset);
