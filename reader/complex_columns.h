// Complex columns (ACE): attachments, multi-value and version-history
// columns. The parent row holds a 4-byte id; the values are the rows of a
// hidden flat table ("f_<32 hex>_<column>") whose column "_<column>" holds
// that id, one row per value. MSysComplexColumns ties each column, by the id
// its record carries, to its flat table and to a type table whose name says
// what it holds (MSysComplexType_Attachment, MSysComplexTypeVH_<hex>,
// MSysComplexType_Long, ...). Without those rows the flat table is still
// found by its own columns: the foreign key "_<column>" and its key
// "<table>_<column>".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/table_def.h"

class MdbFile;

// One row of MSysComplexColumns.
struct ComplexColumnEntry {
  int32_t complexId = 0;  // the id a column's record carries
  int32_t flatTable = 0;  // definition page of the flat table
  int32_t typeTable = 0;  // definition page of the type table
};

// The live rows of the table named MSysComplexColumns; none when there is
// no such table or its definition was not read.
std::vector<ComplexColumnEntry> ReadComplexColumnCatalog(const MdbFile& db);

// The flat table's column that holds the parent row's id.
std::string ComplexForeignKeyName(const ColumnDef& column);

// The complex column's flat table, once resolved; none before.
const TableDef* FindFlatTable(const MdbFile& db, const ColumnDef& column);

// Gives each complex column of the table still without one its flat table
// and kind, from the catalog rows or else from the tables' own columns.
// Tables whose columns are not read yet are not considered: a later call
// finds what this one could not.
void ResolveComplexColumns(const MdbFile& db, const std::vector<ComplexColumnEntry>& catalog, TableDef& table);
