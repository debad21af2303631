#include "decode/row_text.h"

#include <array>

namespace {

const std::string kDeletedTwice = std::string(kDeletedRowText) + std::string(kDeletedRowText);
const std::string kLookupAndDeleted = std::string(kLookupRowText) + std::string(kDeletedRowText);

}  // namespace

bool IsSkippedRowText(std::string_view text) {
  if (text.empty()) return true;
  const std::array<std::string_view, 5> markers = {kErrorReadingRecord, kLookupRowText, kDeletedRowText,
                                                   kDeletedTwice, kLookupAndDeleted};
  for (std::string_view marker : markers)
    if (text == marker) return true;
  return false;
}

void SplitRowText(std::string_view text, std::vector<std::string_view>& values) {
  values.clear();
  size_t from = 0;
  for (size_t at = text.find(kFieldSeparator); at != std::string_view::npos;
       at = text.find(kFieldSeparator, from)) {
    values.push_back(text.substr(from, at - from));
    from = at + kFieldSeparator.size();
  }
}

std::vector<std::string> SplitRowText(std::string_view text) {
  std::vector<std::string_view> views;
  SplitRowText(text, views);
  return std::vector<std::string>(views.begin(), views.end());
}
