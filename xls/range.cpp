#include "xls/range.h"

#include <string>

#include "xls/automation_error.h"
#include "xls/worksheet.h"

namespace xls {
namespace {

[[noreturn]] void Refuse(const char* property, const char* owner) {
  throw AutomationError(std::string("Unable to set the ") + property + " property of the " + owner +
                        " class.");
}

int32_t NumberOf(const Variant& value, const char* property, const char* owner) {
  std::optional<int32_t> number = value.Number();
  if (!number) Refuse(property, owner);
  return *number;
}

}  // namespace

void Range::SetValue2(const Variant& value) {
  const std::string* text = value.Text();
  if (!text) Refuse("Value2", "Range");
  std::string_view stored = *text;
  bool quotePrefix = !stored.empty() && stored.front() == '\'';
  if (quotePrefix) stored.remove_prefix(1);
  sheet_->SetCellText(*this, stored, quotePrefix);
}

void Range::SetHorizontalAlignment(const Variant& value) {
  uint8_t code;
  switch (NumberOf(value, "HorizontalAlignment", "Range")) {
    case 1: code = 0; break;
    case -4131: code = 1; break;
    case -4108: code = 2; break;
    case -4152: code = 3; break;
    case 5: code = 4; break;
    case -4130: code = 5; break;
    case 7: code = 6; break;
    case -4117: code = 7; break;
    default: Refuse("HorizontalAlignment", "Range");
  }
  ChangeFormat([](CellFormat& f, uint8_t v) { f.horizontalAlignment = v; }, code);
}

void Range::ChangeFormat(void (*change)(CellFormat&, uint8_t), uint8_t value) const {
  sheet_->ChangeCellFormat(*this, change, value);
}

xls::Interior Range::Interior() const { return xls::Interior(*this); }
xls::Font Range::Font() const { return xls::Font(*this); }
xls::Borders Range::Borders() const { return xls::Borders(*this); }

void Interior::SetColorIndex(const Variant& value) {
  int32_t index = NumberOf(value, "ColorIndex", "Interior");
  if (index == -4142 || index == -4105) index = 0;
  else if (index < 1 || index > 56) Refuse("ColorIndex", "Interior");
  range_.ChangeFormat([](CellFormat& f, uint8_t v) { f.colorIndex = v; },
                                  static_cast<uint8_t>(index));
}

void Font::SetBold(const Variant& value) {
  uint8_t bold = NumberOf(value, "Bold", "Font") != 0;
  range_.ChangeFormat([](CellFormat& f, uint8_t v) { f.bold = v != 0; }, bold);
}

void Borders::SetWeight(const Variant& value) {
  uint8_t line;
  switch (NumberOf(value, "Weight", "Borders")) {
    case 1: line = 7; break;      // hair
    case 2: line = 1; break;      // thin
    case -4138: line = 2; break;  // medium
    case 4: line = 5; break;      // thick
    default: Refuse("Weight", "Borders");
  }
  range_.ChangeFormat([](CellFormat& f, uint8_t v) { f.borderLine = v; }, line);
}

}  // namespace xls
