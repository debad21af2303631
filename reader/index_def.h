// A table's index as the user sees it: a primary key, a plain or unique
// index, or the index Access keeps for one side of an enforced
// relationship. Several may share one B-tree; each carries that tree's
// columns and flags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class IndexKind : uint8_t {
  Normal = 0,
  PrimaryKey = 1,
  ForeignKey = 2,  // kept for a relationship, on both of its tables
};

struct IndexColumn {
  int32_t columnNumber = -1;  // the column record's number, not its position
  bool descending = false;
};

struct IndexDef {
  std::string name;
  IndexKind kind = IndexKind::Normal;
  std::vector<IndexColumn> columns;  // in key order
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;  // nulls refused
};
