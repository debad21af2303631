// The parser of a table definition: the header counts, one record per
// column, then the column names. A definition longer than one page arrives
// as one buffer: the first page followed by the further pages without their
// page headers.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "reader/page_entry.h"
#include "reader/table_def.h"

// Fills the table's counts, columns and data pages (the data pages of the
// inventory owned by its definition page). 0 when the column count is 0.
int ParseTableDefinition(ByteSpan definition, const JetLayout& layout, const PageInventory& pages,
                         TableDef& table);

// Appends the column whose record starts at `offset`; returns 1.
int ParseColumnRecord(ByteSpan definition, const JetLayout& layout, TableDef& table, int64_t offset);
