// The .xlsx format of the workbook modes, streamed: each sheet's XML is
// deflated into the workbook's zip as its rows come (texts as inline
// strings, so nothing waits for the end), and the parts that list the
// sheets are written at the save. Memory stays flat whatever the table's
// size. A sheet takes 1,048,575 data rows below its header. Cells are typed: numbers are
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
#include "export/xlsx_zip.h"
#include "platform/staged_file.h"

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
  void BeginRow(int32_t rowNumber);
  void EndRow();
  void BeginCell(size_t column, char style);
  void WriteText(size_t column, std::string_view text, char style);
  void WriteNumber(size_t column, double number, char style);
  void EndSheet();
  void WriteParts();
  void Drop();

  FailureSink reportFailure_;
  std::unique_ptr<platform::StagedFile> staged_;
  std::unique_ptr<XlsxZip> zip_;
  bool sheetOpen_ = false;
  std::vector<std::string> sheets_;  // names, as the workbook lists them
  NameSet sheetNames_{NameSet::Kind::Sheet};
  std::vector<std::string> columnNames_;  // "A", "B", ... as far as used
  std::string row_;                       // the current row's number
  std::string xml_;                       // waiting for the zip
  std::string cell_;
};

// A value as an .xlsx cell holds it: up to its first zero byte, valid
// UTF-8 (a byte that does not belong to a UTF-8 sequence stands for the
// character of the same number, U+0080 to U+00FF), a text of the form
// "_xHHHH_" kept from being read as an escaped character, and at most
// 32,767 characters. Into out.
void XlsxCellText(std::string_view value, std::string& out);
