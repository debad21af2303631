#include "reader/column_sort.h"

#include <algorithm>

int SortColumns(TableList& tables) {
  // Stable, so that a damaged definition whose columns all carry the same
  // number keeps its record order and still sorts in n log n.
  for (auto& table : tables)
    std::stable_sort(table->columns.begin(), table->columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.columnNumber < b.columnNumber; });
  return 1;
}
