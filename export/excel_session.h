// The automation layer between the workbook writers and the workbook engine
// (xls/): it starts the engine, keeps the five objects a writer works with
// (application, its workbooks, the workbook, its sheets, the worksheet) and
// offers the handful of operations the writers need. Each operation is a
// direct sequence of the engine's members; a call the engine refuses throws
// xls::AutomationError out of it, for the writer to handle, and leaves the
// references as they were.
//
// When the engine cannot start, "Couldn't start Excel." is shown and the
// session stays empty: every later call on an empty reference does nothing
// and yields an empty reference, so rows are still read but nothing saved.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xls/application.h"
#include "xls/automation_error.h"
#include "xls/sheets.h"
#include "xls/variant.h"
#include "xls/workbook.h"
#include "xls/workbooks.h"
#include "xls/worksheet.h"

namespace platform {
class Dialogs;
}

class ExcelSession {
 public:
  // Starts an engine for StartExcel; null (or a throw) when it cannot start.
  using ApplicationFactory = std::function<std::shared_ptr<xls::Application>()>;

  explicit ExcelSession(platform::Dialogs& dialogs,
                        ApplicationFactory startApplication = &xls::Application::Create);

  std::shared_ptr<xls::Application> application;
  std::shared_ptr<xls::Workbooks> workbooks;
  std::shared_ptr<xls::Workbook> workbook;
  std::shared_ptr<xls::Sheets> sheets;
  std::shared_ptr<xls::Worksheet> worksheet;

  void StartExcel();
  // A new workbook, taken as the only open one (Workbooks.Item(1)).
  void NewWorkbook();
  void ReopenWorkbook(const std::string& path);
  // Sheet n from 1 of the workbook; from 4 on, a sheet is first added after
  // sheet n - 1 (a new workbook has three).
  void SelectSheet(int32_t n);
  void NameSheet(std::string_view text);
  // Row 1's cell in column (from 1): bold on light yellow, thin borders;
  // centred unless `centred` is false (the per-table writer's continuation
  // sheets).
  void WriteHeaderCell(int32_t column, std::string_view text, bool centred = true);
  // The cell at row and column (from 1), stored as text whatever it looks
  // like (a leading apostrophe), centred, thin borders.
  void WriteDataCell(int32_t row, int32_t column, std::string_view text);
  // DisplayAlerts and AlertBeforeOverwriting.
  void SetAlerts(bool flag);
  // Saves the workbook under path, closes everything and quits the engine.
  void SaveAndQuit(const std::string& path);

  // The single members the writers call between those operations.
  void AddWorkbook();                 // workbooks = Application.Workbooks; workbook = Workbooks.Add
  void TakeFirstWorkbook();           // workbook = Workbooks.Item(1)
  void TakeActiveWorkbook();          // workbook = Application.ActiveWorkbook
  void SetDisplayAlerts(bool flag);   // Application.DisplayAlerts = flag

 private:
  platform::Dialogs& dialogs_;
  ApplicationFactory startApplication_;
  xls::Variant cellValue_;
};
