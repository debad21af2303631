#include "tests/support/table_definition.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "tests/support/jet_text.h"

namespace testdb {
namespace {

constexpr uint32_t kJetConstant = 0x0659;
constexpr size_t kHeaderSize = 63;
constexpr size_t kColumnRecordSize = 25;
constexpr size_t kRealIndexSize = 52;
constexpr size_t kLogicalIndexSize = 28;
constexpr size_t kContinuationData = kPageSize - 8;

void AppendName(std::vector<uint8_t>& out, const std::string& name) {
  std::vector<uint8_t> ucs2 = Ucs2(name);
  AppendU16(out, static_cast<uint32_t>(ucs2.size()));
  out.insert(out.end(), ucs2.begin(), ucs2.end());
}

// Size of the value in the fixed area; 0 for variable types.
uint16_t FixedSize(ColumnType type) {
  switch (type) {
    case ColumnType::Bit: return 1;
    case ColumnType::Byte: return 1;
    case ColumnType::Int: return 2;
    case ColumnType::Long:
    case ColumnType::Complex:
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::Date: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    default: return 0;
  }
}

}  // namespace

uint16_t TableDefinition::VariableColumnCount() const {
  return static_cast<uint16_t>(std::count_if(columns.begin(), columns.end(), [](const ColumnRecord& c) { return !c.fixed(); }));
}

size_t TableDefinition::Length() const { return Encode().size(); }

std::vector<uint8_t> TableDefinition::Encode() const {
  std::vector<uint8_t> out(kHeaderSize, 0);
  out[0] = 0x02;
  out[1] = 0x01;
  PutU32(&out[12], kJetConstant);
  PutU32(&out[16], rowCount);
  PutU32(&out[24], 1);
  out[40] = tableType;
  PutU16(&out[41], maxColumns);
  PutU16(&out[43], VariableColumnCount());
  PutU16(&out[45], static_cast<uint32_t>(columns.size()));
  PutU32(&out[47], static_cast<uint32_t>(indexes.size()));
  PutU32(&out[51], static_cast<uint32_t>(indexes.size()));
  PutU32(&out[55], usedMap.Encoded());
  PutU32(&out[59], freeMap.Encoded());

  for (size_t i = 0; i < indexes.size(); ++i) {
    AppendU32(out, 0);
    AppendU32(out, rowCount);
    AppendU32(out, 0);
  }
  for (const ColumnRecord& c : columns) {
    size_t at = out.size();
    out.resize(at + kColumnRecordSize, 0);
    uint8_t* r = &out[at];
    r[0] = c.type;
    PutU32(r + 1, kJetConstant);
    PutU16(r + 5, c.number);
    PutU16(r + 7, c.fixed() ? 0 : c.varIndex);
    PutU16(r + 9, c.number);
    if (c.type == static_cast<uint8_t>(ColumnType::Numeric)) {
      r[11] = c.precision;
      r[12] = c.scale;
    } else if (c.type == static_cast<uint8_t>(ColumnType::Complex)) {
      PutU32(r + 11, c.complexId);
    } else {
      PutU16(r + 11, 0x0409);
    }
    r[15] = c.flags;
    r[16] = c.compressed ? 1 : 0;
    PutU16(r + 21, c.fixedOffset);
    PutU16(r + 23, c.length);
  }
  for (const ColumnRecord& c : columns) AppendName(out, c.name);

  // Real indexes go by number, logical ones in the given (name) order.
  std::vector<const IndexRecord*> real;
  for (const IndexRecord& x : indexes) real.push_back(&x);
  std::sort(real.begin(), real.end(), [](const IndexRecord* a, const IndexRecord* b) { return a->number < b->number; });
  for (const IndexRecord* x : real) {
    size_t at = out.size();
    out.resize(at + kRealIndexSize, 0);
    uint8_t* r = &out[at];
    PutU32(r, 0x0783);
    for (size_t slot = 0; slot < 10; ++slot) {
      bool used = slot < x->columns.size();
      PutU16(r + 4 + 3 * slot, used ? x->columns[slot] : 0xFFFF);
      r[6 + 3 * slot] = used ? 0x01 : 0x00;
    }
    PutU32(r + 34, x->usageMap.Encoded());
    PutU32(r + 38, x->rootPage);
    r[46] = x->flags;
  }
  for (const IndexRecord& x : indexes) {
    size_t at = out.size();
    out.resize(at + kLogicalIndexSize, 0);
    uint8_t* r = &out[at];
    PutU32(r, kJetConstant);
    PutU32(r + 4, x.number);
    PutU32(r + 8, x.number);
    PutU32(r + 13, 0xFFFFFFFF);
    r[21] = 4;
    r[22] = 4;
    r[23] = x.primary ? 1 : 0;
  }
  for (const IndexRecord& x : indexes) AppendName(out, x.name);

  for (const LongValueMapEntry& m : longValueMaps) {
    AppendU16(out, m.column);
    AppendU32(out, m.usedMap.Encoded());
    AppendU32(out, m.freeMap.Encoded());
  }
  AppendU16(out, 0xFFFF);
  PutU32(&out[8], static_cast<uint32_t>(out.size()));
  return out;
}

uint32_t TableDefinition::PageCount(size_t length) {
  if (length <= kPageSize) return 1;
  return 1 + static_cast<uint32_t>((length - kPageSize + kContinuationData - 1) / kContinuationData);
}

void TableDefinition::WritePages(PageFile& file, const std::vector<uint32_t>& pages) const {
  std::vector<uint8_t> stream = Encode();
  if (pages.size() != PageCount(stream.size())) throw BuildError("definition page count changed");
  size_t taken = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    Page page{};
    size_t start = i == 0 ? 0 : 8;
    size_t n = std::min(stream.size() - taken, kPageSize - start);
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(taken), n, page.begin() + static_cast<std::ptrdiff_t>(start));
    taken += n;
    page[0] = 0x02;
    page[1] = 0x01;
    size_t end = start + n;
    PutU16(&page[2], end >= kPageSize - 8 ? 0 : static_cast<uint32_t>(kPageSize - 8 - end));
    PutU32(&page[4], i + 1 < pages.size() ? pages[i + 1] : 0);
    file.Write(pages[i], page.data());
  }
}

std::vector<ColumnRecord> LayOutUserColumns(const std::vector<Column>& columns) {
  std::vector<ColumnRecord> records;
  std::set<int> numbers;
  int next = 0;
  for (const Column& c : columns) {
    ColumnRecord r;
    r.name = c.name;
    r.type = static_cast<uint8_t>(c.type);
    int number = c.number >= 0 ? c.number : next;
    if (number > 0xFFFE || !numbers.insert(number).second)
      throw BuildError("column " + c.name + ": number " + std::to_string(number) + " used twice or too large");
    next = number + 1;
    r.number = static_cast<uint16_t>(number);
    uint16_t fixedSize = FixedSize(c.type);
    r.flags = fixedSize ? 0x03 : 0x02;
    switch (c.type) {
      case ColumnType::Complex:
        r.flags = 0x07;
        r.complexId = c.complexId;
        r.length = fixedSize;
        break;
      case ColumnType::Text:
        r.length = static_cast<uint16_t>(2 * (c.length > 0 ? c.length : 255));
        r.compressed = true;
        break;
      case ColumnType::Memo:
        r.compressed = true;
        break;
      case ColumnType::Ole:
        break;
      case ColumnType::Numeric:
        r.precision = static_cast<uint8_t>(c.precision);
        r.scale = static_cast<uint8_t>(c.scale);
        r.length = fixedSize;
        break;
      default:
        r.length = fixedSize ? fixedSize : static_cast<uint16_t>(c.length > 0 ? c.length : 255);
    }
    records.push_back(r);
  }

  std::vector<size_t> byNumber(records.size());
  std::iota(byNumber.begin(), byNumber.end(), 0);
  std::sort(byNumber.begin(), byNumber.end(), [&](size_t a, size_t b) { return records[a].number < records[b].number; });
  uint16_t fixedOffset = 0, varIndex = 0;
  for (size_t i : byNumber) {
    ColumnRecord& r = records[i];
    if (!r.fixed()) {
      r.varIndex = varIndex++;
    } else if (!r.isBool()) {
      r.fixedOffset = fixedOffset;
      fixedOffset = static_cast<uint16_t>(fixedOffset + r.length);
    }
  }
  return records;
}

}  // namespace testdb
