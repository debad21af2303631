#include "format/rc4.h"

#include <array>
#include <utility>

void Rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data) {
  if (key.empty()) return;
  std::array<uint8_t, 256> s;
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(i);
  for (size_t i = 0, j = 0; i < s.size(); ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  size_t i = 0, j = 0;
  for (uint8_t& byte : data) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    byte ^= s[(s[i] + s[j]) & 0xFF];
  }
}

void Rc4Apply(uint32_t key, std::span<uint8_t> data) {
  const std::array<uint8_t, 4> bytes = {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                                        static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)};
  Rc4Apply(bytes, data);
}
