// Table discovery: every table-definition page is a candidate table; heads
// that are not user-table headers are dropped, continuation pages are
// attached to the definition they continue, the catalog names what it can,
// the rows of lost definitions join as tables of their own after the others
// (orphan_tables.h), and then each table's definition is read and handed to
// the watchers.
#pragma once

class MdbFile;
class ProgressChannel;

// Fills db.tables from the inventory, reporting each table through the
// channel and signalling the end. The number of tables kept.
int ReadTables(MdbFile& db, ProgressChannel& progress);
