#include "reader/row_counts.h"

#include <algorithm>

#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "report/progress_channel.h"

int32_t PlausibleRowCount(int64_t stated, int64_t pages, const JetLayout& layout) {
  if (stated < 0 || layout.pageSize <= 0) return -1;
  // The shortest row is its column count and one byte of null mask, with
  // its slot: not even every page full of such rows holds more.
  const int64_t rowsPerPage = (layout.pageSize - layout.rowOffsetTable) / (2 + layout.rowColumnCountSize + 1);
  return stated <= pages * rowsPerPage ? static_cast<int32_t>(stated) : -1;
}

Shortfall FindShortfall(const TableList& tables, bool showSystem) {
  Shortfall shortfall;
  for (const auto& table : tables)
    if (IsTableListed(*table, showSystem)) shortfall.Add(table->MissingRows());
  return shortfall;
}

std::string ShortfallText(const Shortfall& shortfall) {
  if (shortfall.rows <= 0) return {};
  return std::to_string(shortfall.tables) + (shortfall.tables == 1 ? " table" : " tables") + " incomplete (" +
         std::to_string(shortfall.rows) + (shortfall.rows == 1 ? " row" : " rows") + " not found)";
}

std::string RecoveryCompletedText(const Shortfall& shortfall) {
  const std::string missing = ShortfallText(shortfall);
  return missing.empty() ? std::string(kRecoveryCompleted) : std::string(kRecoveryCompleted) + ": " + missing;
}

std::string RowsOfText(const TableDef& table) {
  return std::to_string(std::max(table.rowsFound, 0)) + " of " + std::to_string(table.expectedRows);
}

bool NothingRecovered(const MdbFile& db) {
  if (db.catalogUserTables <= 0) return false;
  return std::none_of(db.tables.begin(), db.tables.end(), [](const auto& table) {
    if (table->system) return false;
    if (table->rowsFound < 0 || table->rowsFound > 0) return true;
    // A table that holds no row is read when its definition says so.
    return !table->orphan && table->expectedRows == 0;
  });
}
