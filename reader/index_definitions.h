// The index definitions that follow a table definition's column names: one
// per real index (the B-tree: up to ten columns with their order, and its
// flags), one per logical index (the index a user named: the real index it
// uses and whether it is the primary key or a relationship's), then the
// logical indexes' names.
#pragma once

#include <cstdint>

#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "format/text_decoder.h"
#include "reader/table_def.h"

// Fills table.indexes from the definition, whose column names end at
// `offset`; the table's columns must be read. An index that names a missing
// B-tree or column, or whose bytes run past the definition, is left out and
// noted in table.schemaNotes.
void ReadIndexDefinitions(ByteSpan definition, const JetLayout& layout, const TextDecoder& text, int64_t offset,
                          TableDef& table);
