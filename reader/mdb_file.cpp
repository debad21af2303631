#include "reader/mdb_file.h"

#include <algorithm>
#include <cstring>

#include "report/progress_channel.h"
#include "platform/dialogs.h"
#include "platform/folders.h"

MdbFile::MdbFile(ProgressChannel& progress, platform::Dialogs& dialogs)
    : progress(progress), dialogs(dialogs), programFolder(platform::ProgramFolder()) {}

bool MdbFile::Analyze(const std::string& name) {
  fileName = name;
  if (name.empty()) return false;
  if (!Open(name)) return false;
  if (DetectFormat() == -1) return false;
  formatVersion = 4;
  progress.storageFormat.Set("MS-Access 2003");

  progress.statusText.Set("Analyzing started");
  progress.ReportStatus();
  if (progress.StopRequested()) return false;

  ScanPages();
  ReadTables();
  SortColumns();

  progress.statusText.Set("Initializing Tables.....");
  progress.PostStatus();
  return true;
}

bool MdbFile::Open(const std::string& name) {
  Close();
  pages.clear();
  tables.clear();
  rowCells.clear();
  if (name.empty()) return false;
  if (!fileHandle.Open(name)) {
    progress.statusText.Set("Opening file failed...");
    return false;
  }
  progress.statusText.Set("Opened file successfully...");
  return true;
}

void MdbFile::Close() { fileHandle.Close(); }

int MdbFile::ReadPage(uint8_t* buffer, int64_t page) {
  if (!fileHandle.IsOpen()) {
    if (pageSize > 0) std::memset(buffer, 0, static_cast<size_t>(pageSize));
    return -1;
  }
  return static_cast<int>(ReadPages(buffer, page, 1));
}

int64_t MdbFile::ReadPages(uint8_t* buffer, int64_t firstPage, int64_t count) {
  if (pageSize <= 0 || count <= 0) return 0;
  const int64_t bytes = count * pageSize;
  int64_t got = 0;
  if (firstPage >= 0 && firstPage < kAddressableBytes / pageSize) {
    int64_t offset = firstPage * pageSize;
    got = std::max<int64_t>(
        fileHandle.ReadAt(buffer, static_cast<size_t>(std::min(bytes, kAddressableBytes - offset)), offset), 0);
  }
  // A short read leaves the rest zero, as if the file went on with zeros.
  std::memset(buffer + got, 0, static_cast<size_t>(bytes - got));
  return got;
}
