#include "format/jet_text.h"

#include "format/utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// Writes UTF-8 into a buffer sized for the worst case beforehand, so that
// the common one-byte characters cost a store each.
class Utf8Writer {
 public:
  explicit Utf8Writer(char* at) : at_(at) {}

  void Byte(uint8_t b) { *at_++ = static_cast<char>(b); }
  void Character(char32_t c) { at_ = EncodeUtf8(c, at_); }
  // One UTF-16 unit; a high surrogate waits for its low half.
  void Unit(char32_t unit) {
    if (unit < 0x80 && pendingHigh_ == 0) {
      *at_++ = static_cast<char>(unit);
      return;
    }
    if (pendingHigh_ != 0) {
      char32_t high = pendingHigh_;
      pendingHigh_ = 0;
      if (IsLowSurrogate(unit)) {
        Character(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        return;
      }
      Character(kReplacement);
    }
    if (IsHighSurrogate(unit))
      pendingHigh_ = unit;
    else
      Character(IsLowSurrogate(unit) ? kReplacement : unit);
  }
  // A run of units ends: a high surrogate left waiting had no low half.
  void EndUnits() {
    if (pendingHigh_ != 0) Character(kReplacement);
    pendingHigh_ = 0;
  }
  char* End() const { return at_; }

 private:
  char* at_;
  char32_t pendingHigh_ = 0;
};

}  // namespace

void AppendJetText(ByteSpan stored, std::string& out) {
  const size_t n = stored.size();
  const size_t base = out.size();
  // Worst cases: a compressed byte gives two UTF-8 bytes, a unit three, and
  // a byte left alone the three of U+FFFD.
  out.resize(base + 2 * n + 3);
  Utf8Writer to(out.data() + base);
  const uint8_t* b = stored.data();
  size_t i = 0;
  bool compressed = n >= 2 && b[0] == 0xFF && b[1] == 0xFE;
  if (compressed) i = 2;
  // In the compressed form a 0x00 where a character would start switches
  // the mode; in plain two-byte text it is half of a character.
  const bool switches = compressed;
  while (i < n) {
    if (compressed) {
      // ASCII runs, the bulk of stored text, go straight across.
      while (i < n && static_cast<uint8_t>(b[i] - 1) < 0x7F) to.Byte(b[i++]);
      if (i == n) break;
      uint8_t c = b[i++];
      if (c == 0)
        compressed = false;
      else
        to.Character(c);
    } else if (switches && b[i] == 0) {
      to.EndUnits();
      compressed = true;
      ++i;
    } else if (i + 1 < n) {
      to.Unit(static_cast<char32_t>(b[i] | b[i + 1] << 8));
      i += 2;
    } else {
      to.EndUnits();
      to.Character(kReplacement);
      ++i;
    }
  }
  to.EndUnits();
  out.resize(static_cast<size_t>(to.End() - out.data()));
}

void AppendBytesAsCharacters(ByteSpan bytes, std::string& out) {
  const size_t base = out.size();
  out.resize(base + 2 * bytes.size());
  Utf8Writer to(out.data() + base);
  for (uint8_t b : bytes) {
    if (b < 0x80)
      to.Byte(b);
    else
      to.Character(b);
  }
  out.resize(static_cast<size_t>(to.End() - out.data()));
}
