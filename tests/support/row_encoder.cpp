#include "tests/support/row_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/support/jet_text.h"

namespace testdb {
namespace {

template <typename... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

[[noreturn]] void Mismatch(const ColumnRecord& column, const char* what) {
  throw BuildError("column " + column.name + " (type " + std::to_string(column.type) + "): " + what);
}

int64_t AsInteger(const ColumnRecord& column, const Value& value) {
  if (auto* i = std::get_if<int64_t>(&value.kind())) return *i;
  if (auto* b = std::get_if<bool>(&value.kind())) return *b ? 1 : 0;
  Mismatch(column, "needs an integer");
}

double AsDouble(const ColumnRecord& column, const Value& value) {
  if (auto* d = std::get_if<double>(&value.kind())) return *d;
  if (auto* d = std::get_if<Date>(&value.kind())) return d->days;
  if (auto* i = std::get_if<int64_t>(&value.kind())) return static_cast<double>(*i);
  Mismatch(column, "needs a number");
}

unsigned __int128 Pow10(int n) {
  unsigned __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

Numeric AsNumeric(const ColumnRecord& column, const Value& value) {
  return std::visit(Overloaded{[](const Numeric& x) { return x; },
                               [&](int64_t i) {
                                 unsigned __int128 m =
                                     i < 0 ? -static_cast<unsigned __int128>(i) : static_cast<unsigned __int128>(i);
                                 return Numeric{i < 0, m * Pow10(column.scale)};
                               },
                               [&](const Text& t) { return Numeric::FromDecimal(t.utf8, column.scale); },
                               [&](const auto&) -> Numeric { Mismatch(column, "needs a numeric"); }},
                    value.kind());
}

// Bytes as given, or the UTF-8 of a text (BINARY, OLE, unknown types).
std::vector<uint8_t> AsBytes(const ColumnRecord& column, const Value& value) {
  if (auto* b = std::get_if<Bytes>(&value.kind())) return b->data;
  if (auto* t = std::get_if<Text>(&value.kind())) return std::vector<uint8_t>(t->utf8.begin(), t->utf8.end());
  Mismatch(column, "needs bytes");
}

// Appends the stored form of a text (or the bytes given instead) to `out`.
void AppendText(const ColumnRecord& column, const Value& value, const FileFormat& format, std::vector<uint8_t>& out) {
  if (auto* t = std::get_if<Text>(&value.kind())) {
    try {
      AppendStoredText(t->utf8, t->encoding, column.isLongValue(), format, out);
    } catch (const BuildError& e) {
      Mismatch(column, e.what());
    }
  } else if (auto* b = std::get_if<Bytes>(&value.kind())) {
    out.insert(out.end(), b->data.begin(), b->data.end());
  } else {
    Mismatch(column, "needs a text");
  }
}

LongStorage StorageOf(const Value& value) {
  if (auto* t = std::get_if<Text>(&value.kind())) return t->storage;
  if (auto* b = std::get_if<Bytes>(&value.kind())) return b->storage;
  return LongStorage::Auto;
}

}  // namespace

RowEncoder::RowEncoder(const TableDefinition& definition)
    : definition_(definition), columnCount_(definition.maxColumns) {
  uint16_t highest = 0;
  for (size_t i = 0; i < definition.columns.size(); ++i) {
    const ColumnRecord& c = definition.columns[i];
    highest = std::max<uint16_t>(highest, static_cast<uint16_t>(c.number + 1));
    if (!c.fixed()) {
      if (variableRecords_.size() <= c.varIndex) variableRecords_.resize(c.varIndex + 1, SIZE_MAX);
      variableRecords_[c.varIndex] = i;
    } else if (!c.isBool()) {
      fixedSize_ = std::max<size_t>(fixedSize_, c.fixedOffset + c.length);
    }
  }
  // Rows always carry every column, whatever the definition claims.
  columnCount_ = std::max(columnCount_, highest);
  if (std::find(variableRecords_.begin(), variableRecords_.end(), SIZE_MAX) != variableRecords_.end())
    throw BuildError("variable indexes have gaps");
}

void RowEncoder::PutFixed(const ColumnRecord& column, const Value& value, uint8_t* at) const {
  switch (static_cast<ColumnType>(column.type)) {
    case ColumnType::Byte:
      at[0] = static_cast<uint8_t>(AsInteger(column, value));
      return;
    case ColumnType::Int:
      PutU16(at, static_cast<uint16_t>(AsInteger(column, value)));
      return;
    case ColumnType::Long:
      PutU32(at, static_cast<uint32_t>(AsInteger(column, value)));
      return;
    case ColumnType::Currency: {
      int64_t scaled = std::visit(
          Overloaded{[](const Currency& c) { return c.scaled; },
                     [](int64_t i) { return i * 10000; },
                     [](double d) { return static_cast<int64_t>(std::llround(d * 10000)); },
                     [&](const auto&) -> int64_t { Mismatch(column, "needs a currency"); }},
          value.kind());
      PutU64(at, static_cast<uint64_t>(scaled));
      return;
    }
    case ColumnType::Single: {
      float f = static_cast<float>(AsDouble(column, value));
      uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      PutU32(at, bits);
      return;
    }
    case ColumnType::Double:
    case ColumnType::Date: {
      double d = AsDouble(column, value);
      uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      PutU64(at, bits);
      return;
    }
    case ColumnType::Guid: {
      const Guid* g = std::get_if<Guid>(&value.kind());
      Guid parsed;
      if (!g) {
        const Text* t = std::get_if<Text>(&value.kind());
        if (!t) Mismatch(column, "needs a GUID");
        parsed = Guid::FromText(t->utf8);
        g = &parsed;
      }
      std::memcpy(at, g->bytes.data(), 16);
      return;
    }
    case ColumnType::Numeric: {
      Numeric n = AsNumeric(column, value);
      at[0] = n.negative ? 0x80 : 0x00;
      for (int word = 0; word < 4; ++word)
        PutU32(at + 1 + 4 * word, static_cast<uint32_t>(n.magnitude >> (32 * (3 - word))));
      return;
    }
    case ColumnType::BigInt:
      PutU64(at, static_cast<uint64_t>(AsInteger(column, value)));
      return;
    case ColumnType::DateTimeExtended: {
      if (auto* b = std::get_if<Bytes>(&value.kind())) {
        if (b->data.size() != column.length) Mismatch(column, "needs 42 bytes");
        std::memcpy(at, b->data.data(), b->data.size());
        return;
      }
      auto* d = std::get_if<ExtendedDate>(&value.kind());
      if (!d) Mismatch(column, "needs an extended date");
      char text[64];
      std::snprintf(text, sizeof text, "%019lld:%012lld%07lld:7", static_cast<long long>(d->days),
                    static_cast<long long>(d->seconds), static_cast<long long>(d->ticks));
      std::memcpy(at, text, 42);  // the text and its NUL
      return;
    }
    default:
      Mismatch(column, "is not a fixed-length type");
  }
}

void RowEncoder::AppendCalculated(const ColumnRecord& column, const Value& value, std::vector<uint8_t>& out) const {
  if (auto* b = std::get_if<Bytes>(&value.kind())) {
    out.insert(out.end(), b->data.begin(), b->data.end());
    return;
  }
  ColumnRecord result = column;
  result.calculated = false;
  result.type = column.resultType;
  std::vector<uint8_t> data;
  switch (static_cast<ColumnType>(column.resultType)) {
    case ColumnType::Bit:
      data.push_back(AsInteger(result, value) ? 0xFF : 0x00);
      break;
    case ColumnType::Text:
    case ColumnType::Memo:
      AppendText(result, value, definition_.format, data);
      break;
    case ColumnType::Numeric: {
      // A form of its own: [2 bytes][scale][sign][high: 4][low: 8].
      Numeric n = AsNumeric(column, value);
      data.assign(16, 0);
      data[0] = 0x0E;
      data[2] = column.scale;
      data[3] = n.negative ? 0x80 : 0x00;
      PutU32(&data[4], static_cast<uint32_t>(n.magnitude >> 64));
      PutU64(&data[8], static_cast<uint64_t>(n.magnitude));
      break;
    }
    default:
      result.length = FixedSize(static_cast<ColumnType>(column.resultType));
      if (result.length == 0) Mismatch(column, "has no calculated form");
      data.assign(result.length, 0);
      PutFixed(result, value, data.data());
  }
  out.insert(out.end(), 16, 0);
  AppendU32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), 3, 0);
}

void RowEncoder::AppendVariable(size_t record, const Value& value, LongValueSink* sink,
                                std::vector<uint8_t>& out) {
  const ColumnRecord& column = definition_.columns[record];
  if (column.calculated && !column.isLongValue()) return AppendCalculated(column, value, out);
  switch (column.isLongValue() ? ColumnType::Memo : static_cast<ColumnType>(column.type)) {
    case ColumnType::Text:
      AppendText(column, value, definition_.format, out);
      return;
    case ColumnType::Memo: {
      // The data is gathered apart first: its size decides where it goes.
      std::vector<uint8_t>& data = longValue_;
      data.clear();
      if (column.calculated) AppendCalculated(column, value, data);
      else if (column.type == static_cast<uint8_t>(ColumnType::Memo)) AppendText(column, value, definition_.format, data);
      else data = AsBytes(column, value);
      LongStorage storage = StorageOf(value);
      if (storage == LongStorage::Auto)
        storage = data.size() <= kInlineLimit                                ? LongStorage::Inline
                  : data.size() <= ChainPieceData(*definition_.format.layout) ? LongStorage::Single
                                                                             : LongStorage::Chain;
      if (data.size() >= 0x40000000) Mismatch(column, "long value too long");
      uint32_t lengthWord = static_cast<uint32_t>(data.size());
      RowPointer pointer;
      if (storage == LongStorage::Inline) {
        lengthWord |= 0x80000000;
      } else if (!sink) {
        Mismatch(column, "long value needs pages here");
      } else if (storage == LongStorage::Single) {
        lengthWord |= 0x40000000;
        pointer = sink->StoreSingle(record, data);
      } else {
        pointer = sink->StoreChain(record, data);
      }
      AppendU32(out, lengthWord);
      AppendU32(out, storage == LongStorage::Inline ? 0 : pointer.Encoded());
      AppendU32(out, 0);
      if (storage == LongStorage::Inline) out.insert(out.end(), data.begin(), data.end());
      return;
    }
    default: {
      std::vector<uint8_t> bytes = AsBytes(column, value);
      out.insert(out.end(), bytes.begin(), bytes.end());
      return;
    }
  }
}

void RowEncoder::Encode(const std::vector<Value>& values, LongValueSink* sink, std::vector<uint8_t>& out) {
  static const Value kNull;
  auto valueAt = [&](size_t record) -> const Value& { return record < values.size() ? values[record] : kNull; };
  if (values.size() > definition_.columns.size()) throw BuildError("more values than columns");

  const JetLayout& layout = *definition_.format.layout;
  const size_t countSize = static_cast<size_t>(layout.rowColumnCountSize);
  out.assign(countSize + fixedSize_, 0);
  if (countSize == 1) {
    if (columnCount_ > 0xFF) throw BuildError("more columns than a row can count");
    out[0] = static_cast<uint8_t>(columnCount_);
  } else {
    PutU16(&out[0], columnCount_);
  }
  mask_.assign((columnCount_ + 7) / 8, 0);
  auto present = [&](uint16_t number) { mask_[number / 8] |= static_cast<uint8_t>(1u << (number % 8)); };

  for (size_t i = 0; i < definition_.columns.size(); ++i) {
    const ColumnRecord& c = definition_.columns[i];
    const Value& v = valueAt(i);
    if (!c.fixed() || v.IsNull()) continue;
    if (c.isBool()) {
      if (AsInteger(c, v)) present(c.number);
      continue;
    }
    PutFixed(c, v, &out[countSize + c.fixedOffset]);
    present(c.number);
  }

  starts_.clear();
  for (size_t record : variableRecords_) {
    starts_.push_back(static_cast<uint16_t>(out.size()));
    const Value& v = valueAt(record);
    if (v.IsNull()) continue;
    AppendVariable(record, v, sink, out);
    present(definition_.columns[record].number);
  }
  if (!variableRecords_.empty() && layout.rowFieldSize == 1) {
    AppendShortOffsets(out);
  } else if (!variableRecords_.empty()) {
    if (out.size() > 0xFFFF) throw BuildError("row too long");
    AppendU16(out, static_cast<uint32_t>(out.size()));  // end of the variable data
    for (auto it = starts_.rbegin(); it != starts_.rend(); ++it) AppendU16(out, *it);
    AppendU16(out, static_cast<uint32_t>(variableRecords_.size()));
  }
  out.insert(out.end(), mask_.begin(), mask_.end());
}

void RowEncoder::AppendShortOffsets(std::vector<uint8_t>& out) const {
  const size_t end = out.size(), v = variableRecords_.size();
  if (v > 0xFF) throw BuildError("more variable columns than a row can count");
  // The jump table holds a byte per 256 bytes of the whole row, which it
  // lengthens; entries for the boundaries the data passes, a filler for
  // the rest (at most one).
  size_t jumps = 0;
  for (;;) {
    size_t length = end + (v + 1) + jumps + 1 + mask_.size();
    if ((length - 1) / 256 == jumps) break;
    jumps = (length - 1) / 256;
  }
  const size_t passed = end / 256;
  if (jumps > passed + 1) throw BuildError("an offset table that its jump table cannot describe");
  auto offset = [&](size_t i) -> size_t { return i == v ? end : starts_[i]; };
  out.push_back(static_cast<uint8_t>(end & 0xFF));
  for (size_t i = v; i-- > 0;) out.push_back(static_cast<uint8_t>(offset(i) & 0xFF));
  if (jumps > passed) out.push_back(0xFF);
  // Entry k, next to the count for k = 0: the first offset at or past
  // boundary k + 1.
  for (size_t k = passed; k-- > 0;) {
    size_t i = 0;
    while (offset(i) < 256 * (k + 1)) ++i;
    out.push_back(static_cast<uint8_t>(i));
  }
  out.push_back(static_cast<uint8_t>(v));
}

}  // namespace testdb
