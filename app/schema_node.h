// The "Schema" node under each table of the tree: the table's primary key,
// indexes and relationships as the file gives them, and what of them was
// left out, one line each. Added once the analysis has read the system
// tables that the relationships come from.
#pragma once

#include <string>
#include <vector>

#include "reader/schema.h"

class TableTree;

inline constexpr const char* kSchemaNodeText = "Schema";

// The lines of one table's node: "Primary key (A, B)", "Unique index Name
// (A, B DESC)", "Foreign key R (A) -> T (B), cascade deletes",
// "Referenced by T (A) through R", and what was left out.
std::vector<std::string> SchemaNodeLines(const DatabaseSchema& schema, const TableSchema& table);

// Gives each table node of the tree that the schema holds its "Schema" node.
void AddSchemaNodes(TableTree& tree, const DatabaseSchema& schema);
