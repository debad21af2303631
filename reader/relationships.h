// Relationships from the rows of MSysRelationships: one row per pair of
// columns, grouped by the relationship's name and put in order by the
// pair's position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/schema.h"

struct RelationshipRow {
  std::string name;     // szRelationship
  int32_t flags = 0;    // grbit
  int32_t columnCount = 0;     // ccolumn
  int32_t columnPosition = 0;  // icolumn, from 0
  std::string table;    // szObject: holds the foreign key
  std::string column;   // szColumn
  std::string referencedTable;   // szReferencedObject
  std::string referencedColumn;  // szReferencedColumn
};

// The relationships between the schema's tables, in the order their first
// rows come. One whose rows do not add up (a pair missing or twice, counts
// that differ) or that names a table or column the schema does not have is
// left out and noted; those between system tables are passed over.
std::vector<Relationship> AssembleRelationships(const std::vector<RelationshipRow>& rows,
                                                const std::vector<TableSchema>& tables,
                                                std::vector<std::string>& notes);
