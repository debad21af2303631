#include "xls/sheet_name.h"

#include <cstdint>

namespace xls {
namespace {

uint8_t UpperCase1252(uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<uint8_t>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

}  // namespace

bool SameSheetName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCase1252(static_cast<uint8_t>(a[i])) != UpperCase1252(static_cast<uint8_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string SheetNameProblem(std::string_view name) {
  if (name.empty()) return "a sheet name cannot be empty";
  if (name.size() > kMaxSheetNameLength) return "a sheet name has at most 31 characters";
  if (name.find_first_of(":\\/?*[]") != std::string_view::npos) {
    return "a sheet name cannot hold any of : \\ / ? * [ ]";
  }
  if (name.front() == '\'' || name.back() == '\'') {
    return "a sheet name cannot begin or end with an apostrophe";
  }
  if (SameSheetName(name, "History")) return "\"History\" is a name Excel keeps for itself";
  return {};
}

}  // namespace xls
