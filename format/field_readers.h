// Little-endian values and byte strings taken out of a page buffer.
//
// Every offset here comes from a file that may be damaged, so every reader is
// given the buffer with its size: a value that would lie even partly outside
// the buffer reads as 0, and the bytes of a text that lie outside are left out.
// Callers then reject the zero with their own range checks.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

using ByteSpan = std::span<const uint8_t>;

namespace field_detail {

// Inline: rows are read a few fields at a time, millions of them.
inline uint32_t LoadLittleEndian(ByteSpan buffer, int64_t offset, int width) {
  if (offset < 0 || offset > static_cast<int64_t>(buffer.size()) - width) return 0;
  uint32_t value = 0;
  // One load where the machine is little-endian, as the file is.
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, buffer.data() + offset, static_cast<size_t>(width));
  } else {
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | buffer[static_cast<size_t>(offset + i)];
  }
  return value;
}

}  // namespace field_detail

// One byte, sign-extended: 0xFF reads as -1.
inline int32_t ReadSignedByte(ByteSpan buffer, int64_t offset) {
  return static_cast<int8_t>(field_detail::LoadLittleEndian(buffer, offset, 1));
}
// Two bytes as one 16-bit word, bits unchanged.
inline uint16_t ReadWord(ByteSpan buffer, int64_t offset) {
  return static_cast<uint16_t>(field_detail::LoadLittleEndian(buffer, offset, 2));
}
// Two bytes, zero-extended: 0 to 65535.
inline int32_t ReadUInt16(ByteSpan buffer, int64_t offset) {
  return static_cast<int32_t>(field_detail::LoadLittleEndian(buffer, offset, 2));
}
// Three bytes, zero-extended: 0 to 16777215.
inline int32_t ReadUInt24(ByteSpan buffer, int64_t offset) {
  return static_cast<int32_t>(field_detail::LoadLittleEndian(buffer, offset, 3));
}
// Four bytes as a signed 32-bit value.
inline int32_t ReadInt32(ByteSpan buffer, int64_t offset) {
  return static_cast<int32_t>(field_detail::LoadLittleEndian(buffer, offset, 4));
}

// True when bytes start to end (excluded) lie inside the buffer and are all
// zero; false for an empty or outlying range.
inline bool AllZeroBytes(ByteSpan buffer, int64_t start, int64_t end) {
  if (start < 0 || end > static_cast<int64_t>(buffer.size()) || start >= end) return false;
  for (int64_t at = start; at < end; ++at)
    if (buffer[static_cast<size_t>(at)] != 0) return false;
  return true;
}

// The part of the n bytes at start that lies inside the buffer. Offsets come
// from damaged files: nothing here overflows.
ByteSpan BytesInside(ByteSpan buffer, int64_t start, int64_t n);
// The n bytes unchanged, zero bytes included.
std::string BytesAsText(ByteSpan buffer, int64_t start, int64_t n);
// The n bytes up to the first zero byte among them.
std::string BytesAsTextBuffered(ByteSpan buffer, int64_t start, int64_t n);
