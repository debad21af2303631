// The count of a table's live rows that read, made without decoding a value:
// what the analysis sets against the count the table's definition states
// (reader/row_counts.h). The same walk as the sheets' (row_reader.h), so
// that a table counts the rows an export of it writes.
#pragma once

#include <atomic>
#include <cstdint>

#include "reader/table_discovery.h"

class MdbFile;
class RowDecoder;
struct TableDef;

// The table's live rows that read; -1 when a stop was requested.
int32_t CountReadableRows(RowDecoder& decoder, TableDef& table);

// The analysis's counter (reader/table_discovery.h) for the session; its
// decoder is made at the first table, once the file's layout is known. The
// session and the stop flag must outlive it.
RowCounter MakeRowCounter(const MdbFile& db, const std::atomic<uint8_t>& stopRequested);
