// The text of one row as the row reader hands it out: every column's value in
// column order, each followed by the field separator; or one of the marker
// texts for a row that could not be given. The record browser and the sheet
// writer both split rows and skip markers through these functions only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kFieldSeparator = "@##@#$~##%";

inline constexpr std::string_view kErrorReadingRecord = "ERROR Reading Record";
inline constexpr std::string_view kLookupRowText = "Could not read lookup row.";
// The leading space is part of the text: it follows the lookup text when a
// row carries both flags.
inline constexpr std::string_view kDeletedRowText = " This row was deleted in Original database";

// True for the texts that stand for no row: the empty text and the markers.
bool IsSkippedRowText(std::string_view text);

// One value per separator; empty values keep their place, and the text after
// the last separator (empty in a well-formed row) gives no value.
std::vector<std::string> SplitRowText(std::string_view text);

// The same split into views of text, for callers that reuse one list per row.
void SplitRowText(std::string_view text, std::vector<std::string_view>& values);
