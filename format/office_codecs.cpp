#include "format/office_codecs.h"

#include <algorithm>

#include "format/rc4.h"

namespace {

bool SameStart(const CryptoBytes& a, const CryptoBytes& b, size_t n) {
  return a.size() >= n && b.size() >= n && std::equal(a.begin(), a.begin() + static_cast<ptrdiff_t>(n), b.begin());
}

class Rc4CryptoApiCodec : public OfficePageCodec {
 public:
  Rc4CryptoApiCodec(uint32_t databaseKey, CryptoBytes h0, int keyBits)
      : OfficePageCodec(databaseKey), h0_(std::move(h0)), keyBits_(keyBits) {}
  void Apply(uint32_t block, std::span<uint8_t> bytes, bool) const override {
    Rc4Apply(Rc4CryptoApiKey(h0_, block, keyBits_), bytes);
  }

 private:
  CryptoBytes h0_;
  int keyBits_;
};

class AesEcbCodec : public OfficePageCodec {
 public:
  AesEcbCodec(uint32_t databaseKey, CryptoBytes iterated, int keyBits)
      : OfficePageCodec(databaseKey), iterated_(std::move(iterated)), keyBits_(keyBits) {}
  void Apply(uint32_t block, std::span<uint8_t> bytes, bool encrypt) const override {
    AesApply(AesMode::Ecb, encrypt, StandardKey(iterated_, block, keyBits_), {}, bytes);
  }

 private:
  CryptoBytes iterated_;
  int keyBits_;
};

class AgileCodec : public OfficePageCodec {
 public:
  AgileCodec(uint32_t databaseKey, CryptoBytes secretKey, const EncryptionInfo& info)
      : OfficePageCodec(databaseKey),
        secretKey_(std::move(secretKey)),
        hash_(info.dataHash),
        salt_(info.dataSalt),
        blockSize_(static_cast<size_t>(info.blockSize)) {}
  void Apply(uint32_t block, std::span<uint8_t> bytes, bool encrypt) const override {
    // Every page is a CBC chain of its own, its IV made from its block key.
    CryptoBytes iv = AgileDerive(hash_, salt_, BlockKeyBytes(block), blockSize_);
    AesApply(AesMode::Cbc, encrypt, secretKey_, iv, bytes);
  }

 private:
  CryptoBytes secretKey_;
  HashAlgorithm hash_;
  CryptoBytes salt_;
  size_t blockSize_;
};

// The binary schemes keep the verifier and its hash in one stream under the
// key of block 0; the hash is SHA-1's.
bool BinaryVerifierHolds(const EncryptionInfo& info, const OfficePageCodec& codec) {
  CryptoBytes stream = info.verifier;
  stream.insert(stream.end(), info.verifierHash.begin(), info.verifierHash.end());
  codec.Apply(0, stream, false);
  CryptoBytes verifier(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(info.verifier.size()));
  CryptoBytes hash(stream.begin() + static_cast<ptrdiff_t>(info.verifier.size()), stream.end());
  return SameStart(Hash(HashAlgorithm::Sha1, verifier), hash, HashSize(HashAlgorithm::Sha1));
}

std::unique_ptr<OfficePageCodec> OpenAgile(const EncryptionInfo& info, uint32_t databaseKey,
                                           std::span<const uint8_t> password) {
  const CryptoBytes iterated = IteratedHash(info.hash, info.salt, password, info.spinCount);
  const size_t keyBytes = static_cast<size_t>(info.keyBits / 8);
  auto open = [&](const uint8_t (&block)[8], CryptoBytes bytes) {
    AesApply(AesMode::Cbc, false, AgileDerive(info.hash, iterated, block, keyBytes), info.salt, bytes);
    return bytes;
  };
  CryptoBytes input = open(kAgileVerifierInputBlock, info.verifier);
  input.resize(std::min(input.size(), info.salt.size()));
  if (!SameStart(Hash(info.hash, input), open(kAgileVerifierHashBlock, info.verifierHash), HashSize(info.hash)))
    return nullptr;
  CryptoBytes secret = open(kAgileSecretKeyBlock, info.encryptedKey);
  secret.resize(static_cast<size_t>(info.dataKeyBits / 8));
  return std::make_unique<AgileCodec>(databaseKey, std::move(secret), info);
}

}  // namespace

std::unique_ptr<OfficePageCodec> OpenOfficeCodec(const EncryptionInfo& info, uint32_t databaseKey,
                                                 std::string_view password) {
  const CryptoBytes bytes = PasswordBytes(password);
  if (info.spinCount > EncryptionInfo::kMaxSpinCount) return nullptr;
  std::unique_ptr<OfficePageCodec> codec;
  switch (info.scheme) {
    case OfficeScheme::Agile: return OpenAgile(info, databaseKey, bytes);
    case OfficeScheme::Rc4CryptoApi:
      codec = std::make_unique<Rc4CryptoApiCodec>(databaseKey, IteratedHash(HashAlgorithm::Sha1, info.salt, bytes, 0),
                                                  info.keyBits);
      break;
    case OfficeScheme::AesStandard:
    case OfficeScheme::AesNonStandard:
      codec = std::make_unique<AesEcbCodec>(
          databaseKey, IteratedHash(HashAlgorithm::Sha1, info.salt, bytes, info.spinCount), info.keyBits);
      break;
  }
  return codec && BinaryVerifierHolds(info, *codec) ? std::move(codec) : nullptr;
}
