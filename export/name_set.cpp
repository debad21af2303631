#include "export/name_set.h"

#include <cstdint>
#include <string_view>

namespace {

// Excel's limit for sheet names; file names leave room for ".xls" in the
// 255 bytes a Linux file name may have.
constexpr size_t kSheetNameLength = 31;
constexpr size_t kFileStemLength = 251;
constexpr std::string_view kSheetForbidden(":\\/?*[]");
// Excel keeps this name for a sheet of its own.
const char kReservedSheetKey[] = "history";

// Lower case in the Western code page the texts are in, so that names that
// Excel takes as equal (accented letters included) are found equal here.
char FoldCase(char c) {
  auto b = static_cast<uint8_t>(c);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return char(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return char(b + 0x10);
  if (b == 0x9F) return char(0xFF);
  return c;
}

}  // namespace

NameSet::NameSet(Kind kind)
    : kind_(kind), maxLength_(kind == Kind::Sheet ? kSheetNameLength : kFileStemLength) {
  Clear();
}

void NameSet::Clear() {
  used_.clear();
  if (kind_ == Kind::Sheet) used_.insert(kReservedSheetKey);
}

std::string NameSet::Key(const std::string& name) const {
  if (kind_ == Kind::File) return name;
  std::string key = name;
  for (char& c : key) c = FoldCase(c);
  return key;
}

std::string NameSet::Valid(const std::string& base, const std::string& tail) const {
  std::string name = base.empty() ? std::string(kind_ == Kind::Sheet ? "Sheet" : "Workbook") : base;
  for (char& c : name) {
    bool forbidden = kind_ == Kind::Sheet ? kSheetForbidden.find(c) != std::string_view::npos
                                          : (c == '/' || c == '\0');
    if (forbidden) c = '_';
  }
  if (kind_ == Kind::File) {
    // ".." and hidden files: no name starts with a dot.
    for (char& c : name) {
      if (c != '.') break;
      c = '_';
    }
  }
  size_t room = maxLength_ > tail.size() ? maxLength_ - tail.size() : 1;
  if (name.size() > room) name.resize(room);
  name += tail;
  if (name.size() > maxLength_) name.resize(maxLength_);
  if (kind_ == Kind::Sheet) {
    if (name.front() == '\'') name.front() = '_';
    if (name.back() == '\'') name.back() = '_';
  }
  return name;
}

std::string NameSet::Add(const std::string& base, const std::string& suffix) {
  std::string name = Valid(base, suffix);
  for (int n = 1; used_.count(Key(name)) != 0; ++n) {
    name = Valid(base, suffix + "_" + std::to_string(n));
  }
  used_.insert(Key(name));
  return name;
}
