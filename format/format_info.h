// What the format check learned of a file beside its page layout: the
// engine version its header names, the code page of single-byte text, and
// how its pages are hidden. The session keeps one per open file.
#pragma once

#include <cstdint>

// How the pages after the header are hidden, if at all.
enum class PageEncryption : uint8_t {
  None,
  JetPageKey,    // Jet 3 and Jet 4: RC4 with the key the header holds; no password
  Rc4CryptoApi,  // ACE with a password: Office RC4 CryptoAPI
  AesStandard,   // ACE with a password: Office Standard (AES-ECB), with or without key spins
  Agile,         // ACE with a password: Office Agile (AES-CBC)
};

struct FormatInfo {
  int32_t version = -1;     // the header's version byte: 0 Jet 3, 1 Jet 4, 2 and up ACE; -1 unknown
  int32_t codePage = 1252;  // of single-byte (Jet 3) text
  PageEncryption encryption = PageEncryption::None;
};
