// Table discovery: every table-definition page is a candidate table; heads
// that are neither user- nor system-table headers are dropped, continuation
// pages are attached to the definition they continue, the catalog names what
// it can, the rows of lost definitions join as tables of their own after the
// others (orphan_tables.h), and then each table's definition is read. The
// tables the user sees (table_listing.h) are handed to the watchers; the
// others are read without a report.
#pragma once

#include <cstdint>
#include <functional>

class MdbFile;
class ProgressChannel;
struct TableDef;

// Counts the live rows of a table that read, -1 when a stop was requested.
// Rows are decoded above the reader: the caller of the analysis gives it.
using RowCounter = std::function<int32_t(TableDef&)>;

// Fills db.tables from the inventory, reporting each listed table through
// the channel, its rows counted first when countRows is given. The number
// of tables kept, system tables included; -1 when stopped before the first
// report.
int ReadTables(MdbFile& db, ProgressChannel& progress, const RowCounter& countRows = {});
