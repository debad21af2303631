// The description of an encrypted database's encryption, as the header page
// holds it at 0x299: the input is its length word and its bytes. A
// description that reads is tried with a password, and a page decrypted
// with what it opens, when its hash rounds are few enough for a fuzzer.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "format/encryption_info.h"
#include "format/office_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::array<uint8_t, 4096> header{};
  const size_t room = header.size() - EncryptionInfo::kLengthOffset;
  std::copy_n(data, std::min(size, room), header.begin() + EncryptionInfo::kLengthOffset);
  EncryptionInfoRead read = ReadEncryptionInfo(header);
  if (read.status != EncryptionInfoRead::Status::Read || read.info.spinCount > 1000) return 0;
  for (const char* password : {"", "password"}) {
    if (auto codec = OpenOfficeCodec(read.info, 0x12345678, password)) {
      std::array<uint8_t, 4096> page{};
      codec->DecodePage(1, page);
      codec->DecodePage(2, std::span<uint8_t>(page).first(1000));
    }
  }
  return 0;
}
