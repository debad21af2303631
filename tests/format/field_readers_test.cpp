// The bounded readers: little-endian values and byte strings out of a
// buffer, 0 or an empty text wherever the buffer ends.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "format/field_readers.h"
#include "format/text_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ValueCase {
  const char* label;
  Bytes bytes;
  int64_t offset;
  int32_t signedByte, uint16, uint24, int32;
};

class FieldReaders : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FieldReaders, ReadLittleEndianValues) {
  const ValueCase& c = GetParam();
  EXPECT_EQ(ReadSignedByte(c.bytes, c.offset), c.signedByte);
  EXPECT_EQ(ReadUInt16(c.bytes, c.offset), c.uint16);
  EXPECT_EQ(ReadWord(c.bytes, c.offset), static_cast<uint16_t>(c.uint16));
  EXPECT_EQ(ReadUInt24(c.bytes, c.offset), c.uint24);
  EXPECT_EQ(ReadInt32(c.bytes, c.offset), c.int32);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FieldReaders,
    ::testing::Values(
        ValueCase{"HighBitsSet", {0xFF, 0xFF, 0xFF, 0xFF}, 0, -1, 65535, 0xFFFFFF, -1},
        ValueCase{"SignedByteEdges", {0x80, 0x7F, 0x00, 0x00}, 0, -128, 0x7F80, 0x7F80, 0x7F80},
        ValueCase{"PositiveByte", {0x00, 0x7F, 0x00, 0x00, 0x00}, 1, 127, 127, 127, 127},
        ValueCase{"FourthByteIgnoredBy24", {0x01, 0x02, 0x03, 0xFF}, 0, 1, 0x0201, 0x030201,
                  static_cast<int32_t>(0xFF030201)},
        ValueCase{"AtTheEndOnlyNarrowReadsFit", {0x11, 0x22, 0x33}, 1, 0x22, 0x3322, 0, 0},
        ValueCase{"LastByte", {0x11, 0x22, 0x93}, 2, -109, 0, 0, 0},
        ValueCase{"PastTheEnd", {0x11, 0x22}, 2, 0, 0, 0, 0},
        ValueCase{"NegativeOffset", {0x11, 0x22, 0x33, 0x44}, -1, 0, 0, 0, 0},
        ValueCase{"FarNegativeOffset", {0x11, 0x22, 0x33, 0x44}, std::numeric_limits<int64_t>::min(), 0, 0, 0, 0},
        ValueCase{"FarOffset", {0x11, 0x22, 0x33, 0x44}, std::numeric_limits<int64_t>::max(), 0, 0, 0, 0},
        ValueCase{"EmptyBuffer", {}, 0, 0, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.label); });

struct TextCase {
  const char* label;
  Bytes bytes;
  int64_t start, n;
  std::string jetText, asText, asTextBuffered;
};

class ByteStrings : public ::testing::TestWithParam<TextCase> {};

TEST_P(ByteStrings, TakeTheBytesInsideTheBuffer) {
  const TextCase& c = GetParam();
  EXPECT_EQ(TextDecoder().Text(c.bytes, c.start, c.n), c.jetText);
  EXPECT_EQ(BytesAsText(c.bytes, c.start, c.n), c.asText);
  EXPECT_EQ(BytesAsTextBuffered(c.bytes, c.start, c.n), c.asTextBuffered);
}

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Texts, ByteStrings,
    ::testing::Values(
        TextCase{"TwoByteTextBecomesSingleByte", {0x41, 0x00, 0x42, 0x00}, 0, 4, "AB", std::string("A\0B\0", 4), "A"},
        TextCase{"HighByteKept", {0x41, 0x01}, 0, 2, "\u0141", "A\x01", "A\x01"},
        TextCase{"AllZeros", {0, 0, 0, 0}, 0, 4, std::string(2, '\0'), std::string(4, '\0'), ""},
        TextCase{"ZeroInside", {0x41, 0x00, 0x42}, 0, 3, "A\uFFFD", std::string("A\0B", 3), "A"},
        TextCase{"StartsWithZero", {0x00, 0x41}, 0, 2, "\u4100", std::string("\0A", 2), ""},
        TextCase{"NothingAsked", {0x41}, 0, 0, "", "", ""},
        TextCase{"NegativeCount", {0x41}, 0, -5, "", "", ""},
        TextCase{"RunsPastTheEnd", {0x41, 0x42, 0x43}, 1, 10, "\u4342", "BC", "BC"},
        TextCase{"StartsBeforeTheBuffer", {0x41, 0x42, 0x43}, -2, 3, "\uFFFD", "A", "A"},
        TextCase{"EntirelyBefore", {0x41, 0x42}, -5, 3, "", "", ""},
        TextCase{"EntirelyAfter", {0x41, 0x42}, 2, 3, "", "", ""},
        TextCase{"HugeCount", {0x41, 0x42}, 1, kMax, "\uFFFD", "B", "B"},
        TextCase{"HugeStart", {0x41, 0x42}, kMax, kMax, "", "", ""},
        TextCase{"MostNegativeStart", {0x41, 0x42}, kMin, kMax, "", "", ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
