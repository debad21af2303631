// The sheet names Excel allows: 1 to 31 characters, none of : \ / ? * [ ],
// no apostrophe at the start or the end, not "History", and unique in the
// workbook ignoring case (accented letters included).
#pragma once

#include <string>
#include <string_view>

namespace xls {

constexpr size_t kMaxSheetNameLength = 31;

// Why Excel refuses the name on its own, or an empty text when it does not.
// Uniqueness is the sheet collection's check.
std::string SheetNameProblem(std::string_view name);

// Equal ignoring case, by the letters of code page 1252.
bool SameSheetName(std::string_view a, std::string_view b);

}  // namespace xls
