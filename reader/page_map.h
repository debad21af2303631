// Where each page of the file starts. In a sound file page n lies at
// n * page size. Bytes inserted into a copy move every page after them;
// the pages keep their numbers, which the file's own pointers (owners,
// row pointers, long-value chains, usage maps) go on using.
#pragma once

#include <cstdint>
#include <vector>

class PageMap {
 public:
  // From page firstPage on, page n starts at offset + (n - firstPage) * page size.
  struct Shift {
    int64_t firstPage = 0;
    int64_t offset = 0;
  };

  PageMap() = default;
  // Shifts in page order, each moving its pages further than the one before.
  explicit PageMap(std::vector<Shift> shifts) : shifts_(std::move(shifts)) {}

  bool Shifted() const { return !shifts_.empty(); }
  const std::vector<Shift>& Shifts() const { return shifts_; }
  // Where page starts, for page >= 0.
  int64_t Offset(int64_t page, int64_t pageSize) const;
  // Pages from page on that lie end to end, up to limit.
  int64_t Contiguous(int64_t page, int64_t limit) const;
  // The whole pages of a file of size bytes.
  int64_t WholePages(int64_t size, int64_t pageSize) const;

 private:
  // The shift page falls under, or null before the first.
  const Shift* ShiftOf(int64_t page) const;

  std::vector<Shift> shifts_;
};
