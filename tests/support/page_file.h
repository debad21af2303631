// The file being written, seen as numbered pages (4096 bytes, or 2048 in an
// Access 97 file), and the data page that rows are packed into. Pages are numbered when they are started and
// written at their place when they are complete, so a writer can keep a few
// pages open at once (a table's data page, its long-value page) and still
// stream any number of rows.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/jet_layout.h"

namespace testdb {

// The largest page; a smaller page uses the start of a Page.
constexpr size_t kPageSize = 4096;
using Page = std::array<uint8_t, kPageSize>;

// The format a file is written in: its layout (the offsets are the
// reader's), and the code page of its text where the layout keeps text in
// one.
struct FileFormat {
  const JetLayout* layout = &kJet4Layout;
  int codePage = 1252;
  size_t pageSize() const { return static_cast<size_t>(layout->pageSize); }
  bool codePageText() const { return layout->textStorage == JetLayout::TextStorage::CodePage; }
};

// What went wrong while writing; caught by DatabaseBuilder::Write.
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline void PutU16(uint8_t* at, uint32_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* at, uint32_t v) {
  PutU16(at, v);
  PutU16(at + 2, v >> 16);
}
inline void PutU64(uint8_t* at, uint64_t v) {
  PutU32(at, static_cast<uint32_t>(v));
  PutU32(at + 4, static_cast<uint32_t>(v >> 32));
}
inline void AppendU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void AppendU32(std::vector<uint8_t>& out, uint32_t v) {
  AppendU16(out, v);
  AppendU16(out, v >> 16);
}

// A row pointer: row number in the low byte, page number above it.
struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;
  uint32_t Encoded() const { return page << 8 | row; }
};

class PageFile {
 public:
  // Creates or truncates the file; throws BuildError when it cannot.
  explicit PageFile(const std::string& path, size_t pageSize = kPageSize);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // The first of `count` consecutive new page numbers.
  uint32_t Allocate(uint32_t count = 1);
  uint32_t pageCount() const { return next_; }
  size_t pageSize() const { return pageSize_; }
  // Writes pageSize() bytes.
  void Write(uint32_t page, const uint8_t* bytes);
  // Gives the file exactly pageCount() pages (pages never written read as zeros).
  void Finish();

 private:
  int fd_ = -1;
  std::string path_;
  size_t pageSize_;
  uint32_t next_ = 0;
};

// Owner word of long-value pages: "LVAL".
constexpr uint32_t kLongValueOwner = 0x4C41564C;

// A data page being filled: rows from the end backwards, their slot words
// after the page header.
class DataPage {
 public:
  // A row pointer holds one byte for the row number.
  static constexpr int kMaxRows = 255;

  explicit DataPage(uint32_t owner = 0, const JetLayout& layout = kJet4Layout) : layout_(layout) { Reset(owner); }
  // The longest row a page holds.
  size_t maxRowBytes() const { return static_cast<size_t>(layout_.pageSize - layout_.rowOffsetTable - 2); }
  void Reset(uint32_t owner);
  bool Fits(size_t rowBytes, int maxRows = kMaxRows) const;
  // The new row's slot number. Precondition: Fits(row.size()).
  int Add(std::span<const uint8_t> row, uint16_t slotFlags = 0);
  int rowCount() const { return rows_; }
  // The page with its free-space word filled in.
  const Page& Finish();

 private:
  const JetLayout& layout_;
  Page page_;
  int rows_ = 0;
  size_t rowBytes_ = 0;
};

// Rows of one owner packed into pages handed out as they fill up.
class RowPages {
 public:
  RowPages(PageFile& file, uint32_t owner, const JetLayout& layout = kJet4Layout,
           int maxRowsPerPage = DataPage::kMaxRows);
  // Where the row went; starts a new page when it does not fit the open one.
  RowPointer Add(std::span<const uint8_t> row, uint16_t slotFlags = 0);
  // Writes the open page, if any.
  void Flush();
  const std::vector<uint32_t>& pages() const { return pages_; }

 private:
  PageFile& file_;
  uint32_t owner_;
  int maxRows_;
  DataPage page_;
  bool open_ = false;
  std::vector<uint32_t> pages_;
};

}  // namespace testdb
