#include "tests/reader/page_image.h"

#include <algorithm>
#include <fstream>

#include "tests/support/jet_text.h"

namespace readertest {

namespace {
constexpr int kPage = 4096;

void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
}  // namespace

Bytes Ucs2(const std::string& text) {
  Bytes out;
  testdb::AppendUcs2(testdb::Utf16FromUtf8(text), out);
  return out;
}

ColumnPlan Col(int type, int number, const std::string& name, int length) {
  ColumnPlan c;
  c.type = type;
  c.number = number;
  c.name = Ucs2(name);
  c.length = length;
  c.fixed = type != 10 && type != 9 && type != 11 && type != 12;
  return c;
}

Bytes DefinitionStream(const DefinitionPlan& plan) {
  const int columns = plan.columnCount >= 0 ? plan.columnCount : static_cast<int>(plan.columns.size());
  Bytes b(63 + 12 * static_cast<size_t>(plan.realIndexCount), 0);
  b[0] = 2;
  b[1] = 1;
  Put32(b, 16, static_cast<uint32_t>(plan.rowCount));
  b[40] = static_cast<uint8_t>(plan.tableType);
  Put16(b, 41, static_cast<uint16_t>(plan.maxColumns >= 0 ? plan.maxColumns : columns));
  Put16(b, 43, static_cast<uint16_t>(plan.varColumnCount));
  Put16(b, 45, static_cast<uint16_t>(columns));
  Put32(b, 47, static_cast<uint32_t>(plan.realIndexCount));
  Put32(b, 51, static_cast<uint32_t>(plan.realIndexCount));
  Put32(b, 55, plan.usedMap);
  // Real-index entries are skipped by the reader: fill them with noise.
  std::fill(b.begin() + 63, b.end(), 0xEE);
  for (const ColumnPlan& c : plan.columns) {
    Bytes r(25, 0);
    r[0] = static_cast<uint8_t>(c.type);
    Put16(r, 5, static_cast<uint16_t>(c.number));
    Put16(r, 9, static_cast<uint16_t>(c.number));
    r[11] = static_cast<uint8_t>(c.precision);
    r[12] = static_cast<uint8_t>(c.scale);
    r[15] = c.fixed ? 0x03 : 0x02;
    Put16(r, 21, static_cast<uint16_t>(c.fixedOffset));
    Put16(r, 23, static_cast<uint16_t>(c.length));
    b.insert(b.end(), r.begin(), r.end());
  }
  for (const ColumnPlan& c : plan.columns) {
    Bytes len(2);
    Put16(len, 0, static_cast<uint16_t>(c.name.size()));
    b.insert(b.end(), len.begin(), len.end());
    b.insert(b.end(), c.name.begin(), c.name.end());
  }
  return b;
}

PageImage::PageImage(int pageCount) : bytes_(static_cast<size_t>(pageCount) * kPage, 0) {
  const uint16_t words[6][2] = {{0x0100, 0}, {0x0101, 0}, {0x0102, 0x0BDE},
                                {0x0102, 0x0EA9}, {0x0102, 0x0DEB}, {0x0102, 0x0CCB}};
  for (int p = 0; p < 6 && p < pageCount; ++p) {
    Put16(p, 0, words[p][0]);
    Put16(p, 2, words[p][1]);
  }
}

uint8_t* PageImage::Page(int page) { return bytes_.data() + static_cast<size_t>(page) * kPage; }
void PageImage::Put8(int page, int offset, uint8_t value) { Page(page)[offset] = value; }
void PageImage::Put16(int page, int offset, uint16_t value) {
  readertest::Put16(bytes_, static_cast<size_t>(page) * kPage + offset, value);
}
void PageImage::Put32(int page, int offset, uint32_t value) {
  readertest::Put32(bytes_, static_cast<size_t>(page) * kPage + offset, value);
}

void PageImage::PutDefinition(const std::vector<int>& pages, const Bytes& stream) {
  size_t at = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    uint8_t* page = Page(pages[i]);
    size_t from = i == 0 ? 0 : 8;
    size_t n = std::min(stream.size() - std::min(at, stream.size()), kPage - from);
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, page + from);
    at += n;
    page[0] = 2;
    page[1] = 1;
    Put32(pages[i], 4, i + 1 < pages.size() ? static_cast<uint32_t>(pages[i + 1]) : 0);
  }
}

void PageImage::PutDataPage(int page, int owner, int rows) {
  Put8(page, 0, 1);
  Put8(page, 1, 1);
  Put32(page, 4, static_cast<uint32_t>(owner));
  Put16(page, 12, static_cast<uint16_t>(rows));
}

Bytes CatalogRowBytes(int32_t id, uint16_t type, const Bytes& name, uint32_t flags) {
  // count, fixed area to 32, name, then room for the offset table and mask.
  Bytes row(32 + name.size() + 12, 0);
  Put16(row, 0, 17);
  Put32(row, 2, static_cast<uint32_t>(id));
  Put16(row, 10, type);
  Put32(row, 28, flags);
  std::copy(name.begin(), name.end(), row.begin() + 32);
  // Read backwards from the last byte: null mask (3), variable count (2),
  // offset of variable 0 (2), the end of the data = end of the name.
  Put16(row, row.size() - 1 - 4, 1);
  Put16(row, row.size() - 1 - 6, 32);
  Put16(row, row.size() - 1 - 8, static_cast<uint16_t>(32 + name.size()));
  return row;
}

void PageImage::PutCatalogPage(int page, const std::vector<CatalogRow>& rows) {
  PutDataPage(page, 2, static_cast<int>(rows.size()));
  int end = kPage;
  for (size_t r = 0; r < rows.size(); ++r) {
    Bytes row = CatalogRowBytes(rows[r].id, rows[r].type, rows[r].name, rows[r].flags);
    int start = end - static_cast<int>(row.size());
    std::copy(row.begin(), row.end(), Page(page) + start);
    Put16(page, 14 + 2 * static_cast<int>(r), static_cast<uint16_t>(start | rows[r].slotFlags));
    end = start;
  }
}

void PageImage::PutUsageMaps(int page, const std::vector<std::vector<int>>& maps) {
  std::fill_n(Page(page), kPage, 0);
  PutDataPage(page, 0, static_cast<int>(maps.size()));
  int end = kPage;
  for (size_t r = 0; r < maps.size(); ++r) {
    const int start = end - 69;
    for (int p : maps[r]) Page(page)[start + 5 + p / 8] |= static_cast<uint8_t>(1 << (p % 8));
    Put16(page, 14 + 2 * static_cast<int>(r), static_cast<uint16_t>(start));
    end = start;
  }
}

void PageImage::Write(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
}

}  // namespace readertest
