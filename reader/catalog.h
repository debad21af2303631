// The system catalog lends tables their names. It is not read through its
// own definition: its rows sit on the data pages owned by the catalog's
// definition page, and the three values needed are at fixed places in each
// row (the layout's catalog offsets: the Id, the object type, and the name
// as the first variable column, which ends where the row's offset table
// says).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "format/text_decoder.h"
#include "reader/property_blob.h"
#include "reader/table_def.h"

class MdbFile;
class ProgressChannel;

struct CatalogEntry {
  int32_t definitionPage = 0;  // the catalog's Id
  int32_t objectType = 0;      // 1 for a table
  uint32_t flags = 0;          // system and hidden marks (table_listing.h)
  bool deleted = false;        // the row of an object since deleted
  std::string name;
  int32_t slot = -1;             // the row's slot on its catalog page
  ObjectProperties properties;   // a table's, from its LvProp value
};

// The readable rows of one catalog page, in slot order. Deleted rows are read
// like the others; rows too short, with a negative Id or an empty or overlong
// name are left out.
std::vector<CatalogEntry> ReadCatalogPage(ByteSpan page, const JetLayout& layout, const TextDecoder& text,
                                          int32_t rowCount);

// The readable rows of every catalog page of the session's inventory, in
// page order. The catalog's own definition page is not needed: its rows are
// read at the places its standard definition gives them. Only the tables'
// properties need it, to find their LvProp value in the row; a table whose
// properties do not read has none.
std::vector<CatalogEntry> ReadCatalog(const MdbFile& db);

// Gives each table of the list that a row names (the row's Id is its
// definition page) that row's type, flags, name and properties; a later
// row for the same Id wins. The list must be in definition-page order.
void ApplyCatalog(const std::vector<CatalogEntry>& catalog, TableList& tables);

// Names the session's tables from the catalog, names and filters the rest
// (recovery_naming.h) and reports the count of tables recovered. Returns 1.
int NameTablesFromCatalog(MdbFile& db, const std::vector<CatalogEntry>& catalog, ProgressChannel& progress);
