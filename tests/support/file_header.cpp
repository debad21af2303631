#include "tests/support/file_header.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "format/jet_layout.h"
#include "format/rc4.h"

namespace testdb {
namespace {

constexpr size_t kEncodedStart = JetHeader::kEncodedAreaOffset;
constexpr size_t kEncodedSize = JetHeader::kEncodedAreaSize;

}  // namespace

Page MakeHeaderPage(double creationDate, const FileFormat& format) {
  const JetLayout& layout = *format.layout;
  Page page{};
  const uint8_t start[] = {0x00, 0x01, 0x00, 0x00};
  std::memcpy(&page[0], start, sizeof start);
  std::memcpy(&page[4], "Standard Jet DB", 16);
  page[JetHeader::kVersionOffset] = static_cast<uint8_t>(layout.headerVersion);

  uint8_t* area = &page[kEncodedStart];
  const uint32_t words[] = {0x100, 0x101, 2, 3, 4, 5};
  for (size_t i = 0; i < 6; ++i) PutU32(area + 4 * i, words[i]);
  PutU16(&page[JetHeader::kCodePageOffset], static_cast<uint32_t>(format.codePage));
  PutU32(&page[JetHeader::kDatabaseKeyOffset], 0);  // anything else means encoded pages
  if (format.codePageText()) {
    // The sort order; the password is 20 plain bytes, empty.
    PutU16(&page[0x3A], 0x0409);
  } else {
    // An empty password: the mask alone, the creation day XORed over 40 zero bytes.
    uint32_t day = static_cast<uint32_t>(static_cast<int32_t>(std::trunc(creationDate)));
    for (size_t i = 0; i < 40; i += 4) PutU32(&page[0x42 + i], day);
    PutU32(&page[0x6E], 0x0409);
    uint64_t dateBits;
    std::memcpy(&dateBits, &creationDate, sizeof dateBits);
    PutU64(&page[0x72], dateBits);
  }
  Rc4Apply(JetHeader::kEncodedAreaKey, std::span<uint8_t>(area, static_cast<size_t>(layout.headerEncodedSize)));

  if (!format.codePageText()) {
    const uint8_t tail[] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
    std::memcpy(&page[0x98], tail, sizeof tail);
  }
  return page;
}

Page MakeGlobalMapPage(uint32_t pageCount, const JetLayout& layout) {
  // Two rows of 5 + inline bytes still fit on the page.
  const size_t maxInlineBytes = (static_cast<size_t>(layout.pageSize - layout.rowOffsetTable) - 4) / 2 - 5;
  const size_t inlineBytes = static_cast<size_t>(layout.usageMapInlineBytes);
  size_t bitmapBytes = std::max<size_t>(inlineBytes, (pageCount / 8 + 1 + 3) / 4 * 4);
  std::vector<uint8_t> row;
  if (bitmapBytes <= maxInlineBytes) {
    row.assign(5 + bitmapBytes, 0);
    for (size_t p = pageCount; p < bitmapBytes * 8; ++p) row[5 + p / 8] |= static_cast<uint8_t>(1u << (p % 8));
  } else {
    row.assign(1 + 4 * static_cast<size_t>(layout.usageMapReferencePages), 0);
    row[0] = 0x01;
  }
  DataPage page(1, layout);
  page.Add(row);
  std::vector<uint8_t> empty(row.size(), 0);
  page.Add(empty);
  return page.Finish();
}


bool SetDatabaseKey(const std::string& path, uint32_t key) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::streamsize pageSize = static_cast<std::streamsize>(kPageSize);
  auto transfer = [&file, &pageSize](uint32_t p, Page& page, bool write) {
    if (write) {
      file.seekp(std::streamoff{p} * pageSize);
      return static_cast<bool>(file.write(reinterpret_cast<const char*>(page.data()), pageSize));
    }
    file.seekg(std::streamoff{p} * pageSize);
    return static_cast<bool>(file.read(reinterpret_cast<char*>(page.data()), pageSize));
  };
  Page page;
  pageSize = kJet3Layout.pageSize;  // the header fits in the smaller page
  if (!transfer(0, page, false)) return false;
  if (page[JetHeader::kVersionOffset] != kJet3Layout.headerVersion) pageSize = kJet4Layout.pageSize;
  if (!transfer(0, page, false)) return false;
  std::span<uint8_t> area(&page[kEncodedStart], kEncodedSize);
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  uint8_t* stored = &page[JetHeader::kDatabaseKeyOffset];
  uint32_t old = stored[0] | stored[1] << 8 | stored[2] << 16 | static_cast<uint32_t>(stored[3]) << 24;
  PutU32(stored, key);
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  if (!transfer(0, page, true)) return false;
  for (uint32_t p = 1; transfer(p, page, false); ++p) {
    std::span<uint8_t> stored(page.data(), static_cast<size_t>(pageSize));
    if (old != 0) Rc4Apply(old ^ p, stored);
    if (key != 0) Rc4Apply(key ^ p, stored);
    if (!transfer(p, page, true)) return false;
  }
  file.clear();  // the read past the last page
  return static_cast<bool>(file.flush());
}

}  // namespace testdb
