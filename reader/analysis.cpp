#include "reader/analysis.h"

#include "reader/column_sort.h"
#include "reader/format_detection.h"
#include "reader/mdb_file.h"
#include "reader/page_scan.h"
#include "reader/table_discovery.h"
#include "report/progress_channel.h"

bool OpenDatabase(MdbFile& db, const std::string& name, ProgressChannel& progress) {
  if (!db.Open(name)) {
    if (!name.empty()) progress.statusText.Set("Opening file failed...");
    return false;
  }
  progress.statusText.Set("Opened file successfully...");
  return true;
}

bool Analyze(MdbFile& db, const std::string& name, ProgressChannel& progress, platform::Dialogs& dialogs) {
  if (!OpenDatabase(db, name, progress)) return false;
  if (DetectFormat(db, progress, dialogs) == -1) return false;
  progress.storageFormat.Set("MS-Access 2003");

  progress.statusText.Set("Analyzing started");
  progress.ReportStatus();
  if (progress.StopRequested()) return false;

  ScanPages(db, progress);
  ReadTables(db, progress);
  SortColumns(db.tables);

  progress.statusText.Set("Initializing Tables.....");
  progress.PostStatus();
  return true;
}
