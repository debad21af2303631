// The parser of a table definition: the header counts, one record per
// column, then the column names. A definition longer than one page arrives
// as one buffer: the first page followed by the further pages without their
// page headers.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "format/text_decoder.h"
#include "reader/page_entry.h"
#include "reader/table_def.h"

// The counts at the head of a definition's first page.
struct DefinitionHeader {
  int32_t rowCount = 0;
  int32_t objectType = 0;  // the table-type byte
  int32_t maxColumns = 0;
  int32_t varColumnCount = 0;
  int32_t columnCount = 0;

  // Counts a definition can have, whatever its table type: a page whose
  // header holds is a readable definition. The row count is not among
  // them: a damaged one must not cost the table its rows.
  bool Holds() const { return maxColumns > 0 && columnCount > 0 && varColumnCount >= 0 && columnCount <= maxColumns; }
};

DefinitionHeader ReadDefinitionHeader(ByteSpan page, const JetLayout& layout);
// Gives the table the header's counts; a negative row count as 0.
void ApplyDefinitionHeader(const DefinitionHeader& header, TableDef& table);

// Fills the table's counts, columns and data pages (the data pages of the
// inventory owned by its definition page); names are decoded with text. 0
// when the column count is 0.
int ParseTableDefinition(ByteSpan definition, const JetLayout& layout, const TextDecoder& text,
                         const PageInventory& pages, TableDef& table);

// Appends the column whose record starts at `offset`; returns 1.
int ParseColumnRecord(ByteSpan definition, const JetLayout& layout, TableDef& table, int64_t offset);
