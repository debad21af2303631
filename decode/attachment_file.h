// The file an attachment column stores in its FileData: a wrapper of 8 bytes
// (a storage flag, 0 raw or 1 deflated, and the length of the content once
// inflated), then the content, raw or as a zlib stream. The content is a
// header (its own length, a constant 1, the length in characters of the
// file's extension and the extension in UTF-16LE with its NUL) followed by
// the file's bytes.
#pragma once

#include <string>

#include "format/field_readers.h"

struct AttachmentFile {
  std::string data;       // the file's bytes, as far as they could be read
  std::string extension;  // UTF-8, without the NUL
  // Empty when the file came out whole; otherwise why not ("cut at its
  // stated size" leaves the data up to that size).
  std::string problem;
};

// Never reads outside stored; inflates at most the content's stated length.
AttachmentFile UnwrapAttachment(ByteSpan stored);
