// Workbooks the engine writes, read by the spreadsheet programs at hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/xls/readers_check.h"
#include "tests/xls/xls_file_check.h"

namespace {

using xlscheck::Expectation;
using XlsReadersTest = xlscheck::ReadersTest;
using ReadersResult = xlscheck::ReadersResult;

TEST_F(XlsReadersTest, SmallWorkbookReadsTheSameEverywhere) {
  ExcelSession session(dialogs);
  session.StartExcel();
  session.NewWorkbook();
  Expectation expected;
  WriteTable(session, expected, 1, "Orders",
             {{"Id", "Name", "Price", "Note"},
              {"1", "Café", "12.50", "'quoted"},
              {"007", "Zoë €", "", "a, \"b\""},
              {"=1+1", "TRUE", "1E5", "   spaced"},
              {"2020-01-31", "<b>", "x\ty", "\u0081\u008D\u008F\u0090\u009D"},
              {"Ελληνικά", "Кириллица", "漢字 かな", "😀 🎉"}});
  WriteTable(session, expected, 2, "Ünïcode € œ Ω 漢 😀",
             {{"Text"}, {std::string(300, 'w')}, {"“quoted” …"}});
  expected.Sheet("Sheet3", {});
  ExpectReadersAgree(SaveNew(session, "small.xls"), expected);
}

TEST_F(XlsReadersTest, StringsSplitAcrossContinueRecordsReadTheSameEverywhere) {
  ExcelSession session(dialogs);
  session.StartExcel();
  session.NewWorkbook();
  std::vector<std::vector<std::string>> rows{{"Long", "Wide", "Varied"}};
  std::string euros;
  for (int i = 0; i < 20000; ++i) euros += "€";
  rows.push_back({std::string(32767, 'L'), euros, "short"});
  for (int i = 0; i < 3000; ++i) {
    rows.push_back({std::string(1 + i * 7 % 97, 'a' + i % 26), (i % 5 ? "™" : "😀") + std::to_string(i),
                    std::to_string(i * 7919)});
  }
  Expectation expected;
  WriteTable(session, expected, 1, "Strings", rows);
  expected.Sheet("Sheet2", {});
  expected.Sheet("Sheet3", {});
  std::string path = SaveNew(session, "strings.xls");
  size_t continues = 0;
  for (const auto& record : xlscheck::CheckXlsFile(path).records) continues += record.type == 0x003C;
  EXPECT_GT(continues, 10u);
  ExpectReadersAgree(path, expected);
}

TEST_F(XlsReadersTest, WorkbookOverTheHeadersFatReachReadsTheSameEverywhere) {
  ExcelSession session(dialogs);
  session.StartExcel();
  session.NewWorkbook();
  Expectation expected;
  WriteGeneratedSheets(session, expected, 1, 65536, 65536);  // every text different
  expected.Sheet("Sheet2", {});
  expected.Sheet("Sheet3", {});
  std::string path = SaveNew(session, "difat.xls");
  EXPECT_GT(std::filesystem::file_size(path), 109u * 128 * 512);
  ExpectReadersAgree(path, expected);
}

TEST_F(XlsReadersTest, ReopenedWorkbookWithAFourthSheetReadsTheSameEverywhere) {
  Expectation expected;
  std::string path = dir.File("reopened.xls");
  {
    ExcelSession session(dialogs);
    session.StartExcel();
    session.NewWorkbook();
    WriteTable(session, expected, 1, "First", {{"A", "B"}, {"1", "one"}, {"2", "two"}});
    WriteTable(session, expected, 2, "Second", {{"C"}, {"shared"}});
    expected.Sheet("Sheet3", {});
    session.SetAlerts(false);
    session.SaveAndQuit(path);
  }
  // The per-database writer's way between two tables.
  ExcelSession session(dialogs);
  session.StartExcel();
  session.SetDisplayAlerts(true);
  session.ReopenWorkbook(path);
  session.TakeFirstWorkbook();
  WriteTable(session, expected, 4, "Fourth", {{"D", "E"}, {"shared", "new €"}});
  session.SetAlerts(false);
  session.SaveAndQuit(path);
  ExpectReadersAgree(path, expected);
}

// The check itself: a damaged workbook, or a value that differs, fails in
// every reader at hand.
TEST_F(XlsReadersTest, TheCheckFailsOnABrokenFileAndOnAWrongValue) {
  ExcelSession session(dialogs);
  session.StartExcel();
  session.NewWorkbook();
  Expectation right, wrong;
  std::vector<std::vector<std::string>> rows{{"Name"}};
  for (int i = 0; i < 500; ++i) rows.push_back({"value " + std::to_string(i)});
  WriteTable(session, right, 1, "Data", rows);
  rows[250][0] = "value X";
  wrong.Sheet("Data", rows);
  for (auto* e : {&right, &wrong}) {
    e->Sheet("Sheet2", {});
    e->Sheet("Sheet3", {});
  }
  std::string path = SaveNew(session, "good.xls");
  std::string broken = dir.File("broken.xls");
  std::string bytes = testenv::ReadFile(path);
  testenv::WriteFile(broken, bytes.substr(0, bytes.size() / 2));

  ReadersResult good = RunReaders(path, right);
  if (good.exitCode == 77) GTEST_SKIP() << "no spreadsheet reader installed";
  EXPECT_EQ(good.exitCode, 0) << good.output;
  for (const auto& [file, expected] : {std::pair{broken, &right}, std::pair{path, &wrong}}) {
    ReadersResult result = RunReaders(file, *expected);
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_EQ(result.output.find("PASS"), std::string::npos) << result.output;
  }
}

}  // namespace
