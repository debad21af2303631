#include "export/xlsx_workbook.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "export/sql_value.h"
#include "export/xlsx_parts.h"
#include "format/utf8.h"

namespace {

constexpr size_t kMaxCellCharacters = 32767;
constexpr size_t kMaxSheetName = 31;
// A sheet's XML goes to the zip in pieces of about this size.
constexpr size_t kXmlPiece = 256 * 1024;

// The cell styles of styles.xml, by their index there.
constexpr char kHeaderStyle = '1';
constexpr char kTextStyle = '2';
constexpr char kNumberStyle = '3';
constexpr char kCurrencyStyle = '4';
constexpr char kDateStyle = '5';
constexpr char kTimeStyle = '6';

bool IsEscapeLike(std::string_view text, size_t i) {
  if (text.size() - i < 7 || text[i + 1] != 'x' || text[i + 6] != '_') return false;
  for (size_t k = i + 2; k < i + 6; ++k)
    if (!std::isxdigit(static_cast<unsigned char>(text[k]))) return false;
  return true;
}

// Sheet names go into the workbook's XML as attributes, where control
// characters are not allowed.
std::string SheetNameText(const std::string& name) {
  std::string text;
  XlsxCellText(name, text);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = '_';
  return text;
}

// A sheet's numbers are doubles: integers beyond 2^53 and decimals of more
// than 15 digits would lose digits there, and stay text instead.
constexpr double kExactIntegers = 9007199254740992.0;

bool FitsDouble(const DecimalValue& decimal) {
  unsigned __int128 limit = 1;
  for (int i = 0; i < 15; ++i) limit *= 10;
  return decimal.magnitude < limit;
}

double DecimalNumber(const DecimalValue& decimal) {
  double number = static_cast<double>(decimal.magnitude) / std::pow(10.0, decimal.scale);
  return decimal.negative ? -number : number;
}

// A sheet's date numbers count days from 30 December 1899 as Access does,
// from 1 March 1900 on; before it, spreadsheets disagree on each day (the
// 29 February 1900 one of them counts), so those dates stay text. A time of
// day alone (day 0) is its fraction. Times are rounded to the second, as
// Access shows them.
constexpr double kFirstMarch1900 = 61;
constexpr double kFirstDayAfter9999 = 2958466;

bool SheetDateNumber(const Value& value, double& number) {
  double whole = 0, seconds = 0;
  if (value.kind == ValueKind::DateTime) {
    if (!(value.real >= 0 && value.real < kFirstDayAfter9999)) return false;
    whole = std::trunc(value.real);
    seconds = std::round((value.real - whole) * 86400);
  } else {
    constexpr int64_t kDayZero = 693593;  // 30 December 1899 from 1 January of year 1
    whole = static_cast<double>(value.extended.days - kDayZero);
    seconds = static_cast<double>(value.extended.seconds) + static_cast<double>(value.extended.ticks) / 1e7;
    if (whole < 0 || whole >= kFirstDayAfter9999) return false;
  }
  if (whole >= 1 && whole < kFirstMarch1900) return false;
  number = whole + seconds / 86400;
  // A time that rounds up to the midnight after 31 December 9999.
  return number < kFirstDayAfter9999;
}

}  // namespace

void XlsxCellText(std::string_view value, std::string& out) {
  value = value.substr(0, value.find('\0'));
  out.clear();
  size_t characters = 0;
  for (size_t i = 0; i < value.size() && characters < kMaxCellCharacters;) {
    size_t length = Utf8SequenceLength(value, i);
    if (length == 0) {
      unsigned char c = static_cast<unsigned char>(value[i]);
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      length = 1;
    } else if (value[i] == '_' && IsEscapeLike(value, i)) {
      if (characters + 7 > kMaxCellCharacters) break;
      out.append("_x005F_");
      characters += 6;
    } else {
      out.append(value.substr(i, length));
    }
    ++characters;
    i += length;
  }
}

XlsxWorkbook::~XlsxWorkbook() { Drop(); }

void XlsxWorkbook::Drop() {
  if (zip_) zip_->Abandon();
  zip_.reset();
  sheetOpen_ = false;
  sheets_.clear();
  xml_.clear();
  staged_.reset();
}

void XlsxWorkbook::NewWorkbook(const std::string& path) {
  Drop();
  staged_ = std::make_unique<platform::StagedFile>(path);
  zip_ = std::make_unique<XlsxZip>();
  // A file that cannot be made is reported where the workbook is saved.
  zip_->Open(staged_->path());
  sheetNames_ = NameSet(NameSet::Kind::Sheet);
  xml_.reserve(kXmlPiece + 64 * 1024);
}

void XlsxWorkbook::AddSheet(int32_t, const std::string& base, const std::string& suffix) {
  if (!zip_) return;
  std::string name = SheetNameText(sheetNames_.Add(SheetNameText(base), suffix));
  if (Utf8Length(name) > kMaxSheetName) throw std::runtime_error("the sheet name " + name + " was refused");
  EndSheet();
  sheets_.push_back(name);
  zip_->BeginEntry(XlsxSheetPart(sheets_.size()));
  xml_ = XlsxSheetStart(sheets_.size() == 1);
  sheetOpen_ = true;
}

void XlsxWorkbook::EndSheet() {
  if (!sheetOpen_) return;
  xml_ += XlsxSheetEnd();
  zip_->Write(xml_);
  zip_->EndEntry();
  sheetOpen_ = false;
}

void XlsxWorkbook::WriteParts() {
  // A workbook holds at least one sheet.
  if (sheets_.empty()) {
    AddSheet(1, "Sheet1", "");
  }
  EndSheet();
  for (XlsxPart& part : XlsxWorkbookParts(sheets_)) {
    zip_->BeginEntry(part.path);
    zip_->Write(part.xml);
    zip_->EndEntry();
  }
}

void XlsxWorkbook::Save(const std::string& path, int32_t) {
  if (!zip_) {
    reportFailure_("Could not save " + path + ": no workbook was made");
    return;
  }
  WriteParts();
  std::string problem;
  if (!zip_->Finish(problem)) {
    reportFailure_("Could not save " + path + ": writing the workbook failed (" + problem + ")");
    Drop();
    return;
  }
  if (!staged_->Commit(problem)) reportFailure_("Could not save " + path + ": " + problem);
  zip_.reset();
  Drop();
}

void XlsxWorkbook::BeginRow(int32_t rowNumber) {
  char digits[16];
  auto end = std::to_chars(digits, digits + sizeof digits, rowNumber).ptr;
  row_.assign(digits, end);
  xml_ += "<row r=\"";
  xml_ += row_;
  xml_ += "\">";
}

void XlsxWorkbook::EndRow() {
  xml_ += "</row>";
  if (xml_.size() >= kXmlPiece) zip_->Write(xml_);
}

void XlsxWorkbook::BeginCell(size_t column, char style) {
  while (columnNames_.size() <= column) {
    std::string name;
    for (size_t n = columnNames_.size() + 1; n > 0; n = (n - 1) / 26)
      name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    columnNames_.push_back(std::move(name));
  }
  xml_ += "<c r=\"";
  xml_ += columnNames_[column];
  xml_ += row_;
  xml_ += "\" s=\"";
  xml_ += style;
  xml_ += '"';
}

void XlsxWorkbook::WriteText(size_t column, std::string_view text, char style) {
  XlsxCellText(text, cell_);
  BeginCell(column, style);
  // An empty text is a cell without a value, which keeps its format.
  if (cell_.empty()) {
    xml_ += "/>";
    return;
  }
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  xml_ += space(cell_.front()) || space(cell_.back()) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                                                      : " t=\"inlineStr\"><is><t>";
  AppendXlsxXml(cell_, xml_);
  xml_ += "</t></is></c>";
}

void XlsxWorkbook::WriteNumber(size_t column, double number, char style) {
  BeginCell(column, style);
  char digits[32];
  auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  xml_ += "><v>";
  xml_.append(digits, end);
  xml_ += "</v></c>";
}

void XlsxWorkbook::WriteHeader(const std::vector<std::string>& names, bool) {
  if (!sheetOpen_) return;
  BeginRow(1);
  for (size_t i = 0; i < names.size(); ++i) WriteText(i, names[i], kHeaderStyle);
  EndRow();
}

void XlsxWorkbook::WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) {
  if (!sheetOpen_) return;
  BeginRow(rowNumber);
  for (size_t k = 0; k < values.size(); ++k) WriteText(k, values[k], kTextStyle);
  EndRow();
}

void XlsxWorkbook::WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) {
  if (!sheetOpen_) return;
  BeginRow(rowNumber);
  std::string text;
  for (size_t k = 0; k < cells.size(); ++k) {
    const Value& value = cells[k]->value;
    switch (value.kind) {
      case ValueKind::Null:
        // The cell keeps its borders.
        BeginCell(k, kNumberStyle);
        xml_ += "/>";
        continue;
      case ValueKind::Boolean:
        BeginCell(k, kNumberStyle);
        xml_ += value.integer != 0 ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>";
        continue;
      case ValueKind::Integer:
        if (std::fabs(static_cast<double>(value.integer)) > kExactIntegers) break;
        WriteNumber(k, static_cast<double>(value.integer), kNumberStyle);
        continue;
      case ValueKind::Currency:
        if (std::fabs(static_cast<double>(value.integer)) > kExactIntegers) break;
        WriteNumber(k, static_cast<double>(value.integer) / 10000, kCurrencyStyle);
        continue;
      case ValueKind::Single:
      case ValueKind::Double:
        if (!std::isfinite(value.real)) break;
        WriteNumber(k, RealNumber(value), kNumberStyle);
        continue;
      case ValueKind::Decimal:
        if (!FitsDouble(value.decimal)) break;
        WriteNumber(k, DecimalNumber(value.decimal), kNumberStyle);
        continue;
      case ValueKind::DateTime:
      case ValueKind::DateTimeExtended: {
        double number = 0;
        if (!SheetDateNumber(value, number)) break;
        WriteNumber(k, number, number < 1 ? kTimeStyle : kDateStyle);
        continue;
      }
      default:
        WriteText(k, CellValueText(*cells[k]), kTextStyle);
        continue;
    }
    // What a sheet cannot hold as a number or a date, exactly, as text.
    text.clear();
    if (value.kind == ValueKind::Single || value.kind == ValueKind::Double) {
      AppendRealNumber(value, text);
    } else if (value.kind == ValueKind::DateTime || value.kind == ValueKind::DateTimeExtended) {
      if (!AppendIsoDateTime(value, 7, text)) text = cells[k]->text;
    } else if (value.kind == ValueKind::Integer) {
      text = std::to_string(value.integer);
    } else {
      AppendExactNumber(value, text);
    }
    WriteText(k, text, kTextStyle);
  }
  EndRow();
}
