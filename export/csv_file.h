// The CSV format of the export: a file per table, "<table>.csv", as
// `rows --all` prints the table (csv_writer.h). A table never continues in
// another file, so the workbook modes hand it one sheet.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "export/csv_writer.h"
#include "export/table_sheet_writer.h"
#include "export/workbook_format.h"
#include "platform/staged_file.h"

class CsvFile : public WorkbookFormat {
 public:
  explicit CsvFile(FailureSink reportFailure) : reportFailure_(std::move(reportFailure)) {}
  // A file not saved is removed: nothing is left of a table that failed or
  // was stopped.
  ~CsvFile() override;

  const char* Extension() const override { return ".csv"; }
  int32_t RowsPerSheet() const override { return std::numeric_limits<int32_t>::max(); }
  // Creates the file; throws std::runtime_error when it cannot.
  void NewWorkbook(const std::string& path) override;
  void AddSheet(int32_t, const std::string&, const std::string&) override {}
  void Save(const std::string& path, int32_t usedSheets) override;
  void WriteHeader(const std::vector<std::string>& names, bool centred) override;
  void WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) override;

 private:
  FailureSink reportFailure_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<platform::StagedFile> staged_;
  std::optional<CsvSheet> sheet_;
};
