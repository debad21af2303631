// The sheet names Excel allows: 1 to 31 characters (UTF-16 units), none of : \ / ? * [ ],
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

// Equal ignoring case, letters of every script alike.
bool SameSheetName(std::string_view a, std::string_view b);

}  // namespace xls
