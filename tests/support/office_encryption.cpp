#include "tests/support/office_encryption.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "format/jet_layout.h"
#include "format/office_codecs.h"
#include "format/rc4.h"
#include "tests/support/page_file.h"

namespace testdb {
namespace {

// Bytes that look random and are the same for the same password and label.
CryptoBytes Derived(const std::string& password, std::string_view label, size_t size) {
  std::vector<uint8_t> seed(password.begin(), password.end());
  seed.insert(seed.end(), label.begin(), label.end());
  CryptoBytes out;
  for (uint32_t i = 0; out.size() < size; ++i) {
    CryptoBytes block = Hash(HashAlgorithm::Sha256, seed, BlockKeyBytes(i));
    out.insert(out.end(), block.begin(), block.end());
  }
  out.resize(size);
  return out;
}

void Append(CryptoBytes& out, std::span<const uint8_t> bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
void Append32(CryptoBytes& out, uint32_t value) { Append(out, BlockKeyBytes(value)); }

std::string Base64(const CryptoBytes& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    const uint32_t bits = bytes[i] << 16 | (n > 1 ? bytes[i + 1] << 8 : 0) | (n > 2 ? bytes[i + 2] : 0);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(bits >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

const char* HashName(HashAlgorithm hash) {
  switch (hash) {
    case HashAlgorithm::Sha1: return "SHA1";
    case HashAlgorithm::Sha256: return "SHA256";
    case HashAlgorithm::Sha384: return "SHA384";
    case HashAlgorithm::Sha512: return "SHA512";
  }
  return "SHA1";
}

CryptoBytes PaddedToBlocks(CryptoBytes bytes) {
  bytes.resize((bytes.size() + 15) / 16 * 16, 0);
  return bytes;
}

// Version 4.4: a reserved word and the XML descriptor, the verifier and the
// secret key encrypted under keys from the password's hash.
CryptoBytes AgileDescription(const OfficeEncryption& e) {
  const CryptoBytes password = PasswordBytes(e.password);
  const CryptoBytes keySalt = Derived(e.password, "key salt", 16);
  const CryptoBytes dataSalt = Derived(e.password, "data salt", 16);
  const size_t keyBytes = static_cast<size_t>(e.keyBits / 8);
  const CryptoBytes iterated = IteratedHash(e.hash, keySalt, password, e.spinCount);
  auto seal = [&](const uint8_t (&block)[8], CryptoBytes bytes) {
    AesApply(AesMode::Cbc, true, AgileDerive(e.hash, iterated, block, keyBytes), keySalt, bytes);
    return Base64(bytes);
  };
  const CryptoBytes input = Derived(e.password, "verifier", 16);
  const std::string cipher = "\" blockSize=\"16\" keyBits=\"" + std::to_string(e.keyBits) + "\" hashSize=\"" +
                             std::to_string(HashSize(e.hash)) +
                             "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
                             HashName(e.hash) + "\" saltValue=\"";
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<keyData saltSize=\"16" + cipher + Base64(dataSalt) + "\"/>"
      "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" + std::to_string(e.spinCount) + "\" saltSize=\"16" + cipher +
      Base64(keySalt) + "\" encryptedVerifierHashInput=\"" + seal(kAgileVerifierInputBlock, input) +
      "\" encryptedVerifierHashValue=\"" + seal(kAgileVerifierHashBlock, PaddedToBlocks(Hash(e.hash, input))) +
      "\" encryptedKeyValue=\"" + seal(kAgileSecretKeyBlock, Derived(e.password, "secret key", keyBytes)) +
      "\"/></keyEncryptor></keyEncryptors></encryption>";
  CryptoBytes out;
  Append32(out, 0x00040004);
  Append32(out, 0x40);
  Append(out, std::span(reinterpret_cast<const uint8_t*>(xml.data()), xml.size()));
  return out;
}

// Version 4.2: flags, the binary header with its provider's name, and the
// verifier with its SHA-1 hash encrypted under the key of block 0.
CryptoBytes BinaryDescription(const OfficeEncryption& e) {
  const bool rc4 = e.scheme == OfficeScheme::Rc4CryptoApi;
  const uint32_t flags = rc4 ? 0x04 : e.scheme == OfficeScheme::AesStandard ? 0x24 : 0x0C;
  const char* provider = !rc4 ? "Microsoft Enhanced RSA and AES Cryptographic Provider"
                         : e.keyBits == 40 ? "Microsoft Base Cryptographic Provider v1.0"
                                           : "Microsoft Enhanced Cryptographic Provider v1.0";
  CryptoBytes header;
  Append32(header, flags);
  Append32(header, 0);
  Append32(header, rc4 ? 0x6801 : 0x660E + static_cast<uint32_t>(e.keyBits - 128) / 64);
  Append32(header, 0x8004);
  Append32(header, static_cast<uint32_t>(e.keyBits));
  Append32(header, rc4 ? 1 : 0x18);
  Append32(header, 0);
  Append32(header, 0);
  for (const char* c = provider;; ++c) {
    header.push_back(static_cast<uint8_t>(*c));
    header.push_back(0);
    if (*c == 0) break;
  }

  const CryptoBytes salt = Derived(e.password, "salt", 16);
  const CryptoBytes verifier = Derived(e.password, "verifier", 16);
  CryptoBytes sealed = verifier;
  Append(sealed, Hash(HashAlgorithm::Sha1, verifier));
  const CryptoBytes password = PasswordBytes(e.password);
  if (rc4) {
    Rc4Apply(Rc4CryptoApiKey(IteratedHash(HashAlgorithm::Sha1, salt, password, 0), 0, e.keyBits), sealed);
  } else {
    sealed.resize(16 + 32, 0);
    const uint32_t spins = e.scheme == OfficeScheme::AesStandard ? EncryptionInfo::kStandardSpinCount : 0;
    AesApply(AesMode::Ecb, true, StandardKey(IteratedHash(HashAlgorithm::Sha1, salt, password, spins), 0, e.keyBits),
             {}, sealed);
  }

  CryptoBytes out;
  Append32(out, 0x00020004);
  Append32(out, flags);
  Append32(out, static_cast<uint32_t>(header.size()));
  Append(out, header);
  Append32(out, 16);
  Append(out, salt);
  Append(out, std::span(sealed).first(16));
  Append32(out, 20);
  Append(out, std::span(sealed).subspan(16));
  return out;
}

}  // namespace

bool EncryptDatabase(const std::string& path, const OfficeEncryption& encryption) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  Page page;
  if (!file.read(reinterpret_cast<char*>(page.data()), kPageSize)) return false;

  std::memcpy(&page[JetHeader::kEngineNameOffset], "Standard ACE DB", 16);
  page[JetHeader::kVersionOffset] = 0x03;  // Access 2010
  std::span<uint8_t> area(&page[JetHeader::kEncodedAreaOffset], JetHeader::kEncodedAreaSize);
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  PutU32(&page[JetHeader::kDatabaseKeyOffset], encryption.databaseKey);
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  const CryptoBytes description = encryption.scheme == OfficeScheme::Agile ? AgileDescription(encryption)
                                                                           : BinaryDescription(encryption);
  PutU16(&page[EncryptionInfo::kLengthOffset], static_cast<uint32_t>(description.size()));
  std::memcpy(&page[EncryptionInfo::kStartOffset], description.data(), description.size());

  // The reader's own check of the password makes the codec: a description
  // it would not accept fails here.
  EncryptionInfoRead read = ReadEncryptionInfo(page);
  auto codec = read.status == EncryptionInfoRead::Status::Read
                   ? OpenOfficeCodec(read.info, encryption.databaseKey, encryption.password)
                   : nullptr;
  if (!codec) return false;
  file.seekp(0);
  file.write(reinterpret_cast<const char*>(page.data()), kPageSize);
  for (uint32_t p = 1; file.seekg(std::streamoff{p} * kPageSize) &&
                       file.read(reinterpret_cast<char*>(page.data()), kPageSize);
       ++p) {
    codec->Apply(encryption.databaseKey ^ p, page, true);
    file.seekp(std::streamoff{p} * kPageSize);
    if (!file.write(reinterpret_cast<const char*>(page.data()), kPageSize)) return false;
  }
  file.clear();  // the read past the last page
  return static_cast<bool>(file.flush());
}

}  // namespace testdb
