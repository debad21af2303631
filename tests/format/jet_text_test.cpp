// Stored text to UTF-8: both two-byte forms, every character range, what
// damaged bytes become, and single-byte text in a code page.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "format/jet_text.h"
#include "format/text_decoder.h"
#include "format/utf8.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Well-formed UTF-8 (no surrogates, overlong forms or values past U+10FFFF).
bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    auto b = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
    size_t extra = b(0) < 0x80 ? 0 : b(0) >= 0xC2 && b(0) < 0xE0 ? 1 : b(0) >= 0xE0 && b(0) < 0xF0 ? 2
                 : b(0) >= 0xF0 && b(0) <= 0xF4 ? 3 : 9;
    if (extra == 9 || i + extra >= text.size() + (extra == 0)) return false;
    uint32_t c = extra == 0 ? b(0) : b(0) & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      if ((b(k) & 0xC0) != 0x80) return false;
      c = c << 6 | (b(k) & 0x3F);
    }
    if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c < 0xE000))
      return false;
    i += extra + 1;
  }
  return true;
}

std::string Decoded(const Bytes& stored) {
  std::string out = "<";  // appended to, never replaced
  AppendJetText(stored, out);
  return out.substr(1);
}

struct Case {
  const char* label;
  Bytes stored;
  std::string utf8;
};

class JetTextDecoding : public ::testing::TestWithParam<Case> {};

TEST_P(JetTextDecoding, GivesTheCharactersStored) {
  std::string text = Decoded(GetParam().stored);
  EXPECT_EQ(text, GetParam().utf8);
  EXPECT_TRUE(IsUtf8(text));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, JetTextDecoding,
    ::testing::Values(
        Case{"TwoByteLatin", {'H', 0, 'i', 0}, "Hi"},
        Case{"TwoByteWestern", {0xAC, 0x20, 0x1C, 0x20, 0x1D, 0x20, 0x13, 0x20, 0x22, 0x21}, "€“”–™"},
        Case{"TwoByteLowByteZero", {0x00, 0x4E, 0x01, 0x4E, 0x00, 0x01}, "一丁Ā"},
        Case{"TwoByteNulCharacter", {'a', 0, 0, 0, 'b', 0}, std::string("a\0b", 3)},
        Case{"SurrogatePair", {0x3D, 0xD8, 0x00, 0xDE}, "😀"},
        Case{"Compressed", {0xFF, 0xFE, 'H', 'i', 0xE9}, "Hié"},
        Case{"CompressedSwitching", {0xFF, 0xFE, 'a', 0, 0xA9, 0x03, 0, 'b'}, "aΩb"},
        Case{"SwitchInsidePair", {0xFF, 0xFE, 0, 0x3D, 0xD8, 0x00, 0xDE}, "\uFFFDÞ"},
        Case{"CompressedPairWhole", {0xFF, 0xFE, 0, 0x3D, 0xD8, 0x01, 0xDE, 0, 'x'}, "😁x"},
        Case{"MarkerOnly", {0xFF, 0xFE}, ""},
        Case{"MarkerHalf", {0xFF}, "\uFFFD"},
        Case{"OddTwoByteRun", {'A', 0, 'B'}, "A\uFFFD"},
        Case{"OddRunAfterSwitch", {0xFF, 0xFE, 'a', 0, 0x42}, "a\uFFFD"},
        Case{"LoneHighAtEnd", {'a', 0, 0x3D, 0xD8}, "a\uFFFD"},
        Case{"HighThenNoLow", {0x3D, 0xD8, 'b', 0}, "\uFFFDb"},
        Case{"LoneLow", {0x00, 0xDE, 'c', 0}, "\uFFFDc"},
        Case{"HighSwitchedAway", {0xFF, 0xFE, 0, 0x3D, 0xD8, 0, 'z'}, "\uFFFDz"},
        Case{"Nothing", {}, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(JetText, BytesBecomeTheirCodePoints) {
  std::string out = "x";
  AppendBytesAsCharacters(Bytes{0x41, 0x00, 0x80, 0xE9, 0xFF}, out);
  EXPECT_EQ(out, std::string("xA\0\u0080éÿ", 9));
}

// Text written by people passes; numbers, odd bytes and control characters
// read as text do not.
TEST(JetText, ReadableTextIsToldFromOtherBytes) {
  const std::vector<std::pair<Bytes, bool>> cases = {
      {{0xFF, 0xFE, 'Z', 0xFC, 'r', 'i', 'c', 'h'}, true},    // compressed, Latin-1
      {{'G', 0, 'r', 0, 0x1A, 0x04, '\n', 0}, true},          // two-byte, Cyrillic, a line end
      {{0x34, 0x6C, 0x57, 0x5B}, true},                        // two-byte CJK
      {{0x01, 0x00, 0x00, 0x00}, false},                       // a LONG 1
      {{'A', 0, 'B'}, false},                                  // an odd byte left over
      {{0xFF, 0xFE, 'a', 0x85}, false},                        // a C1 control
      {{0x00, 0xD8, 'a', 0}, false},                           // a surrogate without its other half
      {{0xFF, 0xFF}, false},                                   // a non-character
  };
  for (const auto& [stored, readable] : cases) EXPECT_EQ(TextDecoder().IsReadable(stored), readable) << Decoded(stored);
}

// Whatever a damaged page holds reads as valid UTF-8, within the value.
TEST(JetText, AnyBytesGiveValidUtf8) {
  std::mt19937 random(13);
  for (int round = 0; round < 20000; ++round) {
    Bytes stored(random() % 24);
    for (uint8_t& b : stored) b = static_cast<uint8_t>(random() % 5 == 0 ? 0 : random());
    if (round % 3 == 0 && stored.size() >= 2) stored[0] = 0xFF, stored[1] = 0xFE;
    std::string text = Decoded(stored);
    ASSERT_TRUE(IsUtf8(text)) << round;
    ASSERT_LE(text.size(), 2 * stored.size() + 3) << round;
  }
}

struct CodePageCase {
  const char* label;
  int32_t codePage;  // as the header names it
  Bytes stored;
  std::string utf8;
  int32_t used;  // the code page read in
};

class CodePageText : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageText, GivesTheCharactersOfTheCodePage) {
  const CodePageCase& c = GetParam();
  TextDecoder text(JetLayout::TextStorage::CodePage, c.codePage);
  std::string out = "<";
  text.Append(c.stored, out);
  EXPECT_EQ(out.substr(1), c.utf8);
  EXPECT_TRUE(IsUtf8(out));
  EXPECT_EQ(text.CodePage(), c.used);
  EXPECT_EQ(text.KnowsCodePage(), c.codePage == c.used || c.codePage == 0);
  // One byte a character: any count of bytes can be a whole text.
  EXPECT_TRUE(text.CanBeWhole(c.stored));
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, CodePageText,
    ::testing::Values(
        CodePageCase{"Windows1252", 1252, {'c', 'a', 'f', 0xE9, ' ', 0x80, 0x93, 0x85}, "café €“…", 1252},
        CodePageCase{"UndefinedIn1252", 1252, {'a', 0x81, 'b', 0x9D}, "a\uFFFDb\uFFFD", 1252},
        CodePageCase{"NulCharacter", 1252, {'a', 0, 'b'}, std::string("a\0b", 3), 1252},
        CodePageCase{"Cyrillic", 1251, {0xC0, 0xE1, 0xE2}, "Абв", 1251},
        CodePageCase{"Dos", 437, {0x82, 0xB0}, "é░", 437},
        CodePageCase{"Japanese", 932, {0x82, 0xA0, 'a', 0x8A, 0xBF, 0x8E, 0x9A}, "あa漢字", 932},
        CodePageCase{"JapaneseLeadByteAtTheEnd", 932, {'a', 0x82}, "a\uFFFD", 932},
        CodePageCase{"NoneNamed", 0, {0xE9, 0x80}, "é€", 1252},
        CodePageCase{"UnknownFallsBackTo1252", 12345, {0xE9, 0x80}, "é€", 1252}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CodePageText, ReadableTextIsToldFromOtherBytes) {
  TextDecoder text(JetLayout::TextStorage::CodePage, 1252);
  EXPECT_TRUE(text.IsReadable(Bytes{'Z', 0xFC, 'r', 'i', 'c', 'h', '\n'}));
  EXPECT_FALSE(text.IsReadable(Bytes{0x01, 0x00, 0x00, 0x00}));  // a LONG 1
  EXPECT_FALSE(text.IsReadable(Bytes{'a', 0x81}));               // undefined
}

TEST(Utf8, CutsFallBetweenCharacters) {
  const std::string text = "aΩ漢😀b";  // 1, 2, 3, 4 and 1 bytes
  EXPECT_EQ(Utf8Length(text), 5u);
  EXPECT_EQ(Utf8Prefix(text, 3), "aΩ漢");
  EXPECT_EQ(Utf8Prefix(text, 9), text);
  EXPECT_EQ(Utf8Prefix(text, 9, 5), "aΩ");
  EXPECT_EQ(Utf8Prefix(text, 9, 6), "aΩ漢");
  EXPECT_EQ(Utf8Prefix(text, 9, 9), "aΩ漢");
  EXPECT_EQ(Utf8Prefix(text, 0), "");
  std::string encoded;
  for (char32_t c : {U'A', U'é', U'€', U'😀', char32_t{0xD800}, char32_t{0x110000}}) AppendUtf8(c, encoded);
  EXPECT_EQ(encoded, "Aé€😀\uFFFD\uFFFD");
}

}  // namespace
