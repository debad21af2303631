// How the windows turn the program's texts into Qt's. Every text the
// program carries is UTF-8: what the database file holds once decoded,
// file paths, and the names made from them.
#pragma once

#include <QString>

#include <string>
#include <string_view>

inline QString FileText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString PathText(const std::string& path) { return QString::fromUtf8(path); }
