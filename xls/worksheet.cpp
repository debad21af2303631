#include "xls/worksheet.h"

#include "xls/automation_error.h"
#include "xls/sheet_name.h"
#include "xls/workbook.h"

namespace xls {

void Worksheet::CheckOpen() const {
  if (workbook_.owner_ == nullptr || deleted_) [[unlikely]] RefuseClosed();
}

void Worksheet::RefuseClosed() const {
  workbook_.CheckOpen();
  throw AutomationError("The sheet \"" + name_ + "\" has been deleted.");
}

Cell& Worksheet::CellOf(const xls::Range& range) {
  if (range.found_ != nullptr && range.foundMoves_ == cells_.Moves()) return *range.found_;
  Cell& cell = cells_.At(range.cell_.row, range.cell_.column);
  range.found_ = &cell;
  range.foundMoves_ = cells_.Moves();
  return cell;
}

std::string Worksheet::Name() const {
  CheckOpen();
  return name_;
}

void Worksheet::SetName(std::string_view name) {
  CheckOpen();
  std::string problem = SheetNameProblem(name);
  if (problem.empty() && workbook_.sheets_.IsNameTaken(name, this)) problem = "another sheet has that name";
  if (!problem.empty()) {
    throw AutomationError("Cannot rename a sheet to \"" + std::string(name) + "\": " + problem + ".");
  }
  name_ = name;
}

void Worksheet::Delete() {
  CheckOpen();
  workbook_.sheets_.Remove(*this);
}

xls::Range Worksheet::Range(const Variant& cell1, const Variant& cell2) {
  CheckOpen();
  auto refuse = [](const std::string& why) -> AutomationError {
    return AutomationError("Method 'Range' of object 'Worksheet' failed: " + why + ".");
  };
  const std::string* address = cell1.Text();
  if (!address) throw refuse("a cell address is needed");
  std::optional<CellPosition> cell = ParseCellAddress(*address);
  if (!cell) throw refuse("\"" + *address + "\" is not a cell of a sheet (A1 to IV65536)");
  if (!cell2.IsMissing()) {
    const std::string* last = cell2.Text();
    std::optional<CellPosition> lastCell = last ? ParseCellAddress(*last) : std::nullopt;
    if (!lastCell || lastCell->row != cell->row || lastCell->column != cell->column) {
      throw refuse("only single cells are written");
    }
  }
  return xls::Range(*this, *cell);
}

xls::Range Worksheet::Cells(const Variant& rowIndex, const Variant& columnIndex) {
  CheckOpen();
  std::optional<int32_t> row = rowIndex.Number(), column = columnIndex.Number();
  if (!row || !column || *row < 1 || *row > kRowCount || *column < 1 || *column > kColumnCount) {
    throw AutomationError("Method 'Cells' of object 'Worksheet' failed: not a cell of a sheet (1 to 65536, 1 to 256).");
  }
  return xls::Range(*this, CellPosition{static_cast<uint16_t>(*row - 1), static_cast<uint8_t>(*column - 1)});
}

void Worksheet::SetCellText(const xls::Range& range, std::string_view text, bool quotePrefix) {
  CheckOpen();
  GuardMemory([&] {
    Cell& cell = CellOf(range);
    uint8_t format = workbook_.formats_.Changed(
        cell.format, [](CellFormat& f, uint8_t v) { f.quotePrefix = v != 0; }, quotePrefix);
    cell.text = text.empty() ? StringTable::kNone : workbook_.strings_.Intern(text);
    cell.format = format;
  });
}

void Worksheet::ChangeCellFormat(const xls::Range& range, void (*change)(CellFormat&, uint8_t), uint8_t value) {
  CheckOpen();
  GuardMemory([&] {
    Cell& cell = CellOf(range);
    cell.format = workbook_.formats_.Changed(cell.format, change, value);
  });
}

}  // namespace xls
