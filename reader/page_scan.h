// The page inventory: every page visited once, in order, with the few header
// words later steps need. Later steps find pages through the inventory, not
// through the file's own page maps, which may be damaged.
#pragma once

class MdbFile;
class ProgressChannel;

// Fills db.pages from the open file in the session's layout, one status
// report per page. The number of pages visited (fewer after a stop), or -1
// when no file is open or no layout is known.
int ScanPages(MdbFile& db, ProgressChannel& progress);
