#include "tests/support/page_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace testdb {

PageFile::PageFile(const std::string& path, size_t pageSize) : path_(path), pageSize_(pageSize) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) throw BuildError("cannot create " + path + ": " + std::strerror(errno));
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

uint32_t PageFile::Allocate(uint32_t count) {
  uint32_t first = next_;
  next_ += count;
  // Row pointers carry 24 bits of page number.
  if (next_ > 0x1000000) throw BuildError("more pages than a row pointer can address");
  return first;
}

void PageFile::Write(uint32_t page, const uint8_t* bytes) {
  size_t done = 0;
  off_t at = static_cast<off_t>(page) * static_cast<off_t>(pageSize_);
  while (done < pageSize_) {
    ssize_t n = ::pwrite(fd_, bytes + done, pageSize_ - done, at + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw BuildError("cannot write " + path_ + ": " + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
}

void PageFile::Finish() {
  if (::ftruncate(fd_, static_cast<off_t>(next_) * static_cast<off_t>(pageSize_)) != 0)
    throw BuildError("cannot size " + path_ + ": " + std::strerror(errno));
  if (::close(fd_) != 0) {
    fd_ = -1;
    throw BuildError("cannot close " + path_ + ": " + std::strerror(errno));
  }
  fd_ = -1;
}

void DataPage::Reset(uint32_t owner) {
  page_.fill(0);
  page_[0] = 0x01;
  page_[1] = 0x01;
  PutU32(&page_[static_cast<size_t>(layout_.linkOffset)], owner);
  rows_ = 0;
  rowBytes_ = 0;
}

bool DataPage::Fits(size_t rowBytes, int maxRows) const {
  const size_t slots = static_cast<size_t>(layout_.rowOffsetTable) + 2 * static_cast<size_t>(rows_ + 1);
  return rows_ < maxRows && rows_ < kMaxRows && slots + rowBytes_ + rowBytes <= static_cast<size_t>(layout_.pageSize);
}

int DataPage::Add(std::span<const uint8_t> row, uint16_t slotFlags) {
  rowBytes_ += row.size();
  size_t start = static_cast<size_t>(layout_.pageSize) - rowBytes_;
  std::memcpy(&page_[start], row.data(), row.size());
  PutU16(&page_[static_cast<size_t>(layout_.rowOffsetTable) + 2 * static_cast<size_t>(rows_)],
         static_cast<uint32_t>(start) | slotFlags);
  return rows_++;
}

const Page& DataPage::Finish() {
  const size_t used = static_cast<size_t>(layout_.rowOffsetTable) + 2 * static_cast<size_t>(rows_) + rowBytes_;
  PutU16(&page_[static_cast<size_t>(layout_.freeSpaceOffset)], static_cast<uint32_t>(layout_.pageSize - used));
  PutU16(&page_[static_cast<size_t>(layout_.dataRowCountOffset)], static_cast<uint32_t>(rows_));
  return page_;
}

RowPages::RowPages(PageFile& file, uint32_t owner, const JetLayout& layout, int maxRowsPerPage)
    : file_(file),
      owner_(owner),
      maxRows_(maxRowsPerPage > 0 ? maxRowsPerPage : DataPage::kMaxRows),
      page_(owner, layout) {}

RowPointer RowPages::Add(std::span<const uint8_t> row, uint16_t slotFlags) {
  if (row.size() > page_.maxRowBytes())
    throw BuildError("a row of " + std::to_string(row.size()) + " bytes does not fit on a page");
  if (open_ && !page_.Fits(row.size(), maxRows_)) Flush();
  if (!open_) {
    page_.Reset(owner_);
    pages_.push_back(file_.Allocate());
    open_ = true;
  }
  int slot = page_.Add(row, slotFlags);
  return {pages_.back(), static_cast<uint8_t>(slot)};
}

void RowPages::Flush() {
  if (!open_) return;
  file_.Write(pages_.back(), page_.Finish().data());
  open_ = false;
}

}  // namespace testdb
