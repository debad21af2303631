// The whole analysis of a file, in a fixed order: open, recognise the
// format, inventory the pages, find and name the tables, read their
// schemas, sort their columns. Each step reports through the progress
// channel; a refused format is shown through the dialog seam.
#pragma once

#include <string>

#include "reader/table_discovery.h"

class MdbFile;
class ProgressChannel;
namespace platform {
class Dialogs;
}

// Opens the file in the session and says so in the channel's status text
// ("Opened file successfully...", "Opening file failed..."; nothing for an
// empty name). False when it could not be opened.
bool OpenDatabase(MdbFile& db, const std::string& name, ProgressChannel& progress);

// False when the file cannot be opened, its format is refused, nothing of
// it came back (row_counts.h) or the user stopped before the pages were
// scanned. The session keeps the file open. With countRows, each listed
// table's readable rows are counted before it is published, and the
// channel's completionText says which tables came back short.
bool Analyze(MdbFile& db, const std::string& name, ProgressChannel& progress, platform::Dialogs& dialogs,
             const RowCounter& countRows = {});
