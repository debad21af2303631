#include "export/excel_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "tests/support/test_env.h"
#include "tests/xls/xls_file_check.h"

namespace {

class RecordingDialogs : public platform::Dialogs {
 public:
  platform::MessageAnswer ShowMessage(const std::string& text, const std::string&, platform::MessageButtons,
                                      platform::MessageIcon) override {
    messages.push_back(text);
    return platform::MessageAnswer::Ok;
  }
  std::vector<std::string> messages;
};

class ExcelSessionTest : public testing::Test {
 protected:
  ExcelSession& Started() {
    session.StartExcel();
    session.NewWorkbook();
    return session;
  }
  std::string NameOf(int32_t n) { return session.sheets->Item(n)->Name(); }

  RecordingDialogs dialogs;
  testenv::ScratchDir dir;
  ExcelSession session{dialogs};
};

TEST_F(ExcelSessionTest, SelectingSheetFourAddsItAfterTheThird) {
  Started().SelectSheet(4);
  EXPECT_EQ(session.worksheet, session.sheets->Item(4));
  EXPECT_EQ(NameOf(3), "Sheet3");
  EXPECT_EQ(NameOf(4), "Sheet4");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ExcelSessionTest, SelectingSheetTwoAddsNone) {
  Started().SelectSheet(2);
  EXPECT_EQ(session.worksheet, session.sheets->Item(2));
  EXPECT_EQ(NameOf(2), "Sheet2");
  EXPECT_THROW(session.sheets->Item(4), xls::AutomationError);
}

TEST_F(ExcelSessionTest, CellsGetTheLooksTheWritersAskFor) {
  Started().SelectSheet(1);
  session.NameSheet(std::string("Tab\0le", 6));
  session.WriteHeaderCell(1, "Id");
  session.WriteHeaderCell(2, "Name", false);  // a per-table continuation header
  session.WriteDataCell(2, 1, "123");
  session.WriteDataCell(2, 2, "");
  session.WriteDataCell(2, 3, std::string("a\0b", 3));
  std::string path = dir.File("looks.xls");
  session.SaveAndQuit(path);

  auto result = xlscheck::CheckXlsFile(path);
  ASSERT_TRUE(result.Sound()) << result.Problems();
  const auto& book = result.book;
  EXPECT_EQ(book.sheets[0].name, "Tab");
  struct Expected {
    uint16_t row, column;
    const char* text;
    uint16_t weight;
    uint8_t fill, horizontal;
    bool prefix;
  };
  for (const Expected& e : {Expected{0, 0, "Id", 700, 26, 2, false}, Expected{0, 1, "Name", 700, 26, 0, false},
                            Expected{1, 0, "123", 400, 0, 2, true}, Expected{1, 1, "", 400, 0, 2, true},
                            Expected{1, 2, "a", 400, 0, 2, true}}) {
    const auto* cell = book.Find(0, e.row, e.column);
    ASSERT_NE(cell, nullptr) << e.row << "," << e.column;
    const auto& xf = book.XfOf(*cell);
    EXPECT_EQ(book.Text(0, e.row, e.column), e.text);
    EXPECT_EQ(book.FontWeightOf(*cell), e.weight) << e.text;
    EXPECT_EQ(xf.fillPattern ? xf.fillColour : 0, e.fill) << e.text;
    EXPECT_EQ(xf.horizontal, e.horizontal) << e.text;
    EXPECT_EQ(xf.quotePrefix, e.prefix) << e.text;
    EXPECT_EQ(xf.left * 1000 + xf.right * 100 + xf.top * 10 + xf.bottom, 1111) << e.text;
  }
}

TEST_F(ExcelSessionTest, RefusalsComeOutOfTheCalls) {
  Started().SelectSheet(1);
  EXPECT_THROW(session.WriteDataCell(1, 257, "x"), xls::AutomationError);
  EXPECT_THROW(session.WriteHeaderCell(0, "x"), xls::AutomationError);
  EXPECT_THROW(session.NameSheet("Sales/2020"), xls::AutomationError);
  EXPECT_THROW(session.SelectSheet(6), xls::AutomationError);
  EXPECT_THROW(session.ReopenWorkbook(dir.File("absent.xls")), xls::AutomationError);
  EXPECT_NE(session.workbook, nullptr);
}

TEST_F(ExcelSessionTest, SaveAndQuitSavesAndLetsGoOfEverything) {
  Started().SelectSheet(1);
  auto application = session.application;
  std::string path = dir.File("saved.xls");
  session.SaveAndQuit(path);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(session.application, nullptr);
  EXPECT_EQ(session.workbooks, nullptr);
  EXPECT_EQ(session.workbook, nullptr);
  EXPECT_EQ(session.sheets, nullptr);
  EXPECT_EQ(session.worksheet, nullptr);
  EXPECT_THROW(application->Workbooks(), xls::AutomationError);  // it has quit
}

TEST_F(ExcelSessionTest, ARefusedSaveKeepsTheReferences) {
  Started().SelectSheet(1);
  session.WriteDataCell(1, 1, "kept");
  EXPECT_THROW(session.SaveAndQuit(dir.File("missing/book.xls")), xls::AutomationError);
  EXPECT_NE(session.application, nullptr);
  EXPECT_NE(session.worksheet, nullptr);
  std::string path = dir.File("book.xls");
  session.SaveAndQuit(path);
  EXPECT_EQ(xlscheck::CheckXlsFile(path).book.Text(0, 0, 0), "kept");
}

TEST_F(ExcelSessionTest, ReplacingAFileTakesAlertsOff) {
  std::string path = dir.File("twice.xls");
  Started().SaveAndQuit(path);
  Started();
  EXPECT_THROW(session.SaveAndQuit(path), xls::AutomationError);
  session.SetAlerts(false);
  session.SaveAndQuit(path);
  EXPECT_EQ(session.application, nullptr);
}

TEST_F(ExcelSessionTest, ReopeningAddsTheNextTablesSheetAsThePerDatabaseWriterDoes) {
  std::string path = dir.File("database.xls");
  Started().SelectSheet(1);
  session.NameSheet("Orders");
  session.WriteDataCell(1, 1, "first");
  session.SetAlerts(false);
  session.SaveAndQuit(path);
  for (int32_t sheet = 2; sheet <= 5; ++sheet) {
    session.StartExcel();
    session.SetDisplayAlerts(true);
    session.ReopenWorkbook(path);
    session.TakeFirstWorkbook();
    session.SelectSheet(sheet);
    session.NameSheet("Table " + std::to_string(sheet));
    session.WriteDataCell(2, 2, std::to_string(sheet));
    session.TakeActiveWorkbook();
    session.SetAlerts(false);
    session.SaveAndQuit(path);
  }
  auto result = xlscheck::CheckXlsFile(path);
  ASSERT_TRUE(result.Sound()) << result.Problems();
  std::vector<std::string> names;
  for (const auto& sheet : result.book.sheets) names.push_back(sheet.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Orders", "Table 2", "Table 3", "Table 4", "Table 5"}));
  EXPECT_EQ(result.book.Text(0, 0, 0), "first");
  EXPECT_EQ(result.book.Text(4, 1, 1), "5");
}

TEST_F(ExcelSessionTest, AnEngineThatCannotStartLeavesAnEmptySessionThatDoesNothing) {
  std::string existing = dir.File("existing.xls");
  Started().SaveAndQuit(existing);
  for (ExcelSession::ApplicationFactory failing :
       {ExcelSession::ApplicationFactory([] { return std::shared_ptr<xls::Application>(); }),
        ExcelSession::ApplicationFactory([]() -> std::shared_ptr<xls::Application> {
          throw xls::AutomationError("no engine");
        })}) {
    RecordingDialogs shown;
    ExcelSession empty(shown, failing);
    empty.StartExcel();
    empty.NewWorkbook();
    empty.ReopenWorkbook(existing);
    empty.TakeFirstWorkbook();
    empty.TakeActiveWorkbook();
    empty.AddWorkbook();
    empty.SelectSheet(4);
    empty.NameSheet("x");
    empty.WriteHeaderCell(1, "x");
    empty.WriteDataCell(2, 1, "x");
    empty.SetAlerts(false);
    empty.SetDisplayAlerts(true);
    std::string path = dir.File("never.xls");
    empty.SaveAndQuit(path);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(empty.workbook, nullptr);
    EXPECT_EQ(empty.worksheet, nullptr);
    empty.StartExcel();
    EXPECT_EQ(shown.messages, (std::vector<std::string>{"Couldn't start Excel.", "Couldn't start Excel."}));
  }
}

}  // namespace
