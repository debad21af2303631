#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xls/application.h"
#include "xls/automation_error.h"
#include "xls/sheets.h"
#include "xls/workbook.h"
#include "xls/workbooks.h"
#include "xls/worksheet.h"

namespace {

using xls::AutomationError;
using xls::OptionalArg;
using xls::Variant;

class ObjectModelTest : public testing::Test {
 protected:
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int32_t i = 1;; ++i) {
      try {
        names.push_back(sheets->Item(i)->Name());
      } catch (const AutomationError&) {
        return names;
      }
    }
  }
  std::shared_ptr<xls::Worksheet> Sheet(int32_t i) { return sheets->Item(i); }

  std::shared_ptr<xls::Application> app = xls::Application::Create();
  std::shared_ptr<xls::Workbooks> books = app->Workbooks();
  std::shared_ptr<xls::Workbook> book = books->Add();
  std::shared_ptr<xls::Sheets> sheets = book->Sheets();
};

TEST_F(ObjectModelTest, ANewWorkbookHasThreeSheetsAndIsTheOnlyOneOpen) {
  EXPECT_EQ(Names(), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_EQ(books->Item(int16_t{1}), book);
  EXPECT_THROW(books->Item(int16_t{2}), AutomationError);
  EXPECT_EQ(app->ActiveWorkbook(), book);
}

TEST_F(ObjectModelTest, AddPlacesTheNewSheetAfterOrBeforeTheOneGiven) {
  EXPECT_EQ(sheets->Add(OptionalArg, Variant(Sheet(3)))->Name(), "Sheet4");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
  sheets->Add(Variant(Sheet(1)));
  // With neither, before the active sheet: the one added last.
  sheets->Add();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Sheet6", "Sheet5", "Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
  // A default name already taken by a renamed sheet is passed over.
  Sheet(1)->SetName("Sheet7");
  EXPECT_EQ(sheets->Add(OptionalArg, Variant(Sheet(1)))->Name(), "Sheet8");
}

TEST_F(ObjectModelTest, DeleteTakesASheetOutAndKeepsTheLastOne) {
  auto second = Sheet(2);
  sheets->Add(OptionalArg, Variant(Sheet(3)));  // Sheet4, the active one
  Sheet(4)->Delete();
  second->Delete();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Sheet1", "Sheet3"}));
  EXPECT_THROW(second->Range("A1"), AutomationError);
  EXPECT_THROW(second->SetName("Again"), AutomationError);
  EXPECT_THROW(second->Delete(), AutomationError);
  sheets->Add();  // before the active sheet, which moved to the last one left
  EXPECT_EQ(Names(), (std::vector<std::string>{"Sheet1", "Sheet4", "Sheet3"}));
  Sheet(1)->Delete();
  Sheet(1)->Delete();
  EXPECT_THROW(Sheet(1)->Delete(), AutomationError);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Sheet3"}));
}

TEST_F(ObjectModelTest, AddRefusesWhatItCannotDo) {
  auto other = books->Add()->Sheets()->Item(1);
  EXPECT_THROW(sheets->Add(Variant(Sheet(1)), Variant(Sheet(2))), AutomationError);
  EXPECT_THROW(sheets->Add(OptionalArg, Variant(other)), AutomationError);
  EXPECT_THROW(sheets->Add(OptionalArg, Variant("Sheet1")), AutomationError);
  EXPECT_THROW(sheets->Add(OptionalArg, OptionalArg, Variant(int32_t{2})), AutomationError);
  EXPECT_THROW(sheets->Add(OptionalArg, OptionalArg, OptionalArg, Variant(int32_t{-4109})), AutomationError);
  EXPECT_EQ(Names().size(), 3u);
}

TEST_F(ObjectModelTest, ItemFindsASheetByNumberOrByNameIgnoringCase) {
  EXPECT_EQ(sheets->Item("sHEET2"), Sheet(2));
  EXPECT_THROW(sheets->Item(int32_t{0}), AutomationError);
  EXPECT_THROW(sheets->Item(int32_t{4}), AutomationError);
  EXPECT_THROW(sheets->Item("Sheet9"), AutomationError);
  EXPECT_THROW(sheets->Item(OptionalArg), AutomationError);
}

TEST_F(ObjectModelTest, RenamingRefusesWhatExcelRefusesAndKeepsTheOldName) {
  Sheet(1)->SetName("Orders");
  Sheet(1)->SetName("ORDERS");  // its own name in another case
  EXPECT_THROW(Sheet(2)->SetName("orders"), AutomationError);
  EXPECT_THROW(Sheet(2)->SetName("Sales/2020"), AutomationError);
  EXPECT_THROW(Sheet(2)->SetName("History"), AutomationError);
  EXPECT_THROW(Sheet(2)->SetName(std::string(32, 'x')), AutomationError);
  EXPECT_EQ(Names(), (std::vector<std::string>{"ORDERS", "Sheet2", "Sheet3"}));
}

TEST_F(ObjectModelTest, RangeIsOneCellOfTheSheet) {
  auto sheet = Sheet(1);
  EXPECT_NO_THROW(sheet->Range("IV65536", "IV65536"));
  EXPECT_NO_THROW(sheet->Range("a1", "$A$1"));
  EXPECT_NO_THROW(sheet->Range("B2"));
  EXPECT_THROW(sheet->Range("IW1", "IW1"), AutomationError);
  EXPECT_THROW(sheet->Range("A65537", "A65537"), AutomationError);
  EXPECT_THROW(sheet->Range("A1", "B1"), AutomationError);
  EXPECT_THROW(sheet->Range("A1:B2"), AutomationError);
  EXPECT_THROW(sheet->Range(Variant(int32_t{1})), AutomationError);
  // By number, from 1, as Cells(row, column).
  EXPECT_NO_THROW(sheet->Cells(int32_t{65536}, int32_t{256}));
  EXPECT_THROW(sheet->Cells(int32_t{0}, int32_t{1}), AutomationError);
  EXPECT_THROW(sheet->Cells(int32_t{65537}, int32_t{1}), AutomationError);
  EXPECT_THROW(sheet->Cells(int32_t{1}, int32_t{257}), AutomationError);
  EXPECT_THROW(sheet->Cells(Variant("1"), int32_t{1}), AutomationError);
}

TEST_F(ObjectModelTest, ValuesExcelWouldNotTakeAreRefused) {
  xls::Range cell = Sheet(1)->Range("C3");
  EXPECT_THROW(cell.SetValue2(Variant(int32_t{5})), AutomationError);
  EXPECT_THROW(cell.SetValue2(OptionalArg), AutomationError);
  EXPECT_THROW(cell.Interior().SetColorIndex(Variant(int32_t{57})), AutomationError);
  EXPECT_THROW(cell.Interior().SetColorIndex(Variant(int32_t{0})), AutomationError);
  EXPECT_THROW(cell.Font().SetBold(Variant("yes")), AutomationError);
  EXPECT_THROW(cell.SetHorizontalAlignment(Variant(int16_t{2})), AutomationError);
  EXPECT_THROW(cell.Borders().SetWeight(Variant(int16_t{3})), AutomationError);
  EXPECT_NO_THROW(cell.Interior().SetColorIndex(Variant(int32_t{-4142})));
  EXPECT_NO_THROW(cell.Borders().SetWeight(Variant(int32_t{-4138})));
}

TEST_F(ObjectModelTest, TooManyDifferentFormatsAreRefused) {
  auto sheet = Sheet(1);
  // 56 colours, bold or not, four border weights: 448 looks.
  auto everyLook = [&] {
    for (int32_t colour = 1; colour <= 56; ++colour) {
      for (int16_t bold : {0, 1}) {
        for (int16_t weight : {1, 2, 4, -4138}) {
          xls::Range cell = sheet->Range("A1");
          cell.Interior().SetColorIndex(Variant(colour));
          cell.Font().SetBold(Variant(bold));
          cell.Borders().SetWeight(Variant(weight));
        }
      }
    }
  };
  EXPECT_THROW(everyLook(), AutomationError);
}

TEST_F(ObjectModelTest, AClosedWorkbookRefusesEveryCall) {
  auto sheet = Sheet(1);
  book->Close(Variant(false));
  EXPECT_THROW(book->Sheets(), AutomationError);
  EXPECT_THROW(sheet->Name(), AutomationError);
  EXPECT_THROW(sheet->Range("A1"), AutomationError);
  EXPECT_THROW(sheets->Item(1), AutomationError);
  EXPECT_THROW(book->Close(), AutomationError);
  EXPECT_THROW(books->Item(int16_t{1}), AutomationError);
  EXPECT_EQ(app->ActiveWorkbook(), nullptr);
}

TEST_F(ObjectModelTest, TheActiveWorkbookIsTheLastOneOpened) {
  auto second = books->Add();
  EXPECT_EQ(app->ActiveWorkbook(), second);
  second->Close();
  EXPECT_EQ(app->ActiveWorkbook(), book);
}

TEST_F(ObjectModelTest, QuitClosesEverythingAndRefusesLaterCalls) {
  app->Quit();
  EXPECT_THROW(app->Workbooks(), AutomationError);
  EXPECT_THROW(app->SetDisplayAlerts(false), AutomationError);
  EXPECT_THROW(books->Add(), AutomationError);
  EXPECT_THROW(book->Sheets(), AutomationError);
}

TEST_F(ObjectModelTest, ObjectsHeldAfterTheApplicationIsGoneRefuseCalls) {
  auto sheet = Sheet(2);
  app.reset();
  books.reset();
  sheets.reset();
  EXPECT_THROW(book->Sheets(), AutomationError);
  book.reset();
  EXPECT_THROW(sheet->Range("A1"), AutomationError);
}

}  // namespace
