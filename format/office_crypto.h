// The hashes, the AES cipher and the key derivations of Office encryption,
// which an ACE database with a password uses for every page after the
// header. Pure functions over libcrypto: the same inputs give the same bytes.
// RC4 stays format/rc4.h: OpenSSL 3 keeps it in its legacy provider only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

using CryptoBytes = std::vector<uint8_t>;

enum class HashAlgorithm { Sha1, Sha256, Sha384, Sha512 };

// Bytes of the algorithm's digest: 20, 32, 48, 64.
size_t HashSize(HashAlgorithm hash);

// hash(a ‖ b).
CryptoBytes Hash(HashAlgorithm hash, std::span<const uint8_t> a, std::span<const uint8_t> b = {});

// The password's hash: H0 = hash(salt ‖ password), then Hi = hash(i ‖ Hi-1)
// for i from 0 to spins - 1, i as four little-endian bytes.
CryptoBytes IteratedHash(HashAlgorithm hash, std::span<const uint8_t> salt, std::span<const uint8_t> password,
                         uint32_t spins);

// The password as the derivations take it: UTF-16LE without a terminator,
// at most 255 code units. Bytes that are not UTF-8 count as Latin-1.
CryptoBytes PasswordBytes(std::string_view utf8);

// AES with a 16-, 24- or 32-byte key over the whole 16-byte blocks of data,
// in place and without padding; bytes past the last whole block are left
// as they are. CBC takes a 16-byte iv, ECB none. False when the key or iv
// has the wrong size.
enum class AesMode { Ecb, Cbc };
bool AesApply(AesMode mode, bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv,
              std::span<uint8_t> data);

// RC4 CryptoAPI: the key of one block (a page's block key, or 0 for the
// password verifier) from H0 = SHA-1(salt ‖ password): the first keyBits/8
// bytes of SHA-1(H0 ‖ block), a 40-bit key padded with zeros to 16 bytes.
CryptoBytes Rc4CryptoApiKey(std::span<const uint8_t> h0, uint32_t block, int keyBits);

// Standard (AES-ECB): the key of one block from the iterated SHA-1 hash,
// through the two pads of 0x36 and 0x5C bytes.
CryptoBytes StandardKey(std::span<const uint8_t> iterated, uint32_t block, int keyBits);

// Agile: hash(a ‖ b) cut to size bytes or padded with 0x36 bytes to it. Gives
// the keys that open the secret key (a = iterated hash, b = a fixed block
// key) and each page's IV (a = the data salt, b = the page's block key).
CryptoBytes AgileDerive(HashAlgorithm hash, std::span<const uint8_t> a, std::span<const uint8_t> b, size_t size);

// A 32-bit block key as the derivations hash it: four little-endian bytes.
std::array<uint8_t, 4> BlockKeyBytes(uint32_t block);
