#include "format/field_readers.h"

#include <algorithm>
#include <cstring>

namespace {

bool Inside(ByteSpan buffer, int64_t offset, int64_t width) {
  return offset >= 0 && width >= 0 && offset <= static_cast<int64_t>(buffer.size()) - width;
}

uint32_t LoadLittleEndian(ByteSpan buffer, int64_t offset, int width) {
  if (!Inside(buffer, offset, width)) return 0;
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | buffer[static_cast<size_t>(offset + i)];
  return value;
}

}  // namespace

ByteSpan BytesInside(ByteSpan buffer, int64_t start, int64_t n) {
  const int64_t size = static_cast<int64_t>(buffer.size());
  if (n <= 0 || start >= size) return {};
  if (start < 0) {
    if (start + n <= 0) return {};
    n += start;
    start = 0;
  }
  n = std::min(n, size - start);
  return buffer.subspan(static_cast<size_t>(start), static_cast<size_t>(n));
}

int32_t ReadSignedByte(ByteSpan buffer, int64_t offset) {
  return static_cast<int8_t>(LoadLittleEndian(buffer, offset, 1));
}

uint16_t ReadWord(ByteSpan buffer, int64_t offset) {
  return static_cast<uint16_t>(LoadLittleEndian(buffer, offset, 2));
}

int32_t ReadUInt16(ByteSpan buffer, int64_t offset) {
  return static_cast<int32_t>(LoadLittleEndian(buffer, offset, 2));
}

int32_t ReadUInt24(ByteSpan buffer, int64_t offset) {
  return static_cast<int32_t>(LoadLittleEndian(buffer, offset, 3));
}

int32_t ReadInt32(ByteSpan buffer, int64_t offset) {
  return static_cast<int32_t>(LoadLittleEndian(buffer, offset, 4));
}

std::string BytesAsText(ByteSpan buffer, int64_t start, int64_t n) {
  ByteSpan bytes = BytesInside(buffer, start, n);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string BytesAsTextBuffered(ByteSpan buffer, int64_t start, int64_t n) {
  ByteSpan bytes = BytesInside(buffer, start, n);
  if (bytes.empty()) return {};
  const auto* first = reinterpret_cast<const char*>(bytes.data());
  return std::string(first, ::strnlen(first, bytes.size()));
}
