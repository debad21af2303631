#include "tests/support/table_definition.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "tests/support/jet_text.h"

namespace testdb {
namespace {

constexpr uint32_t kJetConstant = 0x0659;
constexpr uint16_t kSortOrder = 0x0409;  // "General"

// A name's byte count, then the name: UCS-2, or the code page's bytes.
void AppendName(std::vector<uint8_t>& out, const std::string& name, const FileFormat& format) {
  std::vector<uint8_t> stored;
  if (format.codePageText())
    AppendStoredText(name, TextEncoding::Auto, false, format, stored);
  else
    stored = Ucs2(name);
  if (format.layout->columnNameLengthSize == 1) {
    if (stored.size() > 0xFF) throw BuildError("name too long: " + name);
    out.push_back(static_cast<uint8_t>(stored.size()));
  } else {
    AppendU16(out, static_cast<uint32_t>(stored.size()));
  }
  out.insert(out.end(), stored.begin(), stored.end());
}

void Put(std::vector<uint8_t>& out, size_t at, int32_t offset, uint32_t value, size_t bytes) {
  uint8_t* to = &out[at + static_cast<size_t>(offset)];
  if (bytes == 1) to[0] = static_cast<uint8_t>(value);
  else if (bytes == 2) PutU16(to, value);
  else PutU32(to, value);
}

}  // namespace

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
    case ColumnType::BigInt: return 8;
    case ColumnType::DateTimeExtended: return 42;
    default: return 0;
  }
}

uint16_t TableDefinition::VariableColumnCount() const {
  return static_cast<uint16_t>(std::count_if(columns.begin(), columns.end(), [](const ColumnRecord& c) { return !c.fixed(); }));
}

size_t TableDefinition::Length() const { return Encode().size(); }

std::vector<uint8_t> TableDefinition::Encode() const {
  const JetLayout& layout = *format.layout;
  // Jet 4 starts its column records and index definitions with a constant
  // that Access 97 does not have.
  const bool jet4 = !format.codePageText();
  std::vector<uint8_t> out(static_cast<size_t>(layout.tdefRealIndexEntries), 0);
  out[0] = 0x02;
  out[1] = 0x01;
  if (jet4) {
    PutU32(&out[12], kJetConstant);
    PutU32(&out[24], 1);
  }
  Put(out, 0, layout.tdefRowCountOffset, rowCount, 4);
  Put(out, 0, layout.tdefTableTypeOffset, tableType, 1);
  Put(out, 0, layout.tdefMaxColumnsOffset, maxColumns, 2);
  Put(out, 0, layout.tdefVarColumnsOffset, VariableColumnCount(), 2);
  Put(out, 0, layout.tdefColumnCountOffset, static_cast<uint32_t>(columns.size()), 2);
  Put(out, 0, layout.tdefLogicalIndexCountOffset, static_cast<uint32_t>(indexes.size()), 4);
  Put(out, 0, layout.tdefRealIndexCountOffset, static_cast<uint32_t>(indexes.size()), 4);
  Put(out, 0, layout.tdefUsedPagesMapOffset, usedMap.Encoded(), 4);
  Put(out, 0, layout.tdefFreePagesMapOffset, freeMap.Encoded(), 4);

  for (size_t i = 0; i < indexes.size(); ++i) {
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(layout.realIndexEntrySize), 0);
    PutU32(&out[at + 4], rowCount);
  }
  for (const ColumnRecord& c : columns) {
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(layout.columnRecordSize), 0);
    Put(out, at, layout.columnTypeOffset, c.type, 1);
    Put(out, at, layout.columnNumberOffset, c.number, 2);
    Put(out, at, layout.columnVarIndexOffset, c.fixed() ? 0 : c.varIndex, 2);
    Put(out, at, layout.columnIndexOffset, c.number, 2);
    Put(out, at, layout.columnFlagsOffset, c.flags, 1);
    Put(out, at, layout.columnFixedOffset, c.fixedOffset, 2);
    Put(out, at, layout.columnLengthOffset, c.length, 2);
    if (jet4) {
      PutU32(&out[at + 1], kJetConstant);
      out[at + 16] = c.calculated ? 0xC0 : c.compressed ? 1 : 0;
    } else {
      PutU16(&out[at + 7], 1);
      PutU16(&out[at + 9], kSortOrder);
      PutU16(&out[at + 11], static_cast<uint32_t>(format.codePage));
    }
    if (c.type == static_cast<uint8_t>(ColumnType::Numeric)) {
      Put(out, at, layout.columnPrecisionOffset, c.precision, 1);
      Put(out, at, layout.columnScaleOffset, c.scale, 1);
    } else if (c.type == static_cast<uint8_t>(ColumnType::Complex)) {
      PutU32(&out[at + 11], c.complexId);
    } else if (jet4) {
      PutU16(&out[at + 11], kSortOrder);
    }
  }
  for (const ColumnRecord& c : columns) AppendName(out, c.name, format);

  // Real indexes go by number, logical ones in the given (name) order.
  const size_t lead = jet4 ? 4 : 0;
  std::vector<const IndexRecord*> real;
  for (const IndexRecord& x : indexes) real.push_back(&x);
  std::sort(real.begin(), real.end(), [](const IndexRecord* a, const IndexRecord* b) { return a->number < b->number; });
  for (const IndexRecord* x : real) {
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(layout.realIndexSize), 0);
    uint8_t* r = &out[at];
    if (jet4) PutU32(r, 0x0783);
    for (size_t slot = 0; slot < 10; ++slot) {
      bool used = slot < x->columns.size();
      PutU16(r + lead + 3 * slot, used ? x->columns[slot] : 0xFFFF);
      const bool descending = slot < x->descending.size() && x->descending[slot];
      r[lead + 2 + 3 * slot] = used && !descending ? 0x01 : 0x00;
    }
    PutU32(r + lead + 30, x->usageMap.Encoded());
    PutU32(r + lead + 34, x->rootPage);
    // Access 97 sets no 0x80 bit.
    if (jet4) r[46] = x->flags;
    else r[38] = x->flags & 0x7F;
  }
  for (const IndexRecord& x : indexes) {
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(layout.logicalIndexSize), 0);
    uint8_t* r = &out[at];
    if (jet4) PutU32(r, kJetConstant);
    PutU32(r + lead, x.number);
    PutU32(r + lead + 4, x.number);
    PutU32(r + lead + 9, 0xFFFFFFFF);
    r[lead + 17] = 4;
    r[lead + 18] = 4;
    r[lead + 19] = x.primary ? 1 : 0;
  }
  for (const IndexRecord& x : indexes) AppendName(out, x.name, format);

  for (const LongValueMapEntry& m : longValueMaps) {
    AppendU16(out, m.column);
    AppendU32(out, m.usedMap.Encoded());
    AppendU32(out, m.freeMap.Encoded());
  }
  AppendU16(out, 0xFFFF);
  PutU32(&out[8], static_cast<uint32_t>(out.size()));
  return out;
}

uint32_t TableDefinition::PageCount(size_t length) const {
  const size_t pageSize = format.pageSize(), continuationData = pageSize - 8;
  if (length <= pageSize) return 1;
  return 1 + static_cast<uint32_t>((length - pageSize + continuationData - 1) / continuationData);
}

void TableDefinition::WritePages(PageFile& file, const std::vector<uint32_t>& pages) const {
  std::vector<uint8_t> stream = Encode();
  if (pages.size() != PageCount(stream.size())) throw BuildError("definition page count changed");
  const size_t pageSize = format.pageSize();
  size_t taken = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    Page page{};
    size_t start = i == 0 ? 0 : 8;
    size_t n = std::min(stream.size() - taken, pageSize - start);
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(taken), n, page.begin() + static_cast<std::ptrdiff_t>(start));
    taken += n;
    page[0] = 0x02;
    page[1] = 0x01;
    size_t end = start + n;
    // Access 97 marks its definition pages where Jet 4 keeps their free space.
    uint16_t mark = format.layout->definitionMark;
    PutU16(&page[2], mark != 0 ? mark : end >= pageSize - 8 ? 0 : static_cast<uint32_t>(pageSize - 8 - end));
    PutU32(&page[4], i + 1 < pages.size() ? pages[i + 1] : 0);
    file.Write(pages[i], page.data());
  }
}

std::vector<ColumnRecord> LayOutUserColumns(const std::vector<Column>& columns, const FileFormat& format) {
  const uint16_t textUnit = format.codePageText() ? 1 : 2;
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
        r.length = static_cast<uint16_t>(textUnit * (c.length > 0 ? c.length : 255));
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
    if (c.calculated) {
      // As Access stores them: variable, 39 bytes for a result of fixed
      // size, 509 for a text, none for a memo.
      r.calculated = true;
      r.resultType = r.type;
      if (c.storedType >= 0) r.type = static_cast<uint8_t>(c.storedType);
      r.flags = 0x02;
      r.length = c.type == ColumnType::Text ? 509 : c.type == ColumnType::Memo ? 0 : 39;
      r.compressed = false;
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

std::vector<IndexRecord> UserIndexes(const Table& table, const std::vector<ColumnRecord>& records) {
  std::vector<IndexRecord> indexes;
  for (const Index& index : table.indexes) {
    IndexRecord record;
    record.name = index.name;
    record.number = static_cast<uint32_t>(indexes.size());
    record.primary = index.primary;
    record.flags = static_cast<uint8_t>(0x80 | (index.unique || index.primary ? 0x01 : 0) | (index.primary ? 0x08 : 0));
    for (const IndexKey& key : index.keys) {
      int number = key.number;
      for (const ColumnRecord& column : records)
        if (number < 0 && column.name == key.column) number = column.number;
      if (number < 0) throw BuildError("index " + index.name + " names no column of " + table.name);
      record.columns.push_back(static_cast<uint16_t>(number));
      record.descending.push_back(key.descending);
    }
    indexes.push_back(std::move(record));
  }
  return indexes;
}

}  // namespace testdb
