#include "decode/value_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/decode/test_pages.h"

namespace {

using decodetest::Bytes;

struct Rendering {
  const char* name;
  int typeCode;
  Bytes stored;
  std::string expected;
  int precision = 0;
  int scale = 0;
};

Bytes Float(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  return decodetest::Le32(bits);
}

Bytes Double(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return decodetest::Le64(bits);
}

Bytes Numeric(uint8_t sign, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
  Bytes bytes{sign};
  for (uint32_t word : {w0, w1, w2, w3}) {
    Bytes le = decodetest::Le32(word);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  return bytes;
}

// An extended date/time as stored: its text and a NUL.
Bytes ExtendedDate(const std::string& text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::string Render(int typeCode, const Bytes& stored, int64_t position, int precision = 0, int scale = 0,
                   int* result = nullptr) {
  decodetest::TestSession session;
  Bytes page(4096, 0xEE);
  for (size_t i = 0; i < stored.size(); ++i) {
    int64_t at = position + static_cast<int64_t>(i);
    if (at >= 0 && at < 4096) page[static_cast<size_t>(at)] = stored[i];
  }
  ColumnDef column = decodetest::Column(typeCode, 3, true, 0, static_cast<int>(stored.size()));
  column.precision = precision;
  column.scale = scale;
  CellSlot cell;
  cell.text = "stale";
  int r = DecodeCell(session.db, session.oleFiles, page, column, position, static_cast<int64_t>(stored.size()), cell);
  if (result) *result = r;
  return cell.text;
}

class ValueRenderingTest : public ::testing::TestWithParam<Rendering> {};

TEST_P(ValueRenderingTest, RendersStoredValue) {
  const Rendering& r = GetParam();
  EXPECT_EQ(Render(r.typeCode, r.stored, 100, r.precision, r.scale), r.expected);
}

const Rendering kRenderings[] = {
    {"ByteIsUnsigned", 2, {0xFF}, "255"},
    {"ByteSmall", 2, {0x7F}, "127"},
    {"IntIsSigned", 3, {0xFF, 0xFF}, "-1"},
    {"IntMinimum", 3, {0x00, 0x80}, "-32768"},
    {"IntMaximum", 3, {0xFF, 0x7F}, "32767"},
    {"LongMinusOne", 4, {0xFF, 0xFF, 0xFF, 0xFF}, "-1"},
    {"LongMinimum", 4, {0x00, 0x00, 0x00, 0x80}, "-2147483648"},
    {"BigIntMinimum", 19, decodetest::Le64(0x8000000000000000), "-9223372036854775808"},
    {"BigIntAnswer", 19, decodetest::Le64(42), "42"},
    {"CurrencyScaled", 5, decodetest::Le64(12345), "1.2345"},
    {"CurrencyZero", 5, decodetest::Le64(0), "0.0000"},
    {"CurrencyOneTenThousandth", 5, decodetest::Le64(1), "0.0001"},
    {"CurrencyWhole", 5, decodetest::Le64(50000), "5.0000"},
    {"CurrencyNegative", 5, decodetest::Le64(static_cast<uint64_t>(-15000)), "-1.5000"},
    {"CurrencyTopByteOneIsPositive", 5, decodetest::Le64(uint64_t{1} << 56), "7205759403792.7936"},
    {"CurrencyMaximum", 5, decodetest::Le64(0x7FFFFFFFFFFFFFFF), "922337203685477.5807"},
    {"CurrencyMinimum", 5, decodetest::Le64(0x8000000000000000), "-922337203685477.5808"},
    {"SingleOneAndHalf", 6, Float(1.5f), "1.50000"},
    {"SingleOne", 6, Float(1.0f), "1.000000"},
    {"SingleTen", 6, Float(10.0f), "10.00000"},
    {"SingleQuarters", 6, Float(123.25f), "123.250"},
    {"SingleNoPoint", 6, Float(999999.0f), "999999"},
    {"SingleLarge", 6, Float(1234567.0f), "1234567.0000"},
    {"SingleThousandth", 6, Float(0.001f), "0.00100000"},
    {"SingleZero", 6, Float(0.0f), "0.0000"},
    {"SingleNegativeByMagnitude", 6, Float(-1.5f), "-1.50000"},
    {"SingleInfinity", 6, Float(std::numeric_limits<float>::infinity()), "inf"},
    {"DoubleHalf", 7, Double(0.5), "0.500000000000000"},
    {"DoublePi", 7, Double(3.14159), "3.14159000000000"},
    {"DoubleOne", 7, Double(1.0), "1.000000000000000"},
    {"DoubleHuge", 7, Double(1e16), "10000000000000000.0000"},
    {"DoubleNegativeSmallKeepsDigits", 7, Double(-0.00035456), "-0.000354560000000000"},
    {"DateDayZero", 8, Double(0), "12/30/1899 00:00:00"},
    {"DateNoon", 8, Double(0.5), "12/30/1899 12:00:00"},
    {"DateNegativeTimeIsPositive", 8, Double(-1.25), "12/29/1899 06:00:00"},
    {"DateDayTwo", 8, Double(2), "01/01/1900 00:00:00"},
    {"DateY2k", 8, Double(36526), "01/01/2000 00:00:00"},
    {"DateLeapDay2000", 8, Double(36585), "02/29/2000 00:00:00"},
    {"DateWithTime", 8, Double(39087.378507), "01/05/2007 09:05:03"},
    {"Date1900NotLeap", 8, Double(60), "02/28/1900 00:00:00"},
    {"Date1900March", 8, Double(61), "03/01/1900 00:00:00"},
    {"DateLastSecondRoundsToHour24", 8, Double(2958465.999999), "12/31/9999 24:00:00"},
    {"DateKeepsItsCentury", 8, Double(-115858), "10/15/1582 00:00:00"},
    {"DateEarlyYearsHaveFourDigits", 8, Double(-657434), "01/01/0100 00:00:00"},
    {"DateNaN", 8, Double(std::nan("")), "#DATETIME"},
    {"DateBeyondCalendar", 8, Double(1e300), "#DATETIME"},
    {"ExtendedDate", 20, ExtendedDate("0000000000000737954:0000000819123456789:7"), "06/14/2021 22:45:12.3456789"},
    {"ExtendedDateFirstDay", 20, ExtendedDate("0000000000000000000:0000000000000000001:7"),
     "01/01/0001 00:00:00.0000001"},
    {"ExtendedDateLastDay", 20, ExtendedDate("0000000000003652058:0000000863999999999:7"), "12/31/9999 23:59:59.9999999"},
    {"ExtendedDateNotDigits", 20, ExtendedDate("00000000000007379x4:0000000819123456789:7"), "#DATETIME"},
    {"ExtendedDateBeyond9999", 20, ExtendedDate("0000000000003652059:0000000000000000000:7"), "#DATETIME"},
    {"ExtendedDateNoOverflow", 20, ExtendedDate("9999999999999999999:0000000000000000000:7"), "#DATETIME"},
    {"ExtendedDateSecondsPastTheDay", 20, ExtendedDate("0000000000000737954:0000000864000000000:7"), "#DATETIME"},
    {"BinaryKeepsZeroBytes", 9, {0x01, 0x00, 0x02}, std::string("\x01\x00\x02", 3)},
    {"BinaryBytesAreTheirCharacters", 9, {0xDE, 0xAD, 0x80}, "Þ\u00AD\u0080"},
    {"BinaryLeadingZeroIsKept", 9, {0x00, 0x01}, std::string("\x00\x01", 2)},
    {"BinaryEmptyIsEmpty", 9, {}, ""},
    {"TextTwoByte", 10, {0x48, 0x00, 0x69, 0x00}, "Hi"},
    {"TextCompressed", 10, {0xFF, 0xFE, 0x48, 0x69}, "Hi"},
    {"TextCompressedSwitchesToPairs", 10, {0xFF, 0xFE, 0x41, 0x00, 0x42, 0x01, 0x00, 0x43}, "AłC"},
    {"TextHighCharacterIsOneCharacter", 10, {0x41, 0x01}, "Ł"},
    {"TextOfEveryScript", 10, decodetest::Ucs2("€ “Ω” Ж 漢 😀"), "€ “Ω” Ж 漢 😀"},
    {"TextCompressedLatin1", 10, {0xFF, 0xFE, 0x43, 0x61, 0x66, 0xE9}, "Café"},
    {"TextEmpty", 10, {}, ""},
    {"TextLikeAMarkerIsItself", 10, decodetest::Ucs2("#TEXT"), "#TEXT"},
    {"TextNullIsAText", 10, decodetest::Ucs2("NULL"), "NULL"},
    {"GuidRegistryForm", 15,
     {0x3A, 0x30, 0x96, 0xBC, 0xB8, 0x53, 0x4D, 0x47, 0xAC, 0xC1, 0xD2, 0xEB, 0x8D, 0x0B, 0x09, 0xD5},
     "{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}"},
    {"NumericScaled", 16, Numeric(0, 0, 0, 0, 3238), "32.38", 18, 2},
    {"NumericNoScale", 16, Numeric(0, 0, 0, 0, 1), "1", 18, 0},
    {"NumericNegativeNoScale", 16, Numeric(0x80, 0, 0, 0, 1), "-1", 18, 0},
    {"NumericAllScale", 16, Numeric(0, 0, 0, 0, 42), "0.00042", 5, 5},
    {"NumericNegativeWide", 16, Numeric(0x80, 0, 4, 0xA14CA69E, 0xE3B5CC80), "-8540982423.4530000000", 20, 10},
    {"NumericScaleBeyondPrecision", 16, Numeric(0, 0, 0, 0, 5), "0.005", 2, 3},
    {"NumericNegativeZeroHasNoSign", 16, Numeric(0x80, 0, 0, 0, 0), "0.00", 18, 2},
    {"NumericBeyondSixtyFourBits", 16, Numeric(0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF),
     "3402823669209384634633746074317.68211455", 38, 8},
    {"NumericDamagedScale", 16, Numeric(0, 0, 0, 0, 5), "#NUMERIC", 18, 29},
    {"NumericNegativeScale", 16, Numeric(0, 0, 0, 0, 5), "#NUMERIC", 18, -3},
    {"BooleanInDecoderShowsName", 1, {}, "BIT"},
    {"UnknownType", 13, {}, "UNKNOWN-DATATYPE = 0xd"},
    {"NegativeUnknownType", -112, {}, "UNKNOWN-DATATYPE = 0xffffff90"},
};

INSTANTIATE_TEST_SUITE_P(Renderings, ValueRenderingTest, ::testing::ValuesIn(kRenderings),
                         [](const auto& info) { return std::string(info.param.name); });

struct PageEdge {
  const char* name;
  int typeCode;
  int width;
  int64_t position;
  std::string expected;
};

class PageEdgeTest : public ::testing::TestWithParam<PageEdge> {};

// Values at or past the page's end never read outside it.
TEST_P(PageEdgeTest, RendersWithoutLeavingThePage) {
  const PageEdge& e = GetParam();
  EXPECT_EQ(Render(e.typeCode, Bytes(static_cast<size_t>(e.width), 0x01), e.position), e.expected);
}

const PageEdge kPageEdges[] = {
    {"ByteOnLastByte", 2, 1, 4095, "1"},
    {"BytePastEnd", 2, 1, 4096, ""},
    {"ByteNegative", 2, 1, -1, ""},
    {"IntOnLastTwoBytes", 3, 2, 4094, ""},
    {"IntBeforeThem", 3, 2, 4093, "257"},
    {"LongOnLastBytes", 4, 4, 4092, ""},
    {"CurrencyOnLastBytes", 5, 8, 4088, ""},
    {"SingleOnLastBytes", 6, 4, 4092, ""},
    {"DoubleOnLastBytes", 7, 8, 4088, ""},
    {"DatePastEnd", 8, 8, 4090, "#DATETIME"},
    {"BinaryPastEnd", 9, 10, 4090, "BINARY"},
    {"TextPartlyOutside", 10, 8, 4092, "āā"},
    {"TextFarOutside", 10, 8, 1 << 20, ""},
    {"GuidPastEnd", 15, 16, 4090, ""},
    {"NumericPastEnd", 16, 17, 4090, ""},
    {"BigIntOnLastBytes", 19, 8, 4088, ""},
    {"ExtendedDatePastEnd", 20, 42, 4060, "#DATETIME"},
    {"MemoTooShort", 12, 11, 100, "MEMO"},
    {"OlePastEnd", 11, 12, 4090, "OLEOBJECT"},
};

INSTANTIATE_TEST_SUITE_P(Edges, PageEdgeTest, ::testing::ValuesIn(kPageEdges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeValueTest, ReportsTypesWithoutDecoder) {
  int result = 0;
  Render(13, {}, 100, 0, 0, &result);
  EXPECT_EQ(result, -1);
  Render(4, {1, 0, 0, 0}, 100, 0, 0, &result);
  EXPECT_EQ(result, 1);
}

}  // namespace
