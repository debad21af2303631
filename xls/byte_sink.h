// Where the bytes of a workbook stream go: the file being saved, or a
// counter that measures a part of the stream before it is written (the
// globals must know where each sheet will begin).
#pragma once

#include <cstddef>
#include <cstdint>

namespace xls {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Put(const void* data, size_t size) = 0;
  // True when only the count of bytes matters: the data may be left out.
  virtual bool CountsOnly() const { return false; }
  // Bytes put so far: the stream offset of the next byte.
  uint64_t Position() const { return position_; }

 protected:
  uint64_t position_ = 0;
};

class CountingSink : public ByteSink {
 public:
  void Put(const void*, size_t size) override { position_ += size; }
  bool CountsOnly() const override { return true; }
};

}  // namespace xls
