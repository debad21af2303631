#include "export/excel_session.h"

#include "platform/dialogs.h"

namespace {

// The program's texts may hold zero bytes; a cell or a name takes the text
// up to the first, as a C string handed to the automation server would.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

const xls::Variant kLightYellow{int32_t{19}};
const xls::Variant kCentre{int16_t{-4108}};  // xlCenter
const xls::Variant kThin{int16_t{2}};        // xlThin

}  // namespace

ExcelSession::ExcelSession(platform::Dialogs& dialogs, ApplicationFactory startApplication)
    : dialogs_(dialogs), startApplication_(std::move(startApplication)) {}

void ExcelSession::StartExcel() {
  try {
    application = startApplication_();
  } catch (const std::exception&) {
    application = nullptr;
  }
  if (!application) {
    dialogs_.ShowMessage("Couldn't start Excel.", "Corvanel Brevantis", platform::MessageButtons::Ok,
                         platform::MessageIcon::Warning);
  }
}

void ExcelSession::AddWorkbook() {
  workbooks = application ? application->Workbooks() : nullptr;
  workbook = workbooks ? workbooks->Add(xls::OptionalArg) : nullptr;
}

void ExcelSession::TakeFirstWorkbook() { workbook = workbooks ? workbooks->Item(int16_t{1}) : nullptr; }

void ExcelSession::TakeActiveWorkbook() { workbook = application ? application->ActiveWorkbook() : nullptr; }

void ExcelSession::NewWorkbook() {
  AddWorkbook();
  TakeFirstWorkbook();
}

void ExcelSession::ReopenWorkbook(const std::string& path) {
  workbooks = application ? application->Workbooks() : nullptr;
  using xls::OptionalArg;
  workbook = workbooks ? workbooks->Open(path, OptionalArg, xls::ArgFalse, xls::ArgTrue, OptionalArg, OptionalArg,
                                         OptionalArg, OptionalArg, OptionalArg, OptionalArg, OptionalArg,
                                         OptionalArg, OptionalArg, OptionalArg, OptionalArg)
                       : nullptr;
}

void ExcelSession::SelectSheet(int32_t n) {
  sheets = workbook ? workbook->Sheets() : nullptr;
  if (!sheets) {
    worksheet = nullptr;
    return;
  }
  if (n >= 4) {
    std::shared_ptr<xls::Worksheet> previous = sheets->Item(n - 1);
    sheets->Add(xls::OptionalArg, xls::Variant(previous), xls::OptionalArg, xls::OptionalArg);
  }
  worksheet = sheets->Item(n);
}

void ExcelSession::NameSheet(std::string_view text) {
  if (worksheet) worksheet->SetName(UpToZero(text));
}

void ExcelSession::WriteHeaderCell(int32_t column, std::string_view text, bool centred) {
  if (!worksheet) return;
  xls::Range range = worksheet->Cells(int32_t{1}, column);
  cellValue_.TextToFill().assign(UpToZero(text));
  range.SetValue2(cellValue_);
  range.Interior().SetColorIndex(kLightYellow);
  range.Font().SetBold(xls::ArgTrue);
  if (centred) range.SetHorizontalAlignment(kCentre);
  range.Borders().SetWeight(kThin);
}

void ExcelSession::WriteDataCell(int32_t row, int32_t column, std::string_view text) {
  if (!worksheet) return;
  xls::Range range = worksheet->Cells(row, column);
  // The value is reused from cell to cell: no allocation a cell.
  std::string& value = cellValue_.TextToFill();
  value.assign(1, '\'');
  value += UpToZero(text);
  range.SetValue2(cellValue_);
  range.SetHorizontalAlignment(kCentre);
  range.Borders().SetWeight(kThin);
}

void ExcelSession::SetDisplayAlerts(bool flag) {
  if (application) application->SetDisplayAlerts(flag);
}

void ExcelSession::SetAlerts(bool flag) {
  if (!application) return;
  application->SetDisplayAlerts(flag);
  application->SetAlertBeforeOverwriting(flag);
}

void ExcelSession::SaveAndQuit(const std::string& path) {
  if (workbook) workbook->Close(xls::Variant(true), xls::Variant(path), xls::OptionalArg);
  if (workbooks) workbooks->Close();
  worksheet = nullptr;
  sheets = nullptr;
  workbook = nullptr;
  workbooks = nullptr;
  if (application) application->Quit();
  application = nullptr;
}

