// The page codecs of Office encryption (ACE databases with a password), and
// the password check that gives one. A codec keeps what the password opened
// (the hashed password, or Agile's secret key), so that a page costs one
// hash and one cipher pass, never the password's thousands of rounds.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "format/encryption_info.h"
#include "format/page_codec.h"

class OfficePageCodec : public PageCodec {
 public:
  explicit OfficePageCodec(uint32_t databaseKey) : databaseKey_(databaseKey) {}
  void DecodePage(uint32_t page, std::span<uint8_t> bytes) const final {
    Apply(databaseKey_ ^ page, bytes, false);
  }
  // Encrypts or decrypts bytes with the key of one block: a page's block key
  // (the database key XOR the page number), or 0 for the binary schemes'
  // password verifier.
  virtual void Apply(uint32_t block, std::span<uint8_t> bytes, bool encrypt) const = 0;

 private:
  uint32_t databaseKey_;
};

// The codec for the pages when the password is right, nullptr when it is
// not. The verifier alone decides; no page is read. Costs the scheme's
// password hash rounds (info.spinCount, at most EncryptionInfo::kMaxSpinCount).
std::unique_ptr<OfficePageCodec> OpenOfficeCodec(const EncryptionInfo& info, uint32_t databaseKey,
                                                 std::string_view password);

// The fixed block keys of Agile's password key: for the verifier's input, for
// its hash, and for the secret key.
inline constexpr uint8_t kAgileVerifierInputBlock[8] = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
inline constexpr uint8_t kAgileVerifierHashBlock[8] = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
inline constexpr uint8_t kAgileSecretKeyBlock[8] = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
