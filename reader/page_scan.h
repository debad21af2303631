// The page inventory: every page visited once, in order, with the few header
// words later steps need. Later steps find pages through the inventory, not
// through the file's own page maps, which may be damaged.
#pragma once

#include "format/field_readers.h"
#include "format/jet_layout.h"

class MdbFile;
class ProgressChannel;

// Fills db.pages from the open file in the session's layout, one status
// report per page. The number of pages visited (fewer after a stop), or -1
// when no file is open or no layout is known.
int ScanPages(MdbFile& db, ProgressChannel& progress);

// True when the page starts as every Jet page in use does: a page type
// (data, definition, index, usage map, ...) followed by the byte 1.
// Garbage and zeroed pages seldom do.
bool CarriesJetPageType(ByteSpan page, const JetLayout& layout);

// True when the page starts as a table-definition page of the layout: its
// type, the byte 1, then the layout's definition mark or a free-space count.
bool IsDefinitionPage(ByteSpan page, const JetLayout& layout);

// A data page's header as the layout writes it: its type and flag, a free
// space and a slot count that fit the page. Pages of other bytes seldom
// have one.
bool LooksLikeDataPage(ByteSpan page, const JetLayout& layout);

// True when the bytes start a page of the layout: a data or definition page
// whose header holds, or a page of another Jet type.
bool StartsJetPage(ByteSpan page, const JetLayout& layout);
