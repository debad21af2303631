#include "format/text_decoder.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>

#include "format/jet_text.h"
#include "format/utf8.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// glibc's names for the code pages Windows numbers.
std::string IconvName(int32_t codePage) {
  if (codePage == 10000) return "MACINTOSH";
  if (codePage == 20866) return "KOI8-R";
  if (codePage == 21866) return "KOI8-U";
  if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
  if (codePage == 28605) return "ISO-8859-15";
  return "CP" + std::to_string(codePage);
}

}  // namespace

// Converts through iconv. Code pages of one byte a character (all the
// Western and Cyrillic ones) are turned into a table once, so that a text
// costs a lookup per byte; the others (Japanese, Chinese, Korean) keep the
// converter, used under a lock since a conversion changes its state.
class TextDecoder::CodePageConverter {
 public:
  explicit CodePageConverter(const std::string& name) {
    converter_ = iconv_open("UTF-8", name.c_str());
    if (converter_ == reinterpret_cast<iconv_t>(-1)) return;
    opened_ = true;
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      Entry& entry = table_[static_cast<size_t>(b)];
      std::string out;
      if (Convert(&in, 1, out) == Result::kIncomplete) {
        multiByte_ = true;
      } else if (out.size() <= entry.bytes.size()) {
        entry.length = static_cast<uint8_t>(out.size());
        std::copy(out.begin(), out.end(), entry.bytes.begin());
      }
    }
  }
  ~CodePageConverter() {
    if (opened_) iconv_close(converter_);
  }
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;

  bool opened() const { return opened_; }

  void Append(ByteSpan stored, std::string& out) const {
    if (multiByte_) {
      std::lock_guard<std::mutex> lock(mutex_);
      Convert(reinterpret_cast<const char*>(stored.data()), stored.size(), out);
      return;
    }
    const size_t base = out.size();
    out.resize(base + 3 * stored.size());
    char* at = out.data() + base;
    for (uint8_t b : stored) {
      if (b < 0x80) {
        *at++ = static_cast<char>(b);
        continue;
      }
      const Entry& entry = table_[b];
      at = std::copy_n(entry.bytes.begin(), entry.length, at);
    }
    out.resize(static_cast<size_t>(at - out.data()));
  }

 private:
  enum class Result { kWhole, kIncomplete, kBroken };
  // A byte with no character of its own.
  struct Entry {
    std::array<char, 4> bytes{'\xEF', '\xBF', '\xBD', 0};
    uint8_t length = 3;
  };

  // Appends the conversion of n bytes; what does not convert becomes
  // U+FFFD, one per byte.
  Result Convert(const char* in, size_t n, std::string& out) const {
    Result result = Result::kWhole;
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    char* source = const_cast<char*>(in);
    size_t left = n;
    while (left > 0) {
      // No byte gives more than three bytes of UTF-8.
      const size_t base = out.size();
      out.resize(base + 3 * left + 4);
      char* target = out.data() + base;
      size_t room = out.size() - base;
      size_t done = iconv(converter_, &source, &left, &target, &room);
      out.resize(out.size() - room);
      if (done != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) continue;
      result = errno == EINVAL ? Result::kIncomplete : Result::kBroken;
      out += kReplacement;
      ++source;
      --left;
      iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    }
    return result;
  }

  iconv_t converter_{};
  bool opened_ = false;
  bool multiByte_ = false;
  std::array<Entry, 256> table_{};
  mutable std::mutex mutex_;
};

TextDecoder::TextDecoder(JetLayout::TextStorage storage, int32_t codePage) : asked_(codePage) {
  if (storage != JetLayout::TextStorage::CodePage) return;
  if (codePage > 0) {
    auto named = std::make_shared<const CodePageConverter>(IconvName(codePage));
    if (named->opened()) {
      codePage_ = std::move(named);
      return;
    }
    knows_ = false;
  }
  codePage_ = std::make_shared<const CodePageConverter>(IconvName(kDefaultCodePage));
}

int32_t TextDecoder::CodePage() const {
  if (!codePage_) return 0;
  return knows_ && asked_ > 0 ? asked_ : kDefaultCodePage;
}

void TextDecoder::Append(ByteSpan stored, std::string& out) const {
  if (codePage_)
    codePage_->Append(stored, out);
  else
    AppendJetText(stored, out);
}

std::string TextDecoder::Text(ByteSpan buffer, int64_t start, int64_t n) const {
  std::string text;
  Append(BytesInside(buffer, start, n), text);
  return text;
}

bool TextDecoder::IsReadable(ByteSpan stored) const {
  std::string text;
  Append(stored, text);
  // Looked for in the UTF-8: C0 and C1 controls, DEL, and U+FFFD to U+FFFF
  // (what did not decode, and the two non-characters).
  for (size_t i = 0; i < text.size(); ++i) {
    auto b = static_cast<uint8_t>(text[i]);
    auto next = [&](size_t k) { return i + k < text.size() ? static_cast<uint8_t>(text[i + k]) : 0; };
    if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F) return false;
    if (b == 0xC2 && next(1) >= 0x80 && next(1) < 0xA0) return false;
    if (b == 0xEF && next(1) == 0xBF && next(2) >= 0xBD) return false;
  }
  return true;
}

bool TextDecoder::CanBeWhole(ByteSpan stored) const {
  if (codePage_) return true;
  bool compressed = stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE;
  return compressed || stored.size() % 2 == 0;
}
