// Where the bytes of a workbook stream go: the file being saved, or a
// buffer in front of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xls {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Put(const void* data, size_t size) = 0;
  // Bytes put so far: the stream offset of the next byte.
  uint64_t Position() const { return position_; }

 protected:
  uint64_t position_ = 0;
};

}  // namespace xls
