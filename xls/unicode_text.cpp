#include "xls/unicode_text.h"

#include <clocale>
#include <cstring>
#include <cwctype>
#include <locale.h>

namespace xls {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | c >> 12));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | c >> 18));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

char32_t NextCharacter(std::string_view text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(at);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (extra == 0 || lead > 0xF4 || at + extra >= text.size()) {
    ++at;
    return kReplacement;
  }
  char32_t c = lead & (0x3F >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) {
      ++at;
      return kReplacement;
    }
    c = c << 6 | (byte(at + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
    ++at;
    return kReplacement;
  }
  at += extra + 1;
  return c;
}

TextMeasure Measure(std::string_view utf8, size_t maxUnits) {
  TextMeasure m;
  // Most cell texts are short and ASCII: eight bytes at a time.
  if (utf8.size() <= maxUnits) {
    uint64_t high = 0;
    size_t i = 0;
    for (; i + 8 <= utf8.size(); i += 8) {
      uint64_t word;
      std::memcpy(&word, utf8.data() + i, 8);
      high |= word;
    }
    for (; i < utf8.size(); ++i) high |= static_cast<uint8_t>(utf8[i]);
    if ((high & 0x8080808080808080ull) == 0) {
      m.bytes = m.units = utf8.size();
      return m;
    }
  }
  size_t at = 0;
  while (at < utf8.size()) {
    if (static_cast<uint8_t>(utf8[at]) < 0x80) {
      if (m.units == maxUnits) break;
      ++m.units;
      ++at;
      continue;
    }
    size_t before = at;
    char32_t c = NextCharacter(utf8, at);
    size_t units = c >= 0x10000 ? 2 : 1;
    if (m.units + units > maxUnits) {
      at = before;
      break;
    }
    m.units += units;
    m.ascii = false;
    m.wide = m.wide || c > 0xFF;
    // A byte that starts no character is passed over alone.
    m.valid = m.valid && at - before > 1;
  }
  m.bytes = at;
  return m;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) AppendUtf8(NextCharacter(text, at), out);
  return out;
}

void AppendWorkbookChars(std::string_view utf8, bool wide, std::vector<uint8_t>& out) {
  for (size_t at = 0; at < utf8.size();) {
    char32_t c = NextCharacter(utf8, at);
    if (!wide) {
      out.push_back(static_cast<uint8_t>(c));
    } else if (c < 0x10000) {
      out.push_back(static_cast<uint8_t>(c));
      out.push_back(static_cast<uint8_t>(c >> 8));
    } else {
      char16_t high = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      char16_t low = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      out.insert(out.end(), {static_cast<uint8_t>(high), static_cast<uint8_t>(high >> 8), static_cast<uint8_t>(low),
                             static_cast<uint8_t>(low >> 8)});
    }
  }
}

void AppendUtf16AsUtf8(std::u16string_view units, std::string& out) {
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;
    }
    AppendUtf8(c, out);
  }
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
  // The C library's Unicode tables, through a locale of our own: the
  // program's locale stays untouched.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8 == static_cast<locale_t>(0)) return c;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), utf8));
}

}  // namespace xls
