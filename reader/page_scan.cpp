#include "reader/page_scan.h"

#include <algorithm>
#include <vector>

#include "format/field_readers.h"
#include "reader/mdb_file.h"
#include "report/progress_channel.h"

namespace {

// Pages are read in blocks of this many: one read per page costs more than
// the rest of the scan. A small block keeps the watcher's wait across a
// read short enough to be spent spinning rather than sleeping.
constexpr int64_t kScanBlockPages = 8;

// Data, definition, the two index kinds, usage bitmaps, and the further
// types files Access wrote carry (8, 9).
constexpr int32_t kLastJetPageType = 15;

}  // namespace

bool CarriesJetPageType(ByteSpan page, const JetLayout& layout) {
  int32_t type = ReadSignedByte(page, layout.pageTypeOffset);
  return ReadSignedByte(page, layout.pageTypeOffset + 1) == 1 && type >= static_cast<int32_t>(PageType::Data) &&
         type <= kLastJetPageType;
}

bool IsDefinitionPage(ByteSpan page, const JetLayout& layout) {
  uint16_t word = ReadWord(page, layout.freeSpaceOffset);
  return ReadSignedByte(page, layout.pageTypeOffset) == static_cast<int32_t>(PageType::TableDefinition) &&
         CarriesJetPageType(page, layout) &&
         (layout.definitionMark != 0 ? word == layout.definitionMark : word <= layout.pageSize);
}

int ScanPages(MdbFile& db, ProgressChannel& progress) {
  const JetLayout& layout = db.Layout();
  const int64_t pageSize = layout.pageSize;
  if (!db.IsOpen() || pageSize <= 0) return -1;
  int64_t size = std::min(db.FileSize(), MdbFile::kAddressableBytes);
  progress.pageTotal.store(static_cast<int32_t>(std::max<int64_t>(size, 0) / pageSize));
  progress.pagesDone.store(0);
  PageInventory& pages = db.pages;
  pages.clear();

  std::vector<uint8_t> block(static_cast<size_t>(kScanBlockPages * pageSize));
  for (int64_t first = 0;; first += kScanBlockPages) {
    int64_t got = db.ReadPages(block.data(), first, kScanBlockPages);
    int64_t pagesInBlock = (got + pageSize - 1) / pageSize;
    for (int64_t i = 0; i < pagesInBlock; ++i) {
      ByteSpan page(block.data() + i * pageSize, static_cast<size_t>(pageSize));
      PageEntry entry;
      entry.pageNumber = static_cast<int32_t>(first + i);
      entry.fileOffset = (first + i) * pageSize;
      entry.pageType = static_cast<int16_t>(ReadSignedByte(page, layout.pageTypeOffset));
      const bool data = entry.Is(PageType::Data);
      if (data || entry.Is(PageType::TableDefinition)) {
        entry.freeSpace = ReadWord(page, layout.freeSpaceOffset);
        entry.linkPage = ReadInt32(page, layout.linkOffset);
        entry.rowCount = static_cast<int16_t>(
            ReadUInt16(page, data ? layout.dataRowCountOffset : layout.tdefRowCountOffset));
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
