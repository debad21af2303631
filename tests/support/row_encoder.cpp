#include "tests/support/row_encoder.h"

#include <algorithm>
#include <cmath>
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

// Bytes as given, or the UTF-8 of a text (BINARY, OLE, unknown types).
std::vector<uint8_t> AsBytes(const ColumnRecord& column, const Value& value) {
  if (auto* b = std::get_if<Bytes>(&value.kind())) return b->data;
  if (auto* t = std::get_if<Text>(&value.kind())) return std::vector<uint8_t>(t->utf8.begin(), t->utf8.end());
  Mismatch(column, "needs bytes");
}

// Appends the stored form of a text (or the bytes given instead) to `out`.
void AppendText(const ColumnRecord& column, const Value& value, std::vector<uint8_t>& out) {
  if (auto* t = std::get_if<Text>(&value.kind())) {
    if (!EncodeText(t->utf8, t->encoding, column.isLongValue(), out))
      Mismatch(column, "text cannot be stored compressed");
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
    case ColumnType::Complex:  // the id of the row's values
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
      Numeric n = std::visit(
          Overloaded{[](const Numeric& x) { return x; },
                     [&](int64_t i) {
                       unsigned __int128 m = i < 0 ? -static_cast<unsigned __int128>(i) : static_cast<unsigned __int128>(i);
                       return Numeric{i < 0, m * Pow10(column.scale)};
                     },
                     [&](const Text& t) { return Numeric::FromDecimal(t.utf8, column.scale); },
                     [&](const auto&) -> Numeric { Mismatch(column, "needs a numeric"); }},
          value.kind());
      at[0] = n.negative ? 0x80 : 0x00;
      for (int word = 0; word < 4; ++word)
        PutU32(at + 1 + 4 * word, static_cast<uint32_t>(n.magnitude >> (32 * (3 - word))));
      return;
    }
    default:
      Mismatch(column, "is not a fixed-length type");
  }
}

void RowEncoder::AppendVariable(size_t record, const Value& value, LongValueSink* sink,
                                std::vector<uint8_t>& out) {
  const ColumnRecord& column = definition_.columns[record];
  switch (static_cast<ColumnType>(column.type)) {
    case ColumnType::Text:
      AppendText(column, value, out);
      return;
    case ColumnType::Memo:
    case ColumnType::Ole: {
      // The data is gathered apart first: its size decides where it goes.
      std::vector<uint8_t>& data = longValue_;
      data.clear();
      if (column.type == static_cast<uint8_t>(ColumnType::Memo)) AppendText(column, value, data);
      else data = AsBytes(column, value);
      LongStorage storage = StorageOf(value);
      if (storage == LongStorage::Auto)
        storage = data.size() <= kInlineLimit       ? LongStorage::Inline
                  : data.size() <= kChainPieceData ? LongStorage::Single
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

  out.assign(2 + fixedSize_, 0);
  PutU16(&out[0], columnCount_);
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
    PutFixed(c, v, &out[2 + c.fixedOffset]);
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
  if (!variableRecords_.empty()) {
    if (out.size() > 0xFFFF) throw BuildError("row too long");
    AppendU16(out, static_cast<uint32_t>(out.size()));  // end of the variable data
    for (auto it = starts_.rbegin(); it != starts_.rend(); ++it) AppendU16(out, *it);
    AppendU16(out, static_cast<uint32_t>(variableRecords_.size()));
  }
  out.insert(out.end(), mask_.begin(), mask_.end());
}

}  // namespace testdb
