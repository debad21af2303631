#include "xls/cell_address.h"

namespace xls {

std::optional<CellPosition> ParseCellAddress(std::string_view address) {
  size_t i = 0;
  auto skipDollar = [&] {
    if (i < address.size() && address[i] == '$') ++i;
  };
  skipDollar();
  int column = 0;
  size_t letters = 0;
  for (; i < address.size() && letters < 3; ++i, ++letters) {
    char c = address[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + (c - 'A' + 1);
  }
  if (letters == 0 || column > kColumnCount) return std::nullopt;
  skipDollar();
  // No sign, no leading zero, at most six digits.
  if (i >= address.size() || address[i] < '1' || address[i] > '9') return std::nullopt;
  int row = 0;
  for (size_t digits = 0; i < address.size(); ++i, ++digits) {
    char c = address[i];
    if (c < '0' || c > '9' || digits == 6) return std::nullopt;
    row = row * 10 + (c - '0');
  }
  if (row > kRowCount) return std::nullopt;
  return CellPosition{static_cast<uint16_t>(row - 1), static_cast<uint8_t>(column - 1)};
}

}  // namespace xls
