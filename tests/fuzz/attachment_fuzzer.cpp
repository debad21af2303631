// The FileData of one attachment, as the complex-column reader unwraps it:
// a storage flag and a stated length, then raw or deflated content.
#include <cstddef>
#include <cstdint>

#include "decode/attachment_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UnwrapAttachment(ByteSpan(data, size));
  return 0;
}
