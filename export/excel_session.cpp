#include "export/excel_session.h"

#include <charconv>

#include "platform/dialogs.h"

namespace {

// The program's texts may hold zero bytes; a cell or a name takes the text
// up to the first, as a C string handed to the automation server would.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

constexpr int32_t kLightYellow = 19;
constexpr int16_t kCentre = -4108;  // xlCenter
constexpr int16_t kThin = 2;        // xlThin

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

void ExcelSession::WriteHeaderCell(const std::string& address, std::string_view text, bool centred) {
  if (!worksheet) return;
  xls::Variant where(address);
  xls::Range range = worksheet->Range(where, where);
  range.SetValue2(xls::Variant(std::string(UpToZero(text))));
  range.Interior().SetColorIndex(kLightYellow);
  range.Font().SetBold(xls::ArgTrue);
  if (centred) range.SetHorizontalAlignment(kCentre);
  range.Borders().SetWeight(kThin);
}

void ExcelSession::WriteDataCell(const std::string& address, std::string_view text) {
  if (!worksheet) return;
  text = UpToZero(text);
  std::string value;
  value.reserve(text.size() + 1);
  value += '\'';
  value += text;
  xls::Variant where(address);
  xls::Range range = worksheet->Range(where, where);
  range.SetValue2(xls::Variant(std::move(value)));
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

std::string ExcelSession::CellAddress(int32_t columnIndex, int32_t rowNumber) {
  char text[16];
  char* end = text;
  if (columnIndex < 26) {
    *end++ = static_cast<char>('A' + columnIndex);
  } else {
    *end++ = static_cast<char>('A' + (columnIndex / 26 - 1));
    *end++ = static_cast<char>('A' + columnIndex % 26);
  }
  end = std::to_chars(end, text + sizeof text, rowNumber).ptr;
  return std::string(text, end);
}
