#include "tests/decode/test_pages.h"

#include "tests/support/jet_text.h"
#include "tests/support/test_env.h"

namespace decodetest {

void PutU16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

Bytes Le16(uint16_t value) { return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}; }

Bytes Le32(uint32_t value) {
  Bytes bytes(4);
  PutU32(bytes, 0, value);
  return bytes;
}

Bytes Le64(uint64_t value) {
  Bytes bytes(8);
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

Bytes Ucs2(const std::string& text) {
  Bytes bytes;
  testdb::AppendUcs2(testdb::Utf16FromUtf8(text), bytes);
  return bytes;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes EncodeRow(const RowSpec& row) {
  Bytes bytes = Le16(static_cast<uint16_t>(row.columnCount));
  bytes.insert(bytes.end(), row.fixed.begin(), row.fixed.end());
  std::vector<uint16_t> starts;
  for (const Bytes& value : row.variable) {
    starts.push_back(static_cast<uint16_t>(bytes.size()));
    bytes.insert(bytes.end(), value.begin(), value.end());
  }
  if (row.offsetTable) {
    Bytes end = Le16(static_cast<uint16_t>(bytes.size()));
    bytes.insert(bytes.end(), end.begin(), end.end());
    for (size_t i = starts.size(); i-- > 0;) {
      Bytes start = Le16(starts[i]);
      bytes.insert(bytes.end(), start.begin(), start.end());
    }
    Bytes count = Le16(static_cast<uint16_t>(row.variable.size()));
    bytes.insert(bytes.end(), count.begin(), count.end());
  }
  Bytes mask(row.columnCount == 0 ? 1 : (row.columnCount + 7) / 8, 0);
  for (size_t j = 0; j < row.present.size() && j / 8 < mask.size(); ++j)
    if (row.present[j]) mask[j / 8] |= static_cast<uint8_t>(1 << (j % 8));
  bytes.insert(bytes.end(), mask.begin(), mask.end());
  return bytes;
}

Bytes DataPage(int32_t owner, const std::vector<Bytes>& rows, const std::vector<uint16_t>& flags) {
  Bytes page(4096, 0);
  page[0] = 1;
  page[1] = 1;
  PutU32(page, 4, static_cast<uint32_t>(owner));
  PutU16(page, 12, static_cast<uint16_t>(rows.size()));
  size_t end = page.size();
  for (size_t i = 0; i < rows.size(); ++i) {
    size_t start = end - rows[i].size();
    std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<long>(start));
    uint16_t flag = i < flags.size() ? flags[i] : 0;
    PutU16(page, 14 + 2 * i, static_cast<uint16_t>(start | flag));
    end = start;
  }
  return page;
}

void LoadPages(TestSession& session, const std::string& path, const std::vector<Bytes>& pages) {
  std::string file;
  for (const Bytes& page : pages) file.append(page.begin(), page.end());
  testenv::WriteFile(path, file);
  MdbFile& db = session.db;
  db.Open(path);
  db.pages.clear();
  for (size_t n = 0; n < pages.size(); ++n) {
    const Bytes& page = pages[n];
    PageEntry entry;
    entry.pageNumber = static_cast<int32_t>(n);
    entry.fileOffset = static_cast<int64_t>(n) * 4096;
    entry.pageType = static_cast<int8_t>(page[0]);
    entry.linkPage = static_cast<int32_t>(page[4] | page[5] << 8 | page[6] << 16 | static_cast<uint32_t>(page[7]) << 24);
    entry.rowCount = static_cast<int16_t>(page[12] | page[13] << 8);
    db.pages.push_back(entry);
  }
}

ColumnDef Column(int typeCode, int columnNumber, bool fixed, int fixedOffset, int length, int varIndex) {
  ColumnDef column;
  column.name = "c" + std::to_string(columnNumber);
  column.type = static_cast<ColumnType>(typeCode);
  column.columnNumber = column.columnIndex = columnNumber;
  column.isFixed = fixed ? 1 : 0;
  column.fixedOffset = fixedOffset;
  column.length = length;
  column.varIndex = varIndex;
  return column;
}

}  // namespace decodetest
