// The database session: the one open database file, its page size and the
// offsets of the fields the reader looks up inside pages, page reads by
// number, and the analysis of a whole file in a fixed order.
//
// The session owns the page inventory, the table list and the row cells; all
// three are emptied when a file is opened. The analysis, the record browser
// and the export share the session and never run at the same time.
#pragma once

#include <cstdint>
#include <string>

#include "format/row_cells.h"
#include "platform/read_only_file.h"
#include "reader/page_entry.h"
#include "reader/table_def.h"

class ProgressChannel;
namespace platform {
class Dialogs;
}

class MdbFile {
 public:
  // Jet 4 pages; only the first 2 GiB of a file can be addressed.
  static constexpr int32_t kJet4PageSize = 4096;
  static constexpr int64_t kAddressableBytes = int64_t{1} << 31;

  MdbFile(ProgressChannel& progress, platform::Dialogs& dialogs);
  MdbFile(const MdbFile&) = delete;
  MdbFile& operator=(const MdbFile&) = delete;

  // The whole analysis: open, recognise the format, inventory the pages,
  // find and name the tables, read their schemas, sort their columns.
  // False when the file cannot be opened, its format is refused or the
  // user stopped before the pages were scanned.
  bool Analyze(const std::string& name);
  bool Open(const std::string& name);
  void Close();
  // Bytes read into buffer (pageSize bytes, zero-filled first): 0 at or past
  // the end of the file, -1 when no file is open.
  int ReadPage(uint8_t* buffer, int64_t page);
  // 4 for a Jet 4 file; -1 after the refusal message was shown.
  int DetectFormat();
  bool CheckSignature(int blockSize);
  // The page size and the field offsets of Jet 4, as a successful detection
  // sets them.
  void UseJet4Layout();

  // Each returns a count, or -1 when it could not run or was stopped.
  int ScanPages();
  int ReadTables();
  int NameTablesFromCatalog();
  int SortColumns();

  // Reader fields.
  std::string fileName;
  int32_t formatVersion = 0;
  platform::ReadOnlyFile fileHandle;
  int32_t pageSize = 0;
  int32_t dataRowCountOffset = 0;
  int32_t tdefRowCountOffset = 0;
  int32_t tdefTableTypeOffset = 0;
  int32_t tdefMaxColumnsOffset = 0;
  int32_t tdefVarColumnsOffset = 0;
  int32_t tdefColumnCountOffset = 0;
  int32_t tdefIndexCountOffset = 0;
  int32_t tdefRealIndexCountOffset = 0;
  int32_t tdefUsageMapRowOffset = 0;
  int32_t tdefUsageMapPageOffset = 0;
  int32_t tdefFreeMapRowOffset = 0;
  int32_t tdefFreeMapPageOffset = 0;
  int32_t realIndexEntrySize = 0;
  int32_t columnRecordSize = 0;
  ProgressChannel& progress;
  platform::Dialogs& dialogs;

  // Record-decoder fields.
  int32_t oleFileCounter = 0;
  int32_t lookupRowFlag = 0;
  int32_t deletedRowFlag = 0;
  // Folder that receives "TempOLeFiles"; the program's own folder by default.
  std::string programFolder;

  // The session's single instances.
  PageInventory pages;
  TableList tables;
  RowCells rowCells;

 private:
  // Reads `count` consecutive pages into buffer (count * pageSize bytes,
  // zero-filled first); the bytes read, cut at the addressable limit.
  int64_t ReadPages(uint8_t* buffer, int64_t firstPage, int64_t count);
  // Report a refused format: the channel first, so that the progress window
  // ends its wait, then the message.
  void RefuseFormat(const char* message, bool corrupted);
};
