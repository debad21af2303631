// Little-endian values and byte strings taken out of a page buffer.
//
// Every offset here comes from a file that may be damaged, so every reader is
// given the buffer with its size: a value that would lie even partly outside
// the buffer reads as 0, and the bytes of a text that lie outside are left out.
// Callers then reject the zero with their own range checks.
#pragma once

#include <cstdint>
#include <span>
#include <string>

using ByteSpan = std::span<const uint8_t>;

// One byte, sign-extended: 0xFF reads as -1.
int32_t ReadSignedByte(ByteSpan buffer, int64_t offset);
// Two bytes as one 16-bit word, bits unchanged.
uint16_t ReadWord(ByteSpan buffer, int64_t offset);
// Two bytes, zero-extended: 0 to 65535.
int32_t ReadUInt16(ByteSpan buffer, int64_t offset);
// Three bytes, zero-extended: 0 to 16777215.
int32_t ReadUInt24(ByteSpan buffer, int64_t offset);
// Four bytes as a signed 32-bit value.
int32_t ReadInt32(ByteSpan buffer, int64_t offset);

// The part of the n bytes at start that lies inside the buffer. Offsets come
// from damaged files: nothing here overflows.
ByteSpan BytesInside(ByteSpan buffer, int64_t start, int64_t n);
// The n bytes unchanged, zero bytes included.
std::string BytesAsText(ByteSpan buffer, int64_t start, int64_t n);
// The n bytes up to the first zero byte among them.
std::string BytesAsTextBuffered(ByteSpan buffer, int64_t start, int64_t n);
