// The OLE storage header in front of an object's native data:
//   0  signature 0x1C15     2  header length H (at most 276)
//   20 class name ("Bitmap", "Acrobat", "Package", ...)
//   H + 8  length L1 of a name block (at most 256)
//   L1 + H + 20  length L2 of the native data, which follows at L1 + H + 24.
// A package's native data names the file it wraps and then holds its bytes.
#include <algorithm>
#include <cstring>

#include "decode/long_value.h"
#include "format/jet_text.h"

namespace {

bool StartsWith(const std::string& payload, int64_t at, std::string_view word) {
  return at >= 0 && at + static_cast<int64_t>(word.size()) <= static_cast<int64_t>(payload.size()) &&
         std::memcmp(payload.data() + at, word.data(), word.size()) == 0;
}

// The zero-terminated text at `at`, or false when it runs to the end of the
// payload or past maxLength.
bool ReadTerminated(ByteSpan bytes, int64_t at, size_t maxLength, std::string_view& text) {
  if (at < 0 || at >= static_cast<int64_t>(bytes.size())) return false;
  const auto* first = reinterpret_cast<const char*>(bytes.data() + at);
  size_t room = bytes.size() - static_cast<size_t>(at);
  const void* zero = std::memchr(first, 0, room);
  if (!zero) return false;
  text = std::string_view(first, static_cast<size_t>(static_cast<const char*>(zero) - first));
  return text.size() <= maxLength;
}

}  // namespace

int IdentifyOleObject(std::string& payload, std::string& extension) {
  ByteSpan bytes(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  int64_t n = static_cast<int64_t>(bytes.size());
  if (n < 4 || ReadUInt16(bytes, 0) != 0x1C15) return -1;
  int64_t headerLength = ReadUInt16(bytes, 2);
  if (headerLength + 12 >= n || headerLength > 276) return -1;
  int64_t nameBlock = ReadInt32(bytes, headerLength + 8);
  if (nameBlock < 0 || nameBlock > 256 || nameBlock + headerLength + 24 >= n) return -1;
  int64_t nativeLength = ReadInt32(bytes, nameBlock + headerLength + 20);
  int64_t start = nameBlock + headerLength + 24;
  int64_t keep = nativeLength;
  bool acrobat = false;

  if (StartsWith(payload, 20, "Bitmap")) {
    extension = "bmp";
  } else if (StartsWith(payload, 20, "Acrobat")) {
    extension = "pdf";
    acrobat = true;
  } else if (StartsWith(payload, 20, "Package")) {
    // File name and source path, both zero-terminated, two bytes into the
    // native data.
    int64_t at = start + 2;
    std::string_view fileName, sourcePath;
    if (!ReadTerminated(bytes, at, 257, fileName)) return -1;
    if (!ReadTerminated(bytes, at + static_cast<int64_t>(fileName.size()) + 1, 513, sourcePath)) return -1;
    if (fileName.size() + 1 + sourcePath.size() > 513) return -1;
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return -1;
    // The extension names a file in our folder: UTF-8 (the package's name
    // is single-byte), and no separators from the file.
    std::string_view stored = fileName.substr(dot + 1);
    extension.clear();
    AppendBytesAsCharacters(ByteSpan(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()), extension);
    std::replace(extension.begin(), extension.end(), '/', '_');
    int64_t after = at + static_cast<int64_t>(fileName.size() + 1 + sourcePath.size() + 1);
    if (after + 8 >= n) return -1;
    int64_t pathLength = ReadInt32(bytes, after + 4);
    if (pathLength < 0 || after + 12 + pathLength >= n) return -1;
    // The file's own size (a size less 4 would cut off the file's end).
    int64_t fileLength = ReadInt32(bytes, after + 8 + pathLength);
    if (fileLength < 0 || fileLength >= n) return -1;
    start = after + 12 + pathLength;
    keep = fileLength;
  }

  payload.erase(0, static_cast<size_t>(start));
  // A PDF keeps everything after its header; a negative length cuts nothing.
  if (!acrobat && keep >= 0 && keep < static_cast<int64_t>(payload.size())) payload.resize(static_cast<size_t>(keep));
  return 1;
}
