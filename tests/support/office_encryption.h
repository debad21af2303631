// Encrypts a written database as Access does when it is given a password:
// the header turns into an ACE header with a database key and, at 0x299,
// the description of the encryption with its password verifier; every later
// page is encrypted with a key derived from the password. Salts, verifiers
// and keys are derived from the password, so the same description gives the
// same bytes.
#pragma once

#include <cstdint>
#include <string>

#include "format/encryption_info.h"

namespace testdb {

struct OfficeEncryption {
  OfficeScheme scheme = OfficeScheme::Agile;
  std::string password;
  // AES: 128, 192 or 256; RC4 CryptoAPI: 40 to 128 (40 zero-padded).
  int keyBits = 256;
  // Agile only: the hash of both keys and the password's rounds (Standard
  // has a fixed 50,000, the others none).
  HashAlgorithm hash = HashAlgorithm::Sha512;
  uint32_t spinCount = 100'000;
  uint32_t databaseKey = 0xA0BE38A3;
};

// False when the file cannot be rewritten.
bool EncryptDatabase(const std::string& path, const OfficeEncryption& encryption);

}  // namespace testdb
