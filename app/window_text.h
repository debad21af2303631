// How the windows turn the program's texts into Qt's. Texts read from the
// database file are single-byte and shown byte for byte, with no code-page
// conversion; file paths, and the names made from them, are in the system's
// own encoding.
#pragma once

#include <QString>

#include <string>
#include <string_view>

inline QString FileText(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString PathText(const std::string& path) { return QString::fromLocal8Bit(path); }
