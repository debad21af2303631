#include "format/encryption_info.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string_view>

namespace {

using Status = EncryptionInfoRead::Status;

// Header flags (the same bits before the binary header and inside it).
constexpr uint32_t kCryptoApiFlag = 0x04;
constexpr uint32_t kExternalFlag = 0x10;
constexpr uint32_t kAesFlag = 0x20;

constexpr uint32_t kRc4Algorithm = 0x6801;
constexpr uint32_t kAes128Algorithm = 0x660E;
constexpr uint32_t kAes256Algorithm = 0x6610;
constexpr uint32_t kSha1Algorithm = 0x8004;

constexpr size_t kVerifierSaltSize = 16;
constexpr size_t kVerifierSize = 16;

EncryptionInfoRead Fail(Status status, std::string problem) {
  EncryptionInfoRead read;
  read.status = status;
  read.problem = std::move(problem);
  return read;
}

uint32_t ReadUInt32(ByteSpan bytes, int64_t offset) { return static_cast<uint32_t>(ReadInt32(bytes, offset)); }

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// The provider's name, UTF-16LE up to its terminator, as ASCII lower case:
// only its words are looked at.
std::string ProviderName(ByteSpan bytes) {
  std::string name;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint16_t unit = static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8);
    if (unit == 0) break;
    name += unit < 0x80 ? static_cast<char>(std::tolower(unit)) : '?';
  }
  return name;
}

// The binary header and verifier of versions 2.2, 3.2 and 4.2.
EncryptionInfoRead ReadBinary(ByteSpan info) {
  const uint32_t flags = ReadUInt32(info, 4);
  const uint32_t headerSize = ReadUInt32(info, 8);
  if (info.size() < 12 || headerSize < 32 || headerSize > info.size() - 12)
    return Fail(Status::Damaged, "its header size " + std::to_string(headerSize) + " does not fit");
  ByteSpan header = info.subspan(12, headerSize);
  ByteSpan verifier = info.subspan(12 + headerSize);
  if ((flags & kExternalFlag) != 0) return Fail(Status::Unsupported, "external encryption is not supported");
  if ((flags & kCryptoApiFlag) == 0) return Fail(Status::Unsupported, "encryption without CryptoAPI is not supported");
  const uint32_t algorithm = ReadUInt32(header, 8);
  const uint32_t hashAlgorithm = ReadUInt32(header, 12);
  uint32_t keyBits = ReadUInt32(header, 16);
  if (hashAlgorithm != 0 && hashAlgorithm != kSha1Algorithm)
    return Fail(Status::Unsupported, "the hash algorithm " + Hex(hashAlgorithm) + " is not supported");

  EncryptionInfoRead read;
  EncryptionInfo& out = read.info;
  const bool aes = (algorithm >= kAes128Algorithm && algorithm <= kAes256Algorithm) ||
                   (algorithm == 0 && (flags & kAesFlag) != 0);
  if (aes) {
    // AES without the AES flag: the hash rounds are left out.
    out.scheme = (flags & kAesFlag) != 0 ? OfficeScheme::AesStandard : OfficeScheme::AesNonStandard;
    out.spinCount = out.scheme == OfficeScheme::AesStandard ? EncryptionInfo::kStandardSpinCount : 0;
    const uint32_t named = algorithm == 0 ? keyBits : 128 + 64 * (algorithm - kAes128Algorithm);
    if (keyBits == 0) keyBits = named;
    if (keyBits != named || (keyBits != 128 && keyBits != 192 && keyBits != 256))
      return Fail(Status::Damaged, "an AES key of " + std::to_string(keyBits) + " bits");
  } else if (algorithm == kRc4Algorithm || algorithm == 0) {
    out.scheme = OfficeScheme::Rc4CryptoApi;
    if (keyBits == 0) {
      std::string provider = ProviderName(header.subspan(32));
      keyBits = provider.empty() || provider.find(" base ") != std::string::npos ? 40 : 128;
    }
    if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0)
      return Fail(Status::Damaged, "an RC4 key of " + std::to_string(keyBits) + " bits");
  } else {
    return Fail(Status::Unsupported, "the cipher " + Hex(algorithm) + " is not supported");
  }
  out.keyBits = static_cast<int>(keyBits);

  const size_t hashBytes = out.scheme == OfficeScheme::Rc4CryptoApi ? 20 : 32;
  const size_t verifierBytes = 4 + kVerifierSaltSize + kVerifierSize + 4 + hashBytes;
  if (verifier.size() < verifierBytes) return Fail(Status::Damaged, "its password verifier is cut short");
  if (ReadUInt32(verifier, 0) != kVerifierSaltSize)
    return Fail(Status::Damaged, "a verifier salt of " + std::to_string(ReadUInt32(verifier, 0)) + " bytes");
  if (ReadUInt32(verifier, 36) != HashSize(HashAlgorithm::Sha1))
    return Fail(Status::Damaged, "a verifier hash of " + std::to_string(ReadUInt32(verifier, 36)) + " bytes");
  out.salt.assign(verifier.begin() + 4, verifier.begin() + 20);
  out.verifier.assign(verifier.begin() + 20, verifier.begin() + 36);
  out.verifierHash.assign(verifier.begin() + 40, verifier.begin() + 40 + static_cast<ptrdiff_t>(hashBytes));
  read.status = Status::Read;
  return read;
}

// The attributes of one element of a machine-written XML text, read
// tolerantly: whatever does not parse ends the element.
class XmlElement {
 public:
  // The first element whose local name (after any prefix) is name and
  // which has the attribute `having`, or nullopt.
  static std::optional<XmlElement> Find(std::string_view xml, std::string_view name, std::string_view having) {
    for (size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
      size_t end = at + 1;
      while (end < xml.size() && !std::isspace(static_cast<unsigned char>(xml[end])) && xml[end] != '>' &&
             xml[end] != '/')
        ++end;
      std::string_view tag = xml.substr(at + 1, end - at - 1);
      size_t colon = tag.rfind(':');
      if (colon != std::string_view::npos) tag.remove_prefix(colon + 1);
      if (tag != name) continue;
      XmlElement element(xml.substr(end));
      if (element.Attribute(having)) return element;
    }
    return std::nullopt;
  }

  std::optional<std::string_view> Attribute(std::string_view name) const {
    size_t at = 0;
    while (true) {
      while (at < text_.size() && std::isspace(static_cast<unsigned char>(text_[at]))) ++at;
      size_t equals = text_.find('=', at);
      if (at >= text_.size() || equals == std::string_view::npos || equals + 1 >= text_.size())
        return std::nullopt;
      std::string_view attribute = text_.substr(at, equals - at);
      // The element ends at its '>', or at the next element when it is cut.
      if (attribute.find_first_of("<>/") != std::string_view::npos) return std::nullopt;
      const char quote = text_[equals + 1];
      size_t close = text_.find(quote, equals + 2);
      if ((quote != '"' && quote != '\'') || close == std::string_view::npos) return std::nullopt;
      if (attribute == name) return text_.substr(equals + 2, close - equals - 2);
      at = close + 1;
    }
  }

 private:
  explicit XmlElement(std::string_view text) : text_(text) {}
  std::string_view text_;
};

std::optional<CryptoBytes> Base64(std::string_view text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  if (text.size() % 4 != 0) return std::nullopt;
  text.remove_suffix(padding);
  CryptoBytes out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int v = value(c);
    if (v < 0) return std::nullopt;
    bits = bits << 6 | static_cast<uint32_t>(v);
    if (++count % 4 == 0) {
      out.push_back(static_cast<uint8_t>(bits >> 16));
      out.push_back(static_cast<uint8_t>(bits >> 8));
      out.push_back(static_cast<uint8_t>(bits));
      bits = 0;
    }
  }
  if (count % 4 == 2) out.push_back(static_cast<uint8_t>(bits >> 4));
  if (count % 4 == 3) {
    out.push_back(static_cast<uint8_t>(bits >> 10));
    out.push_back(static_cast<uint8_t>(bits >> 2));
  }
  return out;
}

std::optional<uint64_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::optional<HashAlgorithm> HashNamed(std::string_view name) {
  if (name == "SHA1" || name == "SHA-1") return HashAlgorithm::Sha1;
  if (name == "SHA256") return HashAlgorithm::Sha256;
  if (name == "SHA384") return HashAlgorithm::Sha384;
  if (name == "SHA512") return HashAlgorithm::Sha512;
  return std::nullopt;
}

// The attributes of one Agile element, each checked as it is read; the
// first problem is kept and ends the reading.
class AgileAttributes {
 public:
  AgileAttributes(const XmlElement& element, std::string_view elementName)
      : element_(element), elementName_(elementName) {}

  std::string_view Text(std::string_view name) {
    if (!Ok()) return {};
    std::optional<std::string_view> value = element_.Attribute(name);
    if (!value) Problem(Status::Damaged, "lacks " + std::string(name));
    return value.value_or(std::string_view{});
  }
  uint64_t Count(std::string_view name) {
    std::string_view text = Text(name);
    std::optional<uint64_t> value = Number(text);
    if (Ok() && !value) Problem(Status::Damaged, "has " + std::string(name) + " \"" + std::string(text) + "\"");
    return value.value_or(0);
  }
  CryptoBytes Base64Value(std::string_view name) {
    std::string_view text = Text(name);
    std::optional<CryptoBytes> value = Base64(text);
    if (Ok() && (!value || value->empty())) Problem(Status::Damaged, "has bad base64 in " + std::string(name));
    return value.value_or(CryptoBytes{});
  }
  // Hash, cipher, key and block sizes: the same set of attributes on both
  // elements.
  void Cipher(HashAlgorithm& hash, int& keyBits, int& blockSize, CryptoBytes& salt) {
    std::string_view hashName = Text("hashAlgorithm");
    std::optional<HashAlgorithm> named = HashNamed(hashName);
    if (Ok() && !named) Problem(Status::Unsupported, "the hash algorithm " + std::string(hashName) + " is not supported");
    if (Ok() && Text("cipherAlgorithm") != "AES")
      Problem(Status::Unsupported, "the cipher " + std::string(Text("cipherAlgorithm")) + " is not supported");
    if (Ok() && Text("cipherChaining") != "ChainingModeCBC")
      Problem(Status::Unsupported, "the chaining " + std::string(Text("cipherChaining")) + " is not supported");
    const uint64_t bits = Count("keyBits");
    if (Ok() && bits != 128 && bits != 192 && bits != 256) Problem(Status::Damaged, "has keyBits " + std::to_string(bits));
    const uint64_t block = Count("blockSize");
    if (Ok() && block != 16) Problem(Status::Damaged, "has blockSize " + std::to_string(block));
    const uint64_t hashSize = Count("hashSize");
    if (Ok() && hashSize != HashSize(*named)) Problem(Status::Damaged, "has hashSize " + std::to_string(hashSize));
    const uint64_t saltSize = Count("saltSize");
    salt = Base64Value("saltValue");
    if (Ok() && salt.size() != saltSize) Problem(Status::Damaged, "has a salt of another size than saltSize");
    if (!Ok()) return;
    hash = *named;
    keyBits = static_cast<int>(bits);
    blockSize = static_cast<int>(block);
  }

  bool Ok() const { return problem_.empty(); }
  void Problem(Status status, std::string problem) {
    if (!Ok()) return;
    status_ = status;
    problem_ = status == Status::Unsupported ? std::move(problem)
                                             : "its " + std::string(elementName_) + " " + std::move(problem);
  }
  EncryptionInfoRead Failure() const { return Fail(status_, problem_); }

 private:
  const XmlElement& element_;
  std::string_view elementName_;
  Status status_ = Status::Damaged;
  std::string problem_;
};

// Agile: the XML descriptor after the version and a reserved word.
EncryptionInfoRead ReadAgile(ByteSpan info) {
  std::string_view xml(reinterpret_cast<const char*>(info.data()) + 8, info.size() - 8);
  std::optional<XmlElement> keyData = XmlElement::Find(xml, "keyData", "saltValue");
  std::optional<XmlElement> password = XmlElement::Find(xml, "encryptedKey", "spinCount");
  if (!keyData) return Fail(Status::Damaged, "its XML has no keyData");
  if (!password) return Fail(Status::Damaged, "its XML has no password key");

  EncryptionInfoRead read;
  EncryptionInfo& out = read.info;
  out.scheme = OfficeScheme::Agile;
  AgileAttributes data(*keyData, "keyData");
  data.Cipher(out.dataHash, out.dataKeyBits, out.blockSize, out.dataSalt);
  if (!data.Ok()) return data.Failure();

  AgileAttributes key(*password, "password key");
  const uint64_t spins = key.Count("spinCount");
  if (key.Ok() && spins > EncryptionInfo::kMaxSpinCount)
    return Fail(Status::Unsupported, "it asks for " + std::to_string(spins) +
                                         " password hash rounds, more than the 10,000,000 allowed");
  int blockSize = 0;
  key.Cipher(out.hash, out.keyBits, blockSize, out.salt);
  out.verifier = key.Base64Value("encryptedVerifierHashInput");
  out.verifierHash = key.Base64Value("encryptedVerifierHashValue");
  out.encryptedKey = key.Base64Value("encryptedKeyValue");
  if (!key.Ok()) return key.Failure();
  auto blocks = [](const CryptoBytes& bytes, size_t least) { return bytes.size() % 16 == 0 && bytes.size() >= least; };
  if (out.salt.size() != 16) return Fail(Status::Damaged, "its password key has a salt of " + std::to_string(out.salt.size()) + " bytes");
  if (!blocks(out.verifier, 16) || !blocks(out.verifierHash, HashSize(out.hash)) ||
      !blocks(out.encryptedKey, static_cast<size_t>(out.dataKeyBits / 8)))
    return Fail(Status::Damaged, "its password key's encrypted values have the wrong sizes");
  out.spinCount = static_cast<uint32_t>(spins);
  read.status = Status::Read;
  return read;
}

}  // namespace

EncryptionInfoRead ReadEncryptionInfo(ByteSpan headerPage) {
  const int32_t length = ReadUInt16(headerPage, EncryptionInfo::kLengthOffset);
  ByteSpan info = BytesInside(headerPage, EncryptionInfo::kStartOffset, length);
  if (length < 8) return Fail(Status::Damaged, "it is missing");
  if (static_cast<int32_t>(info.size()) < length) return Fail(Status::Damaged, "it runs past the header page");
  const int32_t major = ReadUInt16(info, 0), minor = ReadUInt16(info, 2);
  const std::string version = std::to_string(major) + "." + std::to_string(minor);
  if (major == 4 && minor == 4) return ReadAgile(info);
  if (minor == 2 && major >= 2 && major <= 4) return ReadBinary(info);
  if (minor == 3 && (major == 3 || major == 4)) return Fail(Status::Unsupported, "extensible encryption is not supported");
  if (major == 1 && minor == 1) return Fail(Status::Unsupported, "Office binary RC4 encryption is not supported");
  return Fail(Status::Damaged, "its version " + version + " is unknown");
}
