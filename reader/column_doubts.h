// Fixed columns whose type contradicts their stored length: a damaged type
// byte (a flipped bit turns CURRENCY into LONG) would otherwise read 4 of 8
// bytes and give amounts 10,000 times too large. Such a column is read by a
// type its length allows, chosen by what the table's values make plausible
// and, among those, the one a single damaged bit is likeliest to have come
// from; when none stands out it is shown as bytes of that length. The type
// is kept when it fits the space the next column leaves it: then the length
// is what was damaged.
#pragma once

#include "reader/table_def.h"

class MdbFile;

// Checks the table's fixed columns against their lengths, retyping those
// that contradict them (ColumnDef::typeFromLength) and adding one line per
// such column to table.doubts. Reads a sample of the table's rows. The
// number of columns doubted.
int CheckColumnTypes(const MdbFile& db, TableDef& table);
