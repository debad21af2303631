#include "xls/application.h"

#include "xls/automation_error.h"
#include "xls/workbook.h"

namespace xls {

std::shared_ptr<Application> Application::Create() {
  return std::shared_ptr<Application>(new Application());
}

void Application::CheckRunning() const {
  if (quit_) throw AutomationError("The application has quit.");
}

std::shared_ptr<xls::Workbooks> Application::Workbooks() {
  CheckRunning();
  return std::shared_ptr<xls::Workbooks>(shared_from_this(), &workbooks_);
}

std::shared_ptr<Workbook> Application::ActiveWorkbook() {
  CheckRunning();
  return workbooks_.open_.empty() ? nullptr : workbooks_.open_.back();
}

void Application::SetDisplayAlerts(bool flag) {
  CheckRunning();
  displayAlerts_ = flag;
}

void Application::SetAlertBeforeOverwriting(bool flag) {
  CheckRunning();
  alertBeforeOverwriting_ = flag;
}

void Application::Quit() {
  CheckRunning();
  workbooks_.Close();
  quit_ = true;
}

}  // namespace xls
