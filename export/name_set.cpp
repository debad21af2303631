#include "export/name_set.h"

#include <string_view>

#include "format/utf8.h"
#include "xls/sheet_name.h"
#include "xls/unicode_text.h"

namespace {

// File names leave room for the longest extension, ".xlsx", in the 255
// bytes a Linux file name may have.
constexpr size_t kFileStemLength = 250;
constexpr std::string_view kSheetForbidden(":\\/?*[]");

}  // namespace

NameSet::NameSet(Kind kind)
    : kind_(kind), maxLength_(kind == Kind::Sheet ? xls::kMaxSheetNameLength : kFileStemLength) {
  // Excel keeps this name for a sheet of its own.
  if (kind_ == Kind::Sheet) used_.push_back("History");
}

bool NameSet::IsUsed(const std::string& name) const {
  for (const std::string& used : used_) {
    if (kind_ == Kind::Sheet ? xls::SameSheetName(used, name) : used == name) return true;
  }
  return false;
}

std::string NameSet::Valid(const std::string& base, const std::string& tail) const {
  std::string name = base.empty() ? std::string(kind_ == Kind::Sheet ? "Sheet" : "Workbook") : base;
  for (char& c : name) {
    // A zero byte would end the name where the workbook engine takes it.
    bool forbidden = c == '\0' || (kind_ == Kind::Sheet ? kSheetForbidden.find(c) != std::string_view::npos
                                                        : c == '/');
    if (forbidden) c = '_';
  }
  if (kind_ == Kind::File) {
    // ".." and hidden files: no name starts with a dot.
    for (char& c : name) {
      if (c != '.') break;
      c = '_';
    }
  }
  // Sheet names are measured as the workbook counts (UTF-16 units), file
  // names in bytes; a cut never falls inside a character. The tail is ASCII.
  auto cut = [this](std::string& text, size_t limit) {
    text.resize(kind_ == Kind::Sheet ? xls::Measure(text, limit).bytes
                                     : Utf8Prefix(text, std::string_view::npos, limit).size());
  };
  cut(name, maxLength_ > tail.size() ? maxLength_ - tail.size() : 1);
  name += tail;
  cut(name, maxLength_);
  if (kind_ == Kind::Sheet) {
    if (name.front() == '\'') name.front() = '_';
    if (name.back() == '\'') name.back() = '_';
  }
  return name;
}

void NameSet::Reserve(const std::string& name) { used_.push_back(name); }

std::string NameSet::Add(const std::string& base, const std::string& suffix) {
  std::string name = Valid(base, suffix);
  for (int n = 1; IsUsed(name); ++n) name = Valid(base, suffix + "_" + std::to_string(n));
  used_.push_back(name);
  return name;
}
