// How an ACE database with a password is encrypted, as its header page
// describes it: a 16-bit length at 0x299, then that many bytes starting
// with a version pair. Version 4.4 is Agile, an XML descriptor; x.2 is a
// binary header and password verifier, for RC4 CryptoAPI or AES-ECB.
//
// The description comes from the file and may be damaged or hostile: every
// size is checked against the bytes that hold it, and a spin count beyond
// kMaxSpinCount is refused, since opening costs one hash per spin.
#pragma once

#include <cstdint>
#include <string>

#include "format/field_readers.h"
#include "format/office_crypto.h"

enum class OfficeScheme {
  Rc4CryptoApi,    // RC4 keyed per page from SHA-1 hashes
  AesStandard,     // AES-ECB keyed per page, the password hashed 50,000 times
  AesNonStandard,  // the same without the password's extra hashing
  Agile,           // AES-CBC with a secret key the password opens
};

struct EncryptionInfo {
  static constexpr int64_t kLengthOffset = 0x299;  // 16 bits, the bytes that follow
  static constexpr int64_t kStartOffset = 0x29B;
  static constexpr uint32_t kMaxSpinCount = 10'000'000;
  static constexpr uint32_t kStandardSpinCount = 50'000;

  OfficeScheme scheme = OfficeScheme::Rc4CryptoApi;
  // The password's key: its hash, salt and size, and how often the password
  // is hashed.
  HashAlgorithm hash = HashAlgorithm::Sha1;
  CryptoBytes salt;
  int keyBits = 0;
  uint32_t spinCount = 0;
  // The verifier, encrypted with the password's key; Agile: the encrypted
  // verifier hash input and value.
  CryptoBytes verifier;
  CryptoBytes verifierHash;
  // Agile: the pages' secret key as the password's key encrypts it, and the
  // hash, salt and sizes of the pages' own keys.
  CryptoBytes encryptedKey;
  HashAlgorithm dataHash = HashAlgorithm::Sha1;
  CryptoBytes dataSalt;
  int dataKeyBits = 0;
  int blockSize = 16;
};

struct EncryptionInfoRead {
  enum class Status {
    Read,         // info holds the description
    Unsupported,  // a scheme or algorithm this reader does not decrypt
    Damaged,      // the bytes do not hold together
  };
  Status status = Status::Damaged;
  EncryptionInfo info;
  std::string problem;  // what is unsupported or damaged, in a few words
};

// The description in the header page (the file's first page, as stored).
EncryptionInfoRead ReadEncryptionInfo(ByteSpan headerPage);
