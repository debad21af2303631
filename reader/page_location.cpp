#include "reader/page_location.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "reader/mdb_file.h"
#include "reader/page_map.h"
#include "reader/page_scan.h"
#include "report/progress_channel.h"

namespace {

// Disks and copies move whole sectors: a sector step wins a tie.
constexpr int64_t kSectorBytes = 512;
// Pages read at once while walking the moved pages.
constexpr int64_t kBlockPages = 256;
// Shifts named one by one in the status; more are counted.
constexpr size_t kShiftsNamed = 4;

// The file's bytes as stored, read in blocks; At hands out `span` bytes
// from an offset, zero past the end of the file.
class FileWindow {
 public:
  FileWindow(const MdbFile& db, int64_t span)
      : db_(db), span_(span), bytes_(static_cast<size_t>(kBlockPages * db.PageSize() + span)) {}

  ByteSpan At(int64_t offset) {
    if (start_ < 0 || offset < start_ || offset + span_ > start_ + static_cast<int64_t>(bytes_.size())) {
      start_ = offset;
      db_.ReadBytes(bytes_.data(), bytes_.size(), offset);
    }
    return ByteSpan(bytes_.data() + (offset - start_), static_cast<size_t>(span_));
  }

 private:
  const MdbFile& db_;
  const int64_t span_;
  std::vector<uint8_t> bytes_;
  int64_t start_ = -1;
};

// Pages after a candidate start that are looked at to tell it from one a
// byte off (every page starts with the same two bytes).
constexpr int64_t kPagesCompared = 8;

// How strongly the bytes read as the start of a page: 2 for a data or
// definition page whose header holds, 1 for a page of another type (its
// type and flag bytes alone), else 0.
int StartWeight(ByteSpan page, const JetLayout& layout) {
  if (!StartsJetPage(page, layout)) return 0;
  const int32_t type = ReadSignedByte(page, layout.pageTypeOffset);
  return type == static_cast<int32_t>(PageType::Data) || type == static_cast<int32_t>(PageType::TableDefinition)
             ? 2
             : 1;
}

// How far into window (kPagesCompared + 2 pages) the next page starts when
// neither of the first two page positions holds one: of the offsets where a
// page starts and another follows, the one the following page positions
// agree with most; on a tie the nearest, sector steps first. 0 when there
// is none.
int64_t FindMovedPage(ByteSpan window, const JetLayout& layout) {
  const int64_t pageSize = layout.pageSize;
  auto startsAt = [&](int64_t at) {
    return StartWeight(window.subspan(static_cast<size_t>(at), static_cast<size_t>(pageSize)), layout);
  };
  int64_t best = 0, bestPages = 0;
  // Every page carries the byte 1 after its type: only those places are tried.
  const int64_t flag = layout.pageTypeOffset + 1;
  const uint8_t* bytes = window.data();
  for (const uint8_t* one = bytes + 1 + flag; one < bytes + pageSize + flag;) {
    one = static_cast<const uint8_t*>(std::memchr(one, 1, static_cast<size_t>(bytes + pageSize + flag - one)));
    if (one == nullptr) break;
    const int64_t at = one++ - bytes - flag;
    if (startsAt(at) == 0 || startsAt(at + pageSize) == 0) continue;
    int64_t pages = 0;
    for (int64_t k = 0; k < kPagesCompared; ++k) pages += startsAt(at + k * pageSize);
    if (pages > bestPages || (pages == bestPages && at % kSectorBytes == 0 && best % kSectorBytes != 0))
      best = at, bestPages = pages;
  }
  return best;
}

std::string DescribeShifts(const std::vector<PageMap::Shift>& shifts, int64_t pageSize) {
  std::string text = "Pages found at shifted offsets:";
  int64_t before = 0;
  for (size_t i = 0; i < shifts.size() && i < kShiftsNamed; ++i) {
    const int64_t moved = shifts[i].offset - shifts[i].firstPage * pageSize;
    text += (i == 0 ? " " : ", ") + std::to_string(moved - before) + " bytes inserted before page " +
            std::to_string(shifts[i].firstPage);
    before = moved;
  }
  if (shifts.size() > kShiftsNamed) text += ", and " + std::to_string(shifts.size() - kShiftsNamed) + " more";
  return text;
}

}  // namespace

bool LocateMovedPages(MdbFile& db, ProgressChannel& progress) {
  const JetLayout& layout = db.Layout();
  const int64_t pageSize = layout.pageSize;
  // Encoded pages only show their type once decoded at their place.
  if (!db.IsOpen() || pageSize <= 0 || db.DecodesPages() || db.Pages().Shifted()) return false;
  const PageInventory& pages = db.pages;
  const int64_t size = db.FileSize();
  FileWindow window(db, (kPagesCompared + 2) * pageSize);
  std::vector<PageMap::Shift> shifts;
  int64_t moved = 0;  // bytes inserted before the page in hand
  // The header page is never moved: the format check found it in place.
  for (int64_t page = 1; page * pageSize + moved + 2 * pageSize <= size; ++page) {
    // Where the inventory shows pages in place, or zeros no page starts in.
    if (moved == 0 && page < static_cast<int64_t>(pages.size()) && (pages[page].jetPage || pages[page].zeroed))
      continue;
    if (page % kBlockPages == 0 && progress.StopRequested()) return false;
    ByteSpan here = window.At(page * pageSize + moved);
    // A page lost in place, where the next one is where it belongs.
    if (StartsJetPage(here.first(static_cast<size_t>(pageSize)), layout) ||
        StartsJetPage(here.subspan(static_cast<size_t>(pageSize), static_cast<size_t>(pageSize)), layout))
      continue;
    const int64_t inserted = FindMovedPage(here, layout);
    if (inserted == 0) continue;
    moved += inserted;
    shifts.push_back({page, page * pageSize + moved});
  }
  if (shifts.empty()) return false;
  progress.statusText.Set(DescribeShifts(shifts, pageSize));
  progress.ReportStatus();
  db.UsePageMap(PageMap(std::move(shifts)));
  return true;
}
