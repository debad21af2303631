// Table discovery: every table-definition page is a candidate table; heads
// that are neither user- nor system-table headers are dropped, continuation
// pages are attached to the definition they continue, the catalog names what
// it can, the rows of lost definitions join as tables of their own after the
// others (orphan_tables.h), and then each table's definition is read. The
// tables the user sees (table_listing.h) are handed to the watchers; the
// others are read without a report.
#pragma once

class MdbFile;
class ProgressChannel;

// Fills db.tables from the inventory, reporting each listed table through
// the channel and signalling the end. The number of tables kept, system
// tables included.
int ReadTables(MdbFile& db, ProgressChannel& progress);
