// How texts are stored. Both forms read back in every reader, so only these
// checks catch a text stored in the wrong one: Access compresses only when it
// saves space, never a memo over 1024 characters, always a text starting with
// U+FEFF, and never one that a 0x00 byte would break.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/jet_text.h"

namespace {

using testdb::TextEncoding;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    out += buf;
  }
  return out;
}

std::string Repeated(const std::string& hex, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += hex;
  return out;
}

TEST(JetText, StoredFormFollowsAccessRules) {
  struct Case {
    const char* what;
    std::string utf8;
    TextEncoding encoding;
    bool memo;
    std::string hex;  // what is appended; "refused" when nothing may be
  };
  const Case cases[] = {
      {"two letters gain nothing", "UK", TextEncoding::Auto, false, "55004B00"},
      {"three letters compress", "Oslo", TextEncoding::Auto, false, "FFFE4F736C6F"},
      {"latin-1 compresses", "\xC3\xA9t\xC3\xA9", TextEncoding::Auto, false, "FFFEE974E9"},
      {"mode switches around wide letters", "a\xCE\xA9" "bcdef", TextEncoding::Auto, false, "FFFE6100A903006263646566"},
      {"switching costs make it not shorter", "a\xCE\xA9" "bcd", TextEncoding::Auto, false, "6100A903620063006400"},
      {"wide text stays UCS-2 when not shorter", "\xCE\xA9\xCE\xA9", TextEncoding::Auto, false, "A903A903"},
      {"U+0100 cannot be compressed", "abc\xC4\x80", TextEncoding::Auto, false, "6100620063000001"},
      {"leading U+FEFF is always compressed", "\xEF\xBB\xBF" "ab", TextEncoding::Auto, false, "FFFE00FFFE006162"},
      {"forced UCS-2", "Oslo", TextEncoding::Ucs2, false, "4F0073006C006F00"},
      {"forced compression of two letters", "UK", TextEncoding::Compressed, false, "FFFE554B"},
      {"forced compression of U+0100", "\xC4\x80", TextEncoding::Compressed, false, "refused"},
      {"empty text", "", TextEncoding::Auto, false, ""},
      {"memo of 1024 characters compresses", std::string(1024, 'm'), TextEncoding::Auto, true,
       "FFFE" + Repeated("6D", 1024)},
      {"memo of 1025 characters stays UCS-2", std::string(1025, 'm'), TextEncoding::Auto, true, Repeated("6D00", 1025)},
      {"memo of 1025 characters can be forced", std::string(1025, 'm'), TextEncoding::Compressed, true,
       "FFFE" + Repeated("6D", 1025)},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out = {0xAA};  // appended to, never replaced
    bool ok = testdb::EncodeText(c.utf8, c.encoding, c.memo, out);
    bool refused = c.hex == "refused";
    EXPECT_EQ(ok, !refused) << c.what;
    EXPECT_EQ(Hex(out), refused ? "AA" : "AA" + c.hex) << c.what;
  }
}

TEST(JetText, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(testdb::Utf16FromUtf8("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(testdb::Utf16FromUtf8("\xFF" "b"), u"\uFFFDb");
  EXPECT_EQ(testdb::Utf16FromUtf8("\xE6\xBC"), u"\uFFFD\uFFFD");
  EXPECT_EQ(testdb::Utf16FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
}

}  // namespace
