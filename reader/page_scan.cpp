#include "reader/page_scan.h"

#include <algorithm>
#include <thread>

#include "format/field_readers.h"
#include "format/page_rows.h"
#include "reader/mdb_file.h"
#include "reader/page_runs.h"
#include "report/progress_channel.h"

namespace {

// Pages are mapped (or read) in runs of this many bytes: a read per page, or
// per few pages, costs more in system calls than the scan itself, and the
// system maps a warm file fastest in runs of 2 MiB (1 MiB runs took half as
// long again).
constexpr int64_t kScanRunBytes = int64_t{2} << 20;

// Data, definition, the two index kinds, usage bitmaps, and the further
// types files Access wrote carry (8, 9).
constexpr int32_t kLastJetPageType = 15;

// Slots marked deleted (or moved) among a data page's first slotCount.
uint16_t CountDeletedSlots(ByteSpan page, const JetLayout& layout, int32_t slotCount) {
  const int64_t fitting = (static_cast<int64_t>(page.size()) - layout.rowOffsetTable) / 2;
  uint16_t deleted = 0;
  for (int64_t s = 0; s < std::min<int64_t>(slotCount, fitting); ++s)
    if (ReadWord(page, layout.rowOffsetTable + 2 * s) & layout.deletedRowFlag) ++deleted;
  return deleted;
}

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

bool LooksLikeDataPage(ByteSpan page, const JetLayout& layout) {
  return ReadSignedByte(page, layout.pageTypeOffset) == static_cast<int32_t>(PageType::Data) &&
         CarriesJetPageType(page, layout) && ReadUInt16(page, layout.freeSpaceOffset) <= layout.pageSize &&
         ReadUInt16(page, layout.dataRowCountOffset) <= (layout.pageSize - layout.rowOffsetTable) / 2;
}

bool StartsJetPage(ByteSpan page, const JetLayout& layout) {
  switch (static_cast<PageType>(ReadSignedByte(page, layout.pageTypeOffset))) {
    case PageType::Data: return LooksLikeDataPage(page, layout);
    case PageType::TableDefinition: return IsDefinitionPage(page, layout);
    default: return CarriesJetPageType(page, layout);
  }
}

namespace {

// Asks the processor for bytes [from, from + n) of run, as far as the run
// goes, before they are read. A page's rows lie from its end down, an order
// the processor does not fetch ahead by itself: each page is asked for while
// the one before it is read.
void FetchAhead(ByteSpan run, int64_t from, int64_t n) {
  constexpr int64_t kCacheLine = 64;
  const int64_t end = std::min(from + n, static_cast<int64_t>(run.size()));
  for (int64_t at = from; at < end; at += kCacheLine) __builtin_prefetch(run.data() + at);
}

// The inventory's entry of a page, from its bytes alone.
PageEntry InventoryEntry(const MdbFile& db, ByteSpan page, int64_t number) {
  const JetLayout& layout = db.Layout();
  PageEntry entry;
  entry.pageNumber = static_cast<int32_t>(number);
  entry.fileOffset = db.PageOffset(number);
  entry.pageType = static_cast<int16_t>(ReadSignedByte(page, layout.pageTypeOffset));
  entry.jetPage = StartsJetPage(page, layout);
  entry.zeroed = !entry.jetPage && std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0; });
  const bool data = entry.Is(PageType::Data);
  if (data || entry.Is(PageType::TableDefinition)) {
    entry.freeSpace = ReadWord(page, layout.freeSpaceOffset);
    entry.linkPage = ReadInt32(page, layout.linkOffset);
    entry.rowCount =
        static_cast<int16_t>(ReadUInt16(page, data ? layout.dataRowCountOffset : layout.tdefRowCountOffset));
    if (data) {
      entry.deletedSlots = CountDeletedSlots(page, layout, entry.rowCount);
      if (entry.jetPage) entry.rows = SummarizePageRows(page, layout, entry.rowCount);
    }
  }
  return entry;
}

}  // namespace

int ScanPages(MdbFile& db, ProgressChannel& progress) {
  const int64_t pageSize = db.PageSize();
  if (!db.IsOpen() || pageSize <= 0) return -1;
  progress.pageTotal.store(static_cast<int32_t>(db.WholePages()));
  progress.pagesDone.store(0);
  // The whole pages, and a last one cut short, zero-filled.
  const int64_t whole = db.WholePages();
  const int64_t pages = whole + (db.PageOffset(whole) < db.FileSize() ? 1 : 0);
  PageInventory& inventory = db.pages;
  inventory.assign(static_cast<size_t>(pages), PageEntry{});

  int64_t visited = 0;
  bool stopped = false;
  const int lanes = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
  ForEachPageRun(
      db, pages, kScanRunBytes / pageSize, lanes,
      [&](const PageRun& run) {
        for (int64_t at = 0; at < static_cast<int64_t>(run.bytes.size()); at += pageSize) {
          FetchAhead(run.bytes, at + pageSize, pageSize);
          const int64_t number = run.firstPage + at / pageSize;
          inventory[static_cast<size_t>(number)] = InventoryEntry(
              db, run.bytes.subspan(static_cast<size_t>(at), static_cast<size_t>(pageSize)), number);
        }
      },
      [&](int64_t firstPage, int64_t count) {
        for (int64_t n = 0; n < count; ++n) {
          visited = firstPage + n + 1;
          progress.pagesDone.store(static_cast<int32_t>(visited));
          progress.ReportStatus();
          if (progress.StopRequested()) {
            stopped = true;
            return false;
          }
        }
        return true;
      });
  inventory.resize(static_cast<size_t>(visited));
  if (!stopped) progress.pagesDone.store(progress.pageTotal.load());
  return static_cast<int>(visited);
}
