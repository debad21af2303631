// Twenty full sheets, the most a workbook gets, read by the spreadsheet
// programs at hand: minutes of reading, so a test program of its own with a
// longer time limit.
#include <gtest/gtest.h>

#include "tests/xls/readers_check.h"

namespace {

using xlscheck::Expectation;
using XlsReadersTest = xlscheck::ReadersTest;

TEST_F(XlsReadersTest, TwentyFullSheetsReadTheSameEverywhere) {
  ExcelSession session(dialogs);
  session.StartExcel();
  session.NewWorkbook();
  Expectation expected;
  WriteGeneratedSheets(session, expected, 20, 65536, 1000);
  ExpectReadersAgree(SaveNew(session, "twenty.xls"), expected);
}

}  // namespace
