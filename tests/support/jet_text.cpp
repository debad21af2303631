#include "tests/support/jet_text.h"

#include <iconv.h>

#include <algorithm>

namespace testdb {

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint8_t lead = static_cast<uint8_t>(utf8[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    char32_t cp = extra <= 0 ? lead : lead & (0x3F >> extra);
    bool good = extra >= 0 && i + extra < utf8.size();
    for (int k = 1; good && k <= extra; ++k) {
      uint8_t next = static_cast<uint8_t>(utf8[i + k]);
      good = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!good) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::optional<std::vector<uint8_t>> CompressText(std::u16string_view text) {
  std::vector<uint8_t> out = {0xFF, 0xFE};
  bool twoByte = false;
  for (char16_t c : text) {
    if ((c & 0xFF) == 0) return std::nullopt;
    bool wide = c > 0xFF;
    if (wide != twoByte) {
      out.push_back(0);
      twoByte = wide;
    }
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    if (wide) out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

void AppendUcs2(std::u16string_view text, std::vector<uint8_t>& out) {
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
}

bool EncodeText(std::string_view utf8, TextEncoding encoding, bool memo, std::vector<uint8_t>& out) {
  constexpr size_t kMemoCompressionLimit = 1024;
  // Plain ASCII, the bulk of big test files, needs no UTF-16 detour: it
  // always can be compressed, to the marker and one byte a character.
  bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) {
    uint8_t b = static_cast<uint8_t>(c);
    return b >= 0x01 && b <= 0x7F;
  });
  if (ascii && !utf8.empty()) {
    bool compress = encoding == TextEncoding::Compressed ||
                    (encoding == TextEncoding::Auto && utf8.size() > 2 &&
                     (!memo || utf8.size() <= kMemoCompressionLimit));
    if (compress) {
      out.push_back(0xFF);
      out.push_back(0xFE);
      out.insert(out.end(), utf8.begin(), utf8.end());
    } else {
      for (char c : utf8) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
      }
    }
    return true;
  }
  std::u16string text = Utf16FromUtf8(utf8);
  std::optional<std::vector<uint8_t>> compressed;
  if (encoding != TextEncoding::Ucs2) compressed = CompressText(text);
  if (encoding == TextEncoding::Compressed && !compressed) return false;
  bool startsWithMarker = !text.empty() && text.front() == u'\uFEFF';
  bool worthIt = compressed && compressed->size() < 2 * text.size() && (!memo || text.size() <= kMemoCompressionLimit);
  if (compressed && (encoding == TextEncoding::Compressed || worthIt || startsWithMarker))
    out.insert(out.end(), compressed->begin(), compressed->end());
  else
    AppendUcs2(text, out);
  return true;
}

bool EncodeCodePageText(std::string_view utf8, int codePage, std::vector<uint8_t>& out) {
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; })) {
    out.insert(out.end(), utf8.begin(), utf8.end());
    return true;
  }
  iconv_t converter = iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in(utf8), stored(2 * utf8.size() + 4, '\0');
  char* source = in.data();
  char* target = stored.data();
  size_t left = in.size(), room = stored.size();
  bool whole = iconv(converter, &source, &left, &target, &room) != static_cast<size_t>(-1);
  iconv_close(converter);
  if (whole) out.insert(out.end(), stored.data(), target);
  return whole;
}

void AppendStoredText(std::string_view utf8, TextEncoding encoding, bool memo, const FileFormat& format,
                      std::vector<uint8_t>& out) {
  bool stored = format.codePageText() ? EncodeCodePageText(utf8, format.codePage, out)
                                      : EncodeText(utf8, encoding, memo, out);
  if (!stored)
    throw BuildError("\"" + std::string(utf8.substr(0, 40)) + "\" cannot be stored " +
                     (format.codePageText() ? "in code page " + std::to_string(format.codePage) : "compressed"));
}

std::vector<uint8_t> Ucs2(std::string_view utf8) {
  std::vector<uint8_t> out;
  AppendUcs2(Utf16FromUtf8(utf8), out);
  return out;
}

}  // namespace testdb
