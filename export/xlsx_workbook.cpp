#include "export/xlsx_workbook.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include <xlsxwriter.h>

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

  data_ = workbook_add_format(workbook_);
  format_set_num_format(data_, "@");  // text, whatever it looks like
  format_set_align(data_, LXW_ALIGN_CENTER);
  format_set_border(data_, LXW_BORDER_THIN);
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

void XlsxWorkbook::WriteHeader(const std::vector<std::string>& names, bool) {
  if (!worksheet_) return;
  for (size_t i = 0; i < names.size(); ++i) Write(0, i, names[i], header_);
}

void XlsxWorkbook::WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) {
  if (!worksheet_) return;
  for (size_t k = 0; k < values.size(); ++k) Write(rowNumber - 1, k, values[k], data_);
}
