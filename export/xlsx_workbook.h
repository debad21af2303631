// The .xlsx format of the workbook modes, written by libxlsxwriter in its
// constant-memory mode: each row goes to a temporary file in the export
// folder as soon as the next one starts, so memory stays flat whatever the
// table's size, and the workbook is zipped once, at its save. A sheet takes
// 1,048,575 data rows below its header. Cells are typed: numbers are
// numbers (currency with a currency format), dates are dates, booleans
// TRUE or FALSE, an absent value an empty cell; texts, markers and what
// a sheet cannot hold as a number or a date stay text.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/name_set.h"
#include "export/table_sheet_writer.h"
#include "export/workbook_format.h"
#include "platform/staged_file.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

class XlsxWorkbook : public WorkbookFormat {
 public:
  static constexpr int32_t kRowsPerSheet = 1048575;
  static constexpr size_t kMaxColumns = 16384;

  explicit XlsxWorkbook(FailureSink reportFailure) : reportFailure_(std::move(reportFailure)) {}
  // A workbook not saved is dropped: no file is written for it.
  ~XlsxWorkbook() override;

  const char* Extension() const override { return ".xlsx"; }
  int32_t RowsPerSheet() const override { return kRowsPerSheet; }
  size_t MaxColumns() const override { return kMaxColumns; }
  void NewWorkbook(const std::string& path) override;
  // Throws std::runtime_error when the sheet cannot be added.
  void AddSheet(int32_t position, const std::string& base, const std::string& suffix) override;
  void Save(const std::string& path, int32_t usedSheets) override;
  // Headers are always centred: the per-table quirk of .xls is not carried over.
  void WriteHeader(const std::vector<std::string>& names, bool centred) override;
  void WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) override;
  bool TakesValues() const override { return true; }
  void WriteCells(int32_t rowNumber, const std::vector<const CellSlot*>& cells) override;

 private:
  void Write(int32_t row, size_t column, std::string_view text, lxw_format* format);
  void WriteNumber(int32_t row, size_t column, double number, lxw_format* format);
  void Drop();

  FailureSink reportFailure_;
  std::string tmpdir_;
  std::unique_ptr<platform::StagedFile> staged_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* worksheet_ = nullptr;
  std::vector<lxw_worksheet*> sheets_;
  lxw_format* header_ = nullptr;
  lxw_format* data_ = nullptr;  // text
  lxw_format* number_ = nullptr;
  lxw_format* currency_ = nullptr;
  lxw_format* date_ = nullptr;
  lxw_format* time_ = nullptr;
  NameSet sheetNames_{NameSet::Kind::Sheet};
  std::string cell_;
};

// A value as an .xlsx cell holds it: up to its first zero byte, valid
// UTF-8 (a byte that does not belong to a UTF-8 sequence stands for the
// character of the same number, U+0080 to U+00FF), a text of the form
// "_xHHHH_" kept from being read as an escaped character, and at most
// 32,767 characters. Into out.
void XlsxCellText(std::string_view value, std::string& out);
