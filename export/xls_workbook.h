// The .xls format of the workbook modes: an Excel session per workbook
// (the workbook engine of xls/ in Excel's place). A new workbook has three
// sheets, so a sheet from the fourth on is added after the last and the
// sheets a workbook did not use are deleted at its last save; between two
// tables of one workbook it is saved and reopened in a fresh session, as
// the Excel design did. Cells are text (the apostrophe of WriteDataCell).
#pragma once

#include <string>
#include <vector>

#include "export/excel_session.h"
#include "export/table_sheet_writer.h"
#include "export/workbook_format.h"

class XlsWorkbook : public WorkbookFormat {
 public:
  // Data rows a sheet takes below its header; an .xls sheet has 65,536 rows.
  static constexpr int32_t kRowsPerSheet = 65535;
  // Columns A to IV.
  static constexpr size_t kMaxColumns = 256;
  // The most characters a cell holds; longer values are cut.
  static constexpr size_t kMaxCellText = 32767;

  XlsWorkbook(platform::Dialogs& dialogs, ExcelSession::ApplicationFactory startApplication,
              FailureSink reportFailure);

  const char* Extension() const override { return ".xls"; }
  int32_t RowsPerSheet() const override { return kRowsPerSheet; }
  size_t MaxColumns() const override { return kMaxColumns; }
  void NewWorkbook(const std::string& path) override;
  bool ResumeWorkbook(const std::string& path) override;
  void AddSheet(int32_t position, const std::string& base, const std::string& suffix) override;
  void Save(const std::string& path, int32_t usedSheets) override;
  void WriteHeader(const std::vector<std::string>& names, bool centred) override;
  void WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) override;

 private:
  ExcelSession session_;
  FailureSink reportFailure_;
  // Columns of the header last written, for the data rows.
  size_t columns_ = 0;
};
