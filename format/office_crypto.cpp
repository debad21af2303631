#include "format/office_crypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

#include "format/utf8.h"

namespace {

const EVP_MD* Digest(HashAlgorithm hash) {
  switch (hash) {
    case HashAlgorithm::Sha1: return EVP_sha1();
    case HashAlgorithm::Sha256: return EVP_sha256();
    case HashAlgorithm::Sha384: return EVP_sha384();
    case HashAlgorithm::Sha512: return EVP_sha512();
  }
  return EVP_sha1();
}

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// One digest over the parts in turn; out holds the digest's size.
void Digest(EVP_MD_CTX* context, const EVP_MD* md, std::span<const uint8_t> a, std::span<const uint8_t> b,
            uint8_t* out) {
  EVP_DigestInit_ex(context, md, nullptr);
  EVP_DigestUpdate(context, a.data(), a.size());
  EVP_DigestUpdate(context, b.data(), b.size());
  EVP_DigestFinal_ex(context, out, nullptr);
}

const EVP_CIPHER* Aes(AesMode mode, size_t keyBytes) {
  switch (keyBytes) {
    case 16: return mode == AesMode::Ecb ? EVP_aes_128_ecb() : EVP_aes_128_cbc();
    case 24: return mode == AesMode::Ecb ? EVP_aes_192_ecb() : EVP_aes_192_cbc();
    case 32: return mode == AesMode::Ecb ? EVP_aes_256_ecb() : EVP_aes_256_cbc();
  }
  return nullptr;
}

void AppendUtf16(char32_t c, CryptoBytes& out) {
  auto unit = [&out](uint32_t u) {
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  if (c < 0x10000) {
    unit(c);
  } else {
    unit(0xD800 + ((c - 0x10000) >> 10));
    unit(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

}  // namespace

size_t HashSize(HashAlgorithm hash) { return static_cast<size_t>(EVP_MD_get_size(Digest(hash))); }

CryptoBytes Hash(HashAlgorithm hash, std::span<const uint8_t> a, std::span<const uint8_t> b) {
  DigestContext context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  CryptoBytes out(HashSize(hash));
  Digest(context.get(), Digest(hash), a, b, out.data());
  return out;
}

CryptoBytes IteratedHash(HashAlgorithm hash, std::span<const uint8_t> salt, std::span<const uint8_t> password,
                         uint32_t spins) {
  // One context through the whole loop: the spins are the cost of opening.
  DigestContext context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  const EVP_MD* md = Digest(hash);
  CryptoBytes h(HashSize(hash));
  Digest(context.get(), md, salt, password, h.data());
  for (uint32_t i = 0; i < spins; ++i) Digest(context.get(), md, BlockKeyBytes(i), h, h.data());
  return h;
}

CryptoBytes PasswordBytes(std::string_view utf8) {
  constexpr size_t kMaxUnits = 255;
  CryptoBytes out;
  for (size_t i = 0; i < utf8.size() && out.size() / 2 < kMaxUnits;) {
    size_t length = Utf8SequenceLength(utf8, i);
    char32_t c = static_cast<unsigned char>(utf8[i]);
    if (length > 1) {
      c &= 0xFFu >> (length + 1);
      for (size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += std::max<size_t>(length, 1);
    // A surrogate pair that would pass the limit is left out whole.
    if (c >= 0x10000 && out.size() / 2 + 2 > kMaxUnits) break;
    AppendUtf16(c, out);
  }
  return out;
}

bool AesApply(AesMode mode, bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv,
              std::span<uint8_t> data) {
  const EVP_CIPHER* cipher = Aes(mode, key.size());
  if (cipher == nullptr || (mode == AesMode::Cbc && iv.size() != 16)) return false;
  const size_t whole = data.size() / 16 * 16;
  if (whole == 0) return true;
  CipherContext context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  int written = 0;
  return EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), mode == AesMode::Cbc ? iv.data() : nullptr,
                           encrypt ? 1 : 0) == 1 &&
         EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1 &&
         EVP_CipherUpdate(context.get(), data.data(), &written, data.data(), static_cast<int>(whole)) == 1;
}

CryptoBytes Rc4CryptoApiKey(std::span<const uint8_t> h0, uint32_t block, int keyBits) {
  CryptoBytes key = Hash(HashAlgorithm::Sha1, h0, BlockKeyBytes(block));
  key.resize(std::min<size_t>(key.size(), static_cast<size_t>(keyBits / 8)));
  if (keyBits == 40) key.resize(16, 0);
  return key;
}

CryptoBytes StandardKey(std::span<const uint8_t> iterated, uint32_t block, int keyBits) {
  CryptoBytes final = Hash(HashAlgorithm::Sha1, iterated, BlockKeyBytes(block));
  CryptoBytes inner(64, 0x36), outer(64, 0x5C);
  for (size_t i = 0; i < final.size(); ++i) {
    inner[i] ^= final[i];
    outer[i] ^= final[i];
  }
  CryptoBytes key = Hash(HashAlgorithm::Sha1, inner);
  CryptoBytes second = Hash(HashAlgorithm::Sha1, outer);
  key.insert(key.end(), second.begin(), second.end());
  key.resize(static_cast<size_t>(keyBits / 8));
  return key;
}

CryptoBytes AgileDerive(HashAlgorithm hash, std::span<const uint8_t> a, std::span<const uint8_t> b, size_t size) {
  CryptoBytes out = Hash(hash, a, b);
  out.resize(size, 0x36);
  return out;
}

std::array<uint8_t, 4> BlockKeyBytes(uint32_t block) {
  return {static_cast<uint8_t>(block), static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block >> 16),
          static_cast<uint8_t>(block >> 24)};
}
