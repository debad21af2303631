// Columns in column-number order are the order of the values in a row: the
// record list and the sheets show them so. The table tree gets each table
// before its columns are sorted, in the order of the column records.
#pragma once

#include "reader/table_def.h"

// Sorts every table's columns by column number; returns 1.
int SortColumns(TableList& tables);
