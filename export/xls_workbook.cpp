#include "export/xls_workbook.h"

#include "format/utf8.h"

#include <algorithm>

#include "export/name_set.h"

namespace {

// A new workbook has three sheets; sheets from the fourth on are added one
// at a time after the last.
constexpr int32_t kDefaultSheets = 3;

}  // namespace

XlsWorkbook::XlsWorkbook(platform::Dialogs& dialogs, ExcelSession::ApplicationFactory startApplication,
                         FailureSink reportFailure)
    : session_(dialogs, std::move(startApplication)), reportFailure_(std::move(reportFailure)) {}

void XlsWorkbook::NewWorkbook(const std::string&) {
  session_.StartExcel();
  session_.NewWorkbook();
}

bool XlsWorkbook::ResumeWorkbook(const std::string& path) {
  session_.TakeActiveWorkbook();
  Save(path, 0);
  session_.StartExcel();
  session_.SetDisplayAlerts(true);
  session_.ReopenWorkbook(path);
  session_.TakeFirstWorkbook();
  return true;
}

void XlsWorkbook::AddSheet(int32_t position, const std::string& base, const std::string& suffix) {
  session_.SelectSheet(position);
  // No other sheet of the workbook, the engine's default sheets included,
  // may have the same name.
  NameSet names(NameSet::Kind::Sheet);
  if (session_.sheets) {
    for (int32_t k = 1; k <= std::max(kDefaultSheets, position); ++k) {
      if (k != position) names.Reserve(session_.sheets->Item(k)->Name());
    }
  }
  session_.NameSheet(names.Add(base, suffix));
}

void XlsWorkbook::Save(const std::string& path, int32_t usedSheets) {
  if (!session_.workbook) {
    reportFailure_("Could not save " + path + ": no workbook was made");
    return;
  }
  if (usedSheets > 0) {
    try {
      std::shared_ptr<xls::Sheets> sheets = session_.workbook->Sheets();
      for (int32_t k = kDefaultSheets; k > usedSheets; --k) sheets->Item(k)->Delete();
    } catch (const xls::AutomationError&) {
      // An empty sheet left in the workbook; the save goes on all the same.
    }
  }
  try {
    // Replacing its own earlier save of the file must not be refused.
    session_.SetAlerts(false);
    session_.SaveAndQuit(path);
  } catch (const xls::AutomationError& error) {
    reportFailure_("Could not save " + path + ": " + error.what());
  }
}

void XlsWorkbook::WriteHeader(const std::vector<std::string>& names, bool centred) {
  columns_ = names.size();
  for (size_t i = 0; i < names.size(); ++i) session_.WriteHeaderCell(static_cast<int32_t>(i + 1), names[i], centred);
}

void XlsWorkbook::WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) {
  for (size_t k = 0; k < columns_ && k < values.size(); ++k) {
    std::string_view value = values[k];
    // The engine makes the last cut, counting as the workbook does.
    if (value.size() > kMaxCellText) value = Utf8Prefix(value, kMaxCellText);
    session_.WriteDataCell(rowNumber, static_cast<int32_t>(k + 1), value);
  }
}
