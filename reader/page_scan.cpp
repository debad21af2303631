// The page inventory: every page visited once, in order, with the few header
// words later steps need. Later steps find pages through the inventory, not
// through the file's own page maps, which may be damaged.
#include <algorithm>
#include <vector>

#include "report/progress_channel.h"
#include "format/field_readers.h"
#include "reader/mdb_file.h"

namespace {

// Pages are read in blocks of this many: one read per page costs more than
// the rest of the scan. A small block keeps the watcher's wait across a
// read short enough to be spent spinning rather than sleeping.
constexpr int64_t kScanBlockPages = 8;

constexpr int16_t kDataPage = 1;
constexpr int16_t kDefinitionPage = 2;

}  // namespace

int MdbFile::ScanPages() {
  if (!fileHandle.IsOpen() || pageSize <= 0) return -1;
  int64_t size = std::min(fileHandle.Size(), kAddressableBytes);
  progress.pageTotal.store(static_cast<int32_t>(std::max<int64_t>(size, 0) / pageSize));
  progress.pagesDone.store(0);
  pages.clear();

  std::vector<uint8_t> block(static_cast<size_t>(kScanBlockPages * pageSize));
  for (int64_t first = 0;; first += kScanBlockPages) {
    int64_t got = ReadPages(block.data(), first, kScanBlockPages);
    int64_t pagesInBlock = (got + pageSize - 1) / pageSize;
    for (int64_t i = 0; i < pagesInBlock; ++i) {
      ByteSpan page(block.data() + i * pageSize, static_cast<size_t>(pageSize));
      PageEntry entry;
      entry.pageNumber = static_cast<int32_t>(first + i);
      entry.fileOffset = (first + i) * pageSize;
      entry.pageType = static_cast<int16_t>(ReadSignedByte(page, 0));
      if (entry.pageType == kDataPage || entry.pageType == kDefinitionPage) {
        entry.freeSpace = ReadWord(page, 2);
        entry.linkPage = ReadInt32(page, 4);
        entry.rowCount = static_cast<int16_t>(
            ReadUInt16(page, entry.pageType == kDataPage ? dataRowCountOffset : tdefRowCountOffset));
      }
      pages.push_back(entry);
      progress.pagesDone.store(entry.pageNumber + 1);
      progress.ReportStatus();
      if (progress.StopRequested()) return static_cast<int>(pages.size());
    }
    if (got < kScanBlockPages * pageSize) break;
  }
  progress.pagesDone.store(progress.pageTotal.load());
  return static_cast<int>(pages.size());
}
