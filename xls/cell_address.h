// A1-style cell addresses of an Excel 97-2003 worksheet: columns A to IV,
// rows 1 to 65536, letters in either case, each part optionally fixed with
// '$' ("$B$7").
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace xls {

constexpr int kColumnCount = 256;
constexpr int kRowCount = 65536;

struct CellPosition {
  uint16_t row;    // from 0
  uint8_t column;  // from 0
};

// The cell an address names, or nothing when it names none of the sheet.
std::optional<CellPosition> ParseCellAddress(std::string_view address);

}  // namespace xls
