#include "export/xlsx_workbook.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include <xlsxwriter.h>

#include "export/sql_value.h"
#include "format/utf8.h"

namespace {

constexpr size_t kMaxCellCharacters = 32767;
constexpr lxw_color_t kLightYellow = 0xFFFFCC;  // Excel's ColorIndex 19

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

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR) throw std::runtime_error(lxw_strerror(error));
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
  if (workbook_) lxw_workbook_free(workbook_);
  workbook_ = nullptr;
  worksheet_ = nullptr;
  sheets_.clear();
  staged_.reset();
}

void XlsxWorkbook::NewWorkbook(const std::string& path) {
  Drop();
  // The rows wait in the export folder, where the workbook goes anyway,
  // rather than in a temporary folder that may be small or held in memory.
  size_t slash = path.rfind('/');
  tmpdir_ = slash == std::string::npos ? "." : path.substr(0, slash);
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = tmpdir_.data();
  // A sheet of a million rows of long texts can pass the 4 GB of a plain zip.
  options.use_zip64 = LXW_TRUE;
  staged_ = std::make_unique<platform::StagedFile>(path);
  workbook_ = workbook_new_opt(staged_->path().c_str(), &options);
  if (!workbook_) throw std::runtime_error("could not make the workbook " + path);
  sheetNames_ = NameSet(NameSet::Kind::Sheet);

  header_ = workbook_add_format(workbook_);
  format_set_bold(header_);
  format_set_pattern(header_, LXW_PATTERN_SOLID);
  format_set_bg_color(header_, kLightYellow);
  format_set_align(header_, LXW_ALIGN_CENTER);
  format_set_border(header_, LXW_BORDER_THIN);

  auto dataFormat = [this](const char* numberFormat) {
    lxw_format* format = workbook_add_format(workbook_);
    if (numberFormat) format_set_num_format(format, numberFormat);
    format_set_align(format, LXW_ALIGN_CENTER);
    format_set_border(format, LXW_BORDER_THIN);
    return format;
  };
  data_ = dataFormat("@");  // text, whatever it looks like
  number_ = dataFormat(nullptr);
  date_ = dataFormat("yyyy-mm-dd hh:mm:ss");
  time_ = dataFormat("hh:mm:ss");
  // The built-in currency format, which a spreadsheet shows in its own
  // locale's currency.
  currency_ = dataFormat(nullptr);
  format_set_num_format_index(currency_, 7);
}

void XlsxWorkbook::AddSheet(int32_t, const std::string& base, const std::string& suffix) {
  if (!workbook_) return;
  std::string name = sheetNames_.Add(SheetNameText(base), suffix);
  worksheet_ = workbook_add_worksheet(workbook_, SheetNameText(name).c_str());
  if (!worksheet_) throw std::runtime_error("the sheet name " + name + " was refused");
  sheets_.push_back(worksheet_);
}

void XlsxWorkbook::Save(const std::string& path, int32_t) {
  if (!workbook_) {
    reportFailure_("Could not save " + path + ": no workbook was made");
    return;
  }
  // The library does not check the writes of the rows waiting in their
  // files: a full disk would give a workbook without them.
  for (lxw_worksheet* sheet : sheets_) {
    if (sheet->file && (std::fflush(sheet->file) != 0 || std::ferror(sheet->file))) {
      reportFailure_("Could not save " + path + ": writing the rows failed (disk full?)");
      Drop();
      return;
    }
  }
  lxw_error error = workbook_close(workbook_);
  workbook_ = nullptr;
  worksheet_ = nullptr;
  sheets_.clear();
  std::string problem;
  if (error != LXW_NO_ERROR) {
    reportFailure_("Could not save " + path + ": " + lxw_strerror(error));
  } else if (!staged_->Commit(problem)) {
    reportFailure_("Could not save " + path + ": " + problem);
  }
  staged_.reset();
}

void XlsxWorkbook::Write(int32_t row, size_t column, std::string_view text, lxw_format* format) {
  XlsxCellText(text, cell_);
  Check(worksheet_write_string(worksheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                               cell_.c_str(), format));
}

void XlsxWorkbook::WriteNumber(int32_t row, size_t column, double number, lxw_format* format) {
  Check(worksheet_write_number(worksheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), number,
                               format));
}

void XlsxWorkbook::WriteHeader(const std::vector<std::string>& names, bool) {
  if (!worksheet_) return;
  for (size_t i = 0; i < names.size(); ++i) Write(0, i, names[i], header_);
}

void XlsxWorkbook::WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) {
  if (!worksheet_) return;
  for (size_t k = 0; k < values.size(); ++k) Write(rowNumber - 1, k, values[k], data_);
}

void XlsxWorkbook::WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) {
  if (!worksheet_) return;
  const int32_t row = rowNumber - 1;
  std::string text;
  for (size_t k = 0; k < cells.size(); ++k) {
    const Value& value = cells[k]->value;
    const auto column = static_cast<lxw_col_t>(k);
    switch (value.kind) {
      case ValueKind::Null:
        // The cell keeps its borders.
        Check(worksheet_write_blank(worksheet_, static_cast<lxw_row_t>(row), column, number_));
        continue;
      case ValueKind::Boolean:
        Check(worksheet_write_boolean(worksheet_, static_cast<lxw_row_t>(row), column, value.integer != 0, number_));
        continue;
      case ValueKind::Integer:
        if (std::fabs(static_cast<double>(value.integer)) > kExactIntegers) break;
        WriteNumber(row, k, static_cast<double>(value.integer), number_);
        continue;
      case ValueKind::Currency:
        if (std::fabs(static_cast<double>(value.integer)) > kExactIntegers) break;
        WriteNumber(row, k, static_cast<double>(value.integer) / 10000, currency_);
        continue;
      case ValueKind::Single:
      case ValueKind::Double:
        if (!std::isfinite(value.real)) break;
        WriteNumber(row, k, RealNumber(value), number_);
        continue;
      case ValueKind::Decimal:
        if (!FitsDouble(value.decimal)) break;
        WriteNumber(row, k, DecimalNumber(value.decimal), number_);
        continue;
      case ValueKind::DateTime:
      case ValueKind::DateTimeExtended: {
        double number = 0;
        if (!SheetDateNumber(value, number)) break;
        WriteNumber(row, k, number, number < 1 ? time_ : date_);
        continue;
      }
      default:
        Write(row, k, CellValueText(*cells[k]), data_);
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
    Write(row, k, text, data_);
  }
}
