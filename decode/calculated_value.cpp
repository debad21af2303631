#include "decode/calculated_value.h"

#include <array>
#include <string>

#include "decode/value_decoders.h"
#include "decode/value_renderer.h"
#include "reader/long_value_reader.h"

namespace {

constexpr int64_t kLengthOffset = 16;
constexpr int64_t kHeaderSize = 20;
constexpr int64_t kDecimalSize = 16;

void SetMarker(Value& out) {
  out.Clear();
  out.kind = ValueKind::Marker;
  out.text.assign("#CALCULATED");
}

// The result's bytes inside the wrapper.
bool Unwrap(ByteSpan wrapped, ByteSpan& data) {
  const int64_t size = static_cast<int64_t>(wrapped.size());
  if (size < kHeaderSize) return false;
  int64_t n = ReadInt32(wrapped, kLengthOffset);
  if (n < 0 || n > size - kHeaderSize) return false;
  data = wrapped.subspan(static_cast<size_t>(kHeaderSize), static_cast<size_t>(n));
  return true;
}

// Bytes a result of a fixed-size type takes; 0 for the others.
int64_t FixedSize(ColumnType type) { return NumberTypeSize(type); }

void DecodeDecimal(ByteSpan data, Value& out) {
  int32_t scale = ReadSignedByte(data, 2) & 0xFF;
  if (static_cast<int64_t>(data.size()) < kDecimalSize || scale > DecimalValue::kMaxScale) return SetMarker(out);
  uint64_t high = static_cast<uint32_t>(ReadInt32(data, 4));
  uint64_t low = static_cast<uint32_t>(ReadInt32(data, 8)) | uint64_t{static_cast<uint32_t>(ReadInt32(data, 12))} << 32;
  out.Clear();
  out.kind = ValueKind::Decimal;
  out.decimal.negative = (ReadSignedByte(data, 3) & 0x80) != 0;
  out.decimal.magnitude = static_cast<unsigned __int128>(high) << 64 | low;
  out.decimal.scale = scale;
}

}  // namespace

void DecodeCalculated(const MdbFile& db, OleFileWriter& oleFiles, ByteSpan page, const ColumnDef& column,
                      int64_t position, int64_t length, Value& out) {
  std::string longValue;
  ByteSpan wrapped = BytesInside(page, position, length);
  if (column.type == ColumnType::Memo) {
    if (!ReadLongValue(db, page, position, length, longValue)) return SetMarker(out);
    wrapped = ByteSpan(reinterpret_cast<const uint8_t*>(longValue.data()), longValue.size());
  }
  ByteSpan data;
  if (!Unwrap(wrapped, data)) return SetMarker(out);
  // An expression whose result is absent stores no data.
  if (data.empty()) return out.Clear();

  switch (column.type) {
    case ColumnType::Bit:
      out.Clear();
      out.kind = ValueKind::Boolean;
      out.integer = data[0] != 0 ? 1 : 0;
      return;
    case ColumnType::Text:
    case ColumnType::Memo: return DecodeText(db.Text(), data, 0, static_cast<int64_t>(data.size()), out);
    case ColumnType::Numeric: return DecodeDecimal(data, out);
    default: break;
  }
  // The fixed-size readers never take a page's last byte: the result is
  // read from a copy with room after it.
  const int64_t size = FixedSize(column.type);
  if (size == 0 || static_cast<int64_t>(data.size()) < size) return SetMarker(out);
  std::array<uint8_t, 32> copy{};
  std::copy(data.begin(), data.begin() + size, copy.begin());
  ColumnDef result = column;
  result.calculated = false;
  DecodeValue(db, oleFiles, copy, result, 0, size, out);
}
