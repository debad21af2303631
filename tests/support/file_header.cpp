#include "tests/support/file_header.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace testdb {
namespace {

constexpr size_t kEncodedStart = 0x18;
constexpr size_t kEncodedSize = 128;

void Rc4(const uint8_t* key, size_t keySize, uint8_t* data, size_t size) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % keySize]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < size; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

}  // namespace

Page MakeHeaderPage(double creationDate) {
  Page page{};
  const uint8_t start[] = {0x00, 0x01, 0x00, 0x00};
  std::memcpy(&page[0], start, sizeof start);
  std::memcpy(&page[4], "Standard Jet DB", 16);
  page[0x14] = 0x01;  // Jet 4

  uint8_t* area = &page[kEncodedStart];
  const uint32_t words[] = {0x100, 0x101, 2, 3, 4, 5};
  for (size_t i = 0; i < 6; ++i) PutU32(area + 4 * i, words[i]);
  PutU16(&page[0x3C], 1252);
  PutU32(&page[0x3E], 0);  // database key: anything else means encoded pages
  // An empty password: the mask alone, the creation day XORed over 40 zero bytes.
  uint32_t day = static_cast<uint32_t>(static_cast<int32_t>(std::trunc(creationDate)));
  for (size_t i = 0; i < 40; i += 4) PutU32(&page[0x42 + i], day);
  PutU32(&page[0x6E], 0x0409);
  uint64_t dateBits;
  std::memcpy(&dateBits, &creationDate, sizeof dateBits);
  PutU64(&page[0x72], dateBits);
  const uint8_t key[] = {0xC7, 0xDA, 0x39, 0x6B};
  Rc4(key, sizeof key, area, kEncodedSize);

  const uint8_t tail[] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
  std::memcpy(&page[0x98], tail, sizeof tail);
  return page;
}

Page MakeGlobalMapPage(uint32_t pageCount) {
  constexpr size_t kMaxInlineBytes = 2032;  // two rows of 5 + 2032 bytes still fit
  size_t bitmapBytes = std::max<size_t>(64, (pageCount / 8 + 1 + 3) / 4 * 4);
  std::vector<uint8_t> row;
  if (bitmapBytes <= kMaxInlineBytes) {
    row.assign(5 + bitmapBytes, 0);
    for (size_t p = pageCount; p < bitmapBytes * 8; ++p) row[5 + p / 8] |= static_cast<uint8_t>(1u << (p % 8));
  } else {
    row.assign(1 + 4 * 17, 0);
    row[0] = 0x01;
  }
  DataPage page(1);
  page.Add(row);
  std::vector<uint8_t> empty(row.size(), 0);
  page.Add(empty);
  return page.Finish();
}

}  // namespace testdb
