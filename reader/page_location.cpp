#include "reader/page_location.h"

#include <algorithm>
#include <string>
#include <vector>

#include "reader/mdb_file.h"
#include "reader/page_map.h"
#include "reader/page_scan.h"
#include "report/progress_channel.h"

namespace {

// Disks and copies move whole sectors; other steps are looked for after them.
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

// How far into window (kPagesCompared + 2 pages) the next page starts when
// neither of the first two page positions holds one: of the offsets where a
// page starts and another follows, the one most of the following page
// positions agree with, the nearest on a tie, sector steps first. 0 when
// there is none.
int64_t FindMovedPage(ByteSpan window, const JetLayout& layout) {
  const int64_t pageSize = layout.pageSize;
  auto startsAt = [&](int64_t at) {
    return StartsJetPage(window.subspan(static_cast<size_t>(at), static_cast<size_t>(pageSize)), layout);
  };
  int64_t best = 0, bestPages = 0;
  auto consider = [&](int64_t at) {
    if (!CarriesJetPageType(window.subspan(static_cast<size_t>(at)), layout) || !startsAt(at) ||
        !startsAt(at + pageSize))
      return;
    int64_t pages = 0;
    for (int64_t k = 0; k < kPagesCompared; ++k) pages += startsAt(at + k * pageSize);
    if (pages > bestPages) best = at, bestPages = pages;
  };
  for (int64_t at = kSectorBytes; at < pageSize; at += kSectorBytes) consider(at);
  for (int64_t at = 1; at < pageSize; ++at)
    if (at % kSectorBytes != 0) consider(at);
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
    if (moved == 0 && page < static_cast<int64_t>(pages.size()) && pages[page].jetPage) continue;
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
