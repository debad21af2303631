#include "xls/sheet_name.h"

#include "xls/unicode_text.h"

namespace xls {

bool SameSheetName(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (UpperCase(NextCharacter(a, i)) != UpperCase(NextCharacter(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

std::string SheetNameProblem(std::string_view name) {
  if (name.empty()) return "a sheet name cannot be empty";
  TextMeasure measure = Measure(name, kMaxSheetNameLength);
  if (measure.bytes < name.size()) return "a sheet name has at most 31 characters";
  if (!measure.valid) return "a sheet name must be UTF-8 text";
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
