// Workbooks written as the export writes them, through ExcelSession, then
// read by the spreadsheet programs at hand (xlrd, LibreOffice, gnumeric; see
// check_workbook.py): each must show the same sheet names and values, and
// xlrd the same formats. Tests skip where none of them is installed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/excel_session.h"
#include "platform/dialogs.h"
#include "tests/support/test_env.h"

namespace xlscheck {

// What the readers must show, built while the workbook is written.
class Expectation {
 public:
  // A sheet written cell by cell.
  void Sheet(const std::string& name, const std::vector<std::vector<std::string>>& rows);
  // A sheet of `rows` rows (header included) whose texts are GeneratedText's.
  void GeneratedSheet(const std::string& name, int rows, int columns, int modulo);
  static std::string GeneratedText(int sheet, int row, int column, int modulo);
  void HeaderCell(int sheet, int row, int column);
  void DataCell(int sheet, int row, int column);
  std::string Json() const;

 private:
  std::vector<std::string> sheets_, headers_, data_;
};

struct ReadersResult {
  int exitCode;
  std::string output;
};

class ReadersTest : public testing::Test {
 protected:
  void SetUp() override;

  ReadersResult RunReaders(const std::string& workbook, const Expectation& expected);
  // The workbook passes the structure check and every reader at hand shows
  // what was written.
  void ExpectReadersAgree(const std::string& workbook, const Expectation& expected);

  // One table's sheet as the sheet writer fills it: a header row, then a
  // data row per entry.
  void WriteTable(ExcelSession& session, Expectation& expected, int sheet, const std::string& name,
                  const std::vector<std::vector<std::string>>& rows);
  // Sheets 1 to `sheets` of `rows` rows (header included) of generated texts.
  void WriteGeneratedSheets(ExcelSession& session, Expectation& expected, int sheets, int rows, int modulo);
  // Saves as the writers do before a save, and quits.
  std::string SaveNew(ExcelSession& session, const std::string& name);

  testenv::ScratchDir dir;
  platform::StderrDialogs dialogs;

 private:
  std::string python_;
};

}  // namespace xlscheck
