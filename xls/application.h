// The workbook engine in Excel's place: an in-process application with the
// part of Excel's object model that the export drives (Workbooks, Workbook,
// Sheets, Worksheet, Range), writing genuine Excel 97-2003 workbooks. A
// call Excel would refuse throws AutomationError.
#pragma once

#include <memory>

#include "xls/workbooks.h"

namespace xls {

class Workbook;

class Application : public std::enable_shared_from_this<Application> {
 public:
  static std::shared_ptr<Application> Create();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  std::shared_ptr<xls::Workbooks> Workbooks();
  // The workbook opened or added last and not closed yet; null when none is open.
  std::shared_ptr<Workbook> ActiveWorkbook();
  // With alerts displayed, a workbook is not saved over an existing file:
  // Excel would ask first, and nobody can answer here.
  bool DisplayAlerts() const { return displayAlerts_; }
  void SetDisplayAlerts(bool flag);
  // Kept for Excel's sake; it concerns cells dragged over others, which
  // never happens here.
  bool AlertBeforeOverwriting() const { return alertBeforeOverwriting_; }
  void SetAlertBeforeOverwriting(bool flag);
  // Closes every workbook without saving; every later call is refused.
  void Quit();

 private:
  friend class xls::Workbooks;

  Application() : workbooks_(*this) {}
  void CheckRunning() const;

  xls::Workbooks workbooks_;
  bool displayAlerts_ = true;
  bool alertBeforeOverwriting_ = true;
  bool quit_ = false;
};

}  // namespace xls
