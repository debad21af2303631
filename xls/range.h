// One cell of a worksheet, as Worksheet.Range(a, a) gives it, with the
// members the automation layer sets: Value2, Interior.ColorIndex, Font.Bold,
// HorizontalAlignment and Borders.Weight. A range is a light value fetched
// for one cell and dropped after it; it must not outlive its worksheet.
#pragma once

#include "xls/cell_address.h"
#include "xls/variant.h"

namespace xls {

struct CellFormat;
class Worksheet;
class Interior;
class Font;
class Borders;

struct Cell;

class Range {
 public:
  Range(Worksheet& sheet, CellPosition cell) : sheet_(&sheet), cell_(cell) {}

  // A text is stored as text. A leading apostrophe is not part of the value:
  // it sets the cell's quote prefix, as typing it in Excel does. An empty
  // text leaves the cell without a value (its format stays); a text longer
  // than a cell holds (32,767 characters) is cut there.
  void SetValue2(const Variant& value);
  // xlGeneral 1, xlLeft -4131, xlCenter -4108, xlRight -4152, xlFill 5,
  // xlJustify -4130, xlCenterAcrossSelection 7, xlDistributed -4117.
  void SetHorizontalAlignment(const Variant& value);
  xls::Interior Interior() const;
  xls::Font Font() const;
  xls::Borders Borders() const;

 private:
  friend class xls::Interior;
  friend class xls::Font;
  friend class xls::Borders;
  friend class Worksheet;

  void ChangeFormat(void (*change)(CellFormat&, uint8_t), uint8_t value) const;

  Worksheet* sheet_;
  CellPosition cell_;
  // The cell once a member has made it, while the sheet's cells stay put:
  // the members set one after another find it at once.
  mutable Cell* found_ = nullptr;
  mutable uint32_t foundMoves_ = 0;
};

class Interior {
 public:
  explicit Interior(const Range& range) : range_(range) {}
  // 1 to 56, an index of the workbook's palette (19 is light yellow);
  // xlColorIndexNone -4142 and xlColorIndexAutomatic -4105 remove the fill.
  void SetColorIndex(const Variant& value);

 private:
  Range range_;
};

class Font {
 public:
  explicit Font(const Range& range) : range_(range) {}
  void SetBold(const Variant& value);

 private:
  Range range_;
};

class Borders {
 public:
  explicit Borders(const Range& range) : range_(range) {}
  // Every edge of the cell: xlHairline 1, xlThin 2, xlMedium -4138, xlThick 4.
  void SetWeight(const Variant& value);

 private:
  Range range_;
};

}  // namespace xls
