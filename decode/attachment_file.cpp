#include "decode/attachment_file.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "format/jet_text.h"

namespace {

constexpr uint32_t kRaw = 0;
constexpr uint32_t kDeflated = 1;
constexpr int64_t kWrapperSize = 8;
constexpr int64_t kFixedHeader = 12;  // header length, 1, extension length

// Inflates in into out, at most cap bytes; cut is set when the stream holds
// more. False when the stream does not inflate to its end.
bool Inflate(ByteSpan in, uint64_t cap, std::string& out, bool& cut) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(std::min<size_t>(in.size(), UINT_MAX));
  char chunk[16384];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    result = inflate(&z, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END) break;
    const size_t got = sizeof chunk - z.avail_out;
    if (got > cap - out.size()) {
      out.append(chunk, static_cast<size_t>(cap - out.size()));
      cut = true;
      break;
    }
    out.append(chunk, got);
  }
  inflateEnd(&z);
  return result == Z_STREAM_END || cut;
}

}  // namespace

AttachmentFile UnwrapAttachment(ByteSpan stored) {
  AttachmentFile file;
  if (static_cast<int64_t>(stored.size()) < kWrapperSize) {
    file.problem = "no file data";
    return file;
  }
  const auto storage = static_cast<uint32_t>(ReadInt32(stored, 0));
  const auto stated = static_cast<uint32_t>(ReadInt32(stored, 4));
  ByteSpan body = stored.subspan(kWrapperSize);
  std::string content;
  bool cut = false;
  if (storage == kRaw) {
    cut = body.size() > stated;
    content.assign(reinterpret_cast<const char*>(body.data()), std::min<size_t>(body.size(), stated));
  } else if (storage != kDeflated) {
    file.problem = "unknown storage";
    return file;
  } else if (!Inflate(body, stated, content, cut)) {
    file.problem = "data does not inflate";
    return file;
  }

  ByteSpan bytes(reinterpret_cast<const uint8_t*>(content.data()), content.size());
  const int64_t header = ReadInt32(bytes, 0);
  if (header < kFixedHeader || header > static_cast<int64_t>(bytes.size())) {
    file.problem = "damaged header";
    return file;
  }
  const int64_t characters = std::clamp<int64_t>(ReadInt32(bytes, 8), 0, (header - kFixedHeader) / 2);
  // Only ACE files hold attachments: the name is Jet 4 text.
  file.extension.clear();
  AppendJetText(BytesInside(bytes, kFixedHeader, 2 * characters), file.extension);
  file.extension = file.extension.substr(0, file.extension.find('\0'));
  file.data.assign(content, static_cast<size_t>(header));
  if (cut) file.problem = "cut at its stated size";
  return file;
}
