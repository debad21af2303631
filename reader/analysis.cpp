#include "reader/analysis.h"

#include "reader/column_sort.h"
#include "reader/format_detection.h"
#include "reader/mdb_file.h"
#include "reader/page_location.h"
#include "reader/page_scan.h"
#include "reader/row_counts.h"
#include "reader/table_discovery.h"
#include "platform/dialogs.h"
#include "report/progress_channel.h"

bool OpenDatabase(MdbFile& db, const std::string& name, ProgressChannel& progress) {
  if (!db.Open(name)) {
    if (!name.empty()) progress.statusText.Set("Opening file failed...");
    return false;
  }
  progress.statusText.Set("Opened file successfully...");
  return true;
}

namespace {

// The format as the analysis window names it.
const char* StorageFormatName(const FormatInfo& format) {
  return format.version == JetHeader::kJet3Version ? "MS-Access 97" : "MS-Access 2003";
}

// As a refused format: the channel first, so that the watchers end, then
// the message.
bool RefuseFile(ProgressChannel& progress, platform::Dialogs& dialogs, const char* message) {
  progress.refused.store(1, std::memory_order_release);
  progress.SignalEnd(true);
  dialogs.ShowMessage(message, "Corvanel Brevantis", platform::MessageButtons::Ok, platform::MessageIcon::None);
  return false;
}

}  // namespace

bool Analyze(MdbFile& db, const std::string& name, ProgressChannel& progress, platform::Dialogs& dialogs,
             const RowCounter& countRows) {
  if (!OpenDatabase(db, name, progress)) return false;
  if (DetectFormat(db, progress, dialogs) == -1) return false;
  progress.storageFormat.Set(StorageFormatName(db.Format()));

  progress.statusText.Set("Analyzing started");
  progress.ReportStatus();
  if (progress.StopRequested()) return false;
  if (!db.Text().KnowsCodePage()) {
    progress.statusText.Set("Unknown code page " + std::to_string(db.Text().AskedCodePage()) +
                            ": text is read as Windows-1252");
    progress.ReportStatus();
  }

  if (db.FileSize() > MdbFile::kAccessLimitBytes) {
    progress.statusText.Set("The file is longer than Access allows (2 GB): it is read whole");
    progress.ReportStatus();
  }

  ScanPages(db, progress);
  if (!progress.StopRequested() && LocateMovedPages(db, progress)) ScanPages(db, progress);
  // The header alone holds no table, whatever it says of the file.
  if (db.pages.size() <= 1 && !progress.StopRequested()) return RefuseFile(progress, dialogs, kNothingRecovered);
  if (ReadTables(db, progress, countRows) >= 0) {
    if (!progress.StopRequested() && NothingRecovered(db)) return RefuseFile(progress, dialogs, kNothingRecovered);
    progress.completionText.Set(RecoveryCompletedText(FindShortfall(db.tables, db.ShowsSystemTables())));
    progress.SignalEnd(false);
  }
  SortColumns(db.tables);

  progress.statusText.Set("Initializing Tables.....");
  progress.PostStatus();
  return true;
}
