#include "format/field_readers.h"

#include <algorithm>
#include <cstring>

ByteSpan BytesInside(ByteSpan buffer, int64_t start, int64_t n) {
  const int64_t size = static_cast<int64_t>(buffer.size());
  if (n <= 0 || start >= size) return {};
  if (start < 0) {
    if (start + n <= 0) return {};
    n += start;
    start = 0;
  }
  n = std::min(n, size - start);
  return buffer.subspan(static_cast<size_t>(start), static_cast<size_t>(n));
}

std::string BytesAsText(ByteSpan buffer, int64_t start, int64_t n) {
  ByteSpan bytes = BytesInside(buffer, start, n);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string BytesAsTextBuffered(ByteSpan buffer, int64_t start, int64_t n) {
  ByteSpan bytes = BytesInside(buffer, start, n);
  if (bytes.empty()) return {};
  const auto* first = reinterpret_cast<const char*>(bytes.data());
  return std::string(first, ::strnlen(first, bytes.size()));
}
