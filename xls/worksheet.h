// A worksheet of a workbook: its name and its cells. Range gives one cell to
// write; Name reads and renames, refusing what Excel refuses.
#pragma once

#include <string>
#include <string_view>

#include "xls/cell_format.h"
#include "xls/cell_store.h"
#include "xls/range.h"
#include "xls/variant.h"

namespace xls {

class Workbook;

class Worksheet {
 public:
  Worksheet(Workbook& workbook, std::string name) : workbook_(workbook), name_(std::move(name)) {}
  Worksheet(const Worksheet&) = delete;
  Worksheet& operator=(const Worksheet&) = delete;

  std::string Name() const;
  void SetName(std::string_view name);
  // One cell: cell1 an A1-style address (A1 to IV65536), cell2 missing or
  // the same address. Ranges of several cells are refused.
  xls::Range Range(const Variant& cell1, const Variant& cell2 = OptionalArg);
  // One cell by number, as Cells.Item(RowIndex, ColumnIndex): row 1 to
  // 65536, column 1 to 256.
  xls::Range Cells(const Variant& rowIndex, const Variant& columnIndex);
  // Takes the sheet out of its workbook; a workbook keeps at least one.
  // Every later call on the sheet is refused.
  void Delete();

 private:
  friend class xls::Range;
  friend class Sheets;
  friend class XlsFileWriter;
  friend class XlsFileReader;

  void CheckOpen() const;
  [[noreturn]] void RefuseClosed() const;
  Cell& CellOf(const xls::Range& range);
  void SetCellText(const xls::Range& range, std::string_view text, bool quotePrefix);
  void ChangeCellFormat(const xls::Range& range, void (*change)(CellFormat&, uint8_t), uint8_t value);

  Workbook& workbook_;
  std::string name_;
  CellStore cells_;
  bool deleted_ = false;
};

}  // namespace xls
