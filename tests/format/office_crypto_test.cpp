// The key derivations of Office encryption against values taken from real
// encrypted databases: an RC4 CryptoAPI file (40-bit, password Test123) and
// an Agile file (AES-256, SHA-512, password "password").
#include <gtest/gtest.h>

#include <string>

#include "format/office_codecs.h"
#include "format/office_crypto.h"

namespace {

CryptoBytes FromHex(const std::string& hex) {
  CryptoBytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  char digits[3];
  for (uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    out += digits;
  }
  return out;
}

TEST(OfficeKeys, Rc4CryptoApiFortyBitKeysArePaddedWithZeros) {
  const CryptoBytes salt = FromHex("78DA7D5196C71492EED3B4471A479449");
  const CryptoBytes h0 = IteratedHash(HashAlgorithm::Sha1, salt, PasswordBytes("Test123"), 0);
  EXPECT_EQ(Hex(h0), "3A484B8CC067045F5222B6CE8CEE9C3277B90ACA");
  EXPECT_EQ(Hex(Rc4CryptoApiKey(h0, 0, 40)), "37A6391791" + std::string(22, '0'));
  // Page 1: the stored key E1 27 F3 A1 XOR 1.
  EXPECT_EQ(Hex(Rc4CryptoApiKey(h0, 0xA1F327E1 ^ 1, 40)), "02DBED81C1" + std::string(22, '0'));
}

TEST(OfficeKeys, AgileSecretKeyBlockAndPageIv) {
  const CryptoBytes salt = FromHex("95F2F30E84A9EA6D8590CCAF3E265ABC");
  const CryptoBytes password = PasswordBytes("password");
  EXPECT_EQ(Hex(IteratedHash(HashAlgorithm::Sha512, salt, password, 0)).substr(0, 32),
            "82E246A65720416D703AA0A66E3C22A0");
  const CryptoBytes iterated = IteratedHash(HashAlgorithm::Sha512, salt, password, 100'000);
  EXPECT_EQ(Hex(iterated).substr(0, 32), "E0B5561B6F7EF41DF7F05C0A8883AB66");
  EXPECT_EQ(Hex(AgileDerive(HashAlgorithm::Sha512, iterated, kAgileSecretKeyBlock, 32)),
            "811F2C33FF5395B3BD9C0E6442FF39C595C282395D2E5ED8FD4D59584FD5B8A7");
  const CryptoBytes dataSalt = FromHex("0C0C9CDC2D8EC717BE4A75A045360141");
  EXPECT_EQ(Hex(AgileDerive(HashAlgorithm::Sha512, dataSalt, BlockKeyBytes(0xA0BE38A3 ^ 1), 16)),
            "FFFD889ADF9739D8C0DCB0299F557240");
  // Shorter hashes than the key are padded with 0x36.
  EXPECT_EQ(Hex(AgileDerive(HashAlgorithm::Sha1, iterated, kAgileSecretKeyBlock, 32)).substr(40), "363636363636363636363636");
}

TEST(OfficeKeys, PasswordsAreUtf16CutAt255Units) {
  EXPECT_EQ(Hex(PasswordBytes("Aé€")), "4100E900AC20");
  EXPECT_EQ(Hex(PasswordBytes("\xF0\x9F\x94\x91")), "3DD811DD");  // one character, two units
  EXPECT_EQ(Hex(PasswordBytes("\xE9")), "E900");                  // not UTF-8: Latin-1
  EXPECT_EQ(PasswordBytes(std::string(10'000, 'x')).size(), 510u);
  EXPECT_EQ(PasswordBytes(std::string(254, 'x') + "\xF0\x9F\x94\x91").size(), 508u);
}

}  // namespace
