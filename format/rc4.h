// RC4, the stream cipher Jet uses for the header's encoded area and, in an
// encoded database, for every page after the header. Encoding and decoding
// are the same operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// XORs data in place with the key stream of key.
void Rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data);

// A 32-bit key as Jet stores and uses it: its four bytes, little-endian.
void Rc4Apply(uint32_t key, std::span<uint8_t> data);
