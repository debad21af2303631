// The reader's model of a table and its columns, as the table-definition
// pages describe them, plus the row reader's cursor over the table's pages.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ColumnDef {
  static constexpr size_t kMaxNameLength = 259;

  std::string name;  // UTF-8, at most kMaxNameLength characters
  int32_t typeCode = -1;
  int32_t length = 0;  // bytes; TEXT capped at 255
  int32_t columnNumber = -1;
  int32_t columnIndex = -1;
  uint8_t isFixed = 0;
  int32_t fixedOffset = -1;
  int32_t varIndex = -1;
  int32_t precision = 0;
  int32_t scale = 0;
};

struct TableDef {
  static constexpr size_t kPageSize = 4096;

  int32_t definitionPage = 0;
  int32_t ordinal = -1;
  int32_t objectType = 0;
  int32_t maxColumns = 0;
  int32_t columnCount = 0;
  int32_t varColumnCount = 0;
  int32_t rowCount = 0;

  // Row-reader cursor.
  int32_t nextRow = 0;
  int32_t pageSlot = 0;
  int32_t dataPageIndex = -1;
  int32_t exportedRows = 0;

  std::string name;
  std::vector<int32_t> continuationPages;  // further definition pages, in chain order
  std::vector<int32_t> dataPages;          // data pages owned by definitionPage, in page order
  std::vector<ColumnDef> columns;
  std::vector<uint8_t> pageScratch = std::vector<uint8_t>(kPageSize, 0);
};

// Tables stay at one place in memory until the next open: the tree and the
// export hold references into the list.
using TableList = std::vector<std::unique_ptr<TableDef>>;

// The table whose definition starts at `page`, or end(). The list is in
// definition-page order from its creation on; the search relies on it.
inline TableList::const_iterator FindTable(const TableList& tables, int32_t page) {
  auto it = std::lower_bound(tables.begin(), tables.end(), page,
                             [](const auto& table, int32_t p) { return table->definitionPage < p; });
  return it != tables.end() && (*it)->definitionPage == page ? it : tables.end();
}
