#include "reader/mdb_file.h"

#include <algorithm>
#include <cstring>

void DecodeStoredPages(const PageCodec& codec, int64_t pageSize, int64_t firstPage, uint8_t* buffer, int64_t read) {
  // The header page is never encoded.
  for (int64_t i = 0; i * pageSize < read; ++i) {
    int64_t page = firstPage + i;
    if (page == 0) continue;
    size_t stored = static_cast<size_t>(std::min(pageSize, read - i * pageSize));
    codec.DecodePage(static_cast<uint32_t>(page), std::span<uint8_t>(buffer + i * pageSize, stored));
  }
}

bool MdbFile::Open(const std::string& name) {
  Close();
  fileName_ = name;
  codec_.reset();
  pageMap_ = PageMap();
  UseFormat(FormatInfo{});
  pages.clear();
  tables.clear();
  catalogUserTables = 0;
  if (name.empty()) return false;
  return file_.Open(name);
}

void MdbFile::Close() { file_.Close(); }

void MdbFile::UseLayout(const JetLayout& layout) {
  layout_ = layout;
  text_ = TextDecoder(layout_.textStorage, format_.codePage);
}

void MdbFile::UseFormat(const FormatInfo& format) {
  format_ = format;
  text_ = TextDecoder(layout_.textStorage, format_.codePage);
}

int MdbFile::ReadPage(uint8_t* buffer, int64_t page) const {
  if (!file_.IsOpen()) {
    if (PageSize() > 0) std::memset(buffer, 0, static_cast<size_t>(PageSize()));
    return -1;
  }
  return static_cast<int>(ReadPages(buffer, page, 1));
}

int64_t MdbFile::ReadPages(uint8_t* buffer, int64_t firstPage, int64_t count) const {
  const int64_t pageSize = PageSize();
  if (pageSize <= 0 || count <= 0) return 0;
  const int64_t bytes = count * pageSize;
  int64_t got = 0;
  // One read per stretch of pages that lie end to end.
  for (int64_t page = firstPage; firstPage >= 0 && page < firstPage + count;) {
    const int64_t pages = pageMap_.Contiguous(page, firstPage + count - page);
    const int64_t want = pages * pageSize;
    const int64_t read = std::max<int64_t>(file_.ReadAt(buffer + got, static_cast<size_t>(want), PageOffset(page)), 0);
    got += read;
    if (read < want) break;
    page += pages;
  }
  // A short read leaves the rest zero, as if the file went on with zeros.
  std::memset(buffer + got, 0, static_cast<size_t>(bytes - got));
  if (codec_) DecodeStoredPages(*codec_, pageSize, firstPage, buffer, got);
  return got;
}

bool MdbFile::ViewPages(platform::FileView& view, int64_t firstPage, int64_t count) const {
  const int64_t pageSize = PageSize();
  if (codec_ || pageSize <= 0 || count <= 0 || firstPage < 0 || pageMap_.Contiguous(firstPage, count) < count) {
    view.Unmap();
    return false;
  }
  return view.Map(file_, PageOffset(firstPage), static_cast<size_t>(count * pageSize));
}

int64_t MdbFile::ReadBytes(uint8_t* buffer, size_t n, int64_t offset) const {
  int64_t got = std::max<int64_t>(file_.ReadAt(buffer, n, offset), 0);
  std::memset(buffer + got, 0, n - static_cast<size_t>(got));
  return got;
}
