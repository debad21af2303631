#include "xls/workbook.h"

#include <filesystem>
#include <system_error>

#include "xls/application.h"
#include "xls/automation_error.h"
#include "xls/workbooks.h"
#include "xls/worksheet.h"
#include "xls/xls_file_writer.h"

namespace xls {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

}  // namespace

Workbook::Workbook(Workbooks& owner) : owner_(&owner), sheets_(*this) {}

void Workbook::CheckOpen() const {
  if (!owner_) throw AutomationError("The workbook has been closed.");
}

std::shared_ptr<xls::Sheets> Workbook::Sheets() {
  CheckOpen();
  return std::shared_ptr<xls::Sheets>(shared_from_this(), &sheets_);
}

void Workbook::Close(const Variant& saveChanges, const Variant& filename, const Variant&) {
  CheckOpen();
  bool save = false;
  if (!saveChanges.IsMissing()) {
    std::optional<int32_t> flag = saveChanges.Number();
    if (!flag) throw AutomationError("Workbook.Close: SaveChanges must be true or false.");
    save = *flag != 0;
  }
  if (save) {
    std::string target = path_;
    if (!filename.IsMissing()) {
      const std::string* text = filename.Text();
      if (!text || text->empty()) throw AutomationError("Workbook.Close: Filename must be a file name.");
      target = *text;
    }
    if (target.empty()) throw AutomationError("Workbook.Close: the new workbook has no file name to save under.");
    if (readOnly_ && SameFile(target, path_)) {
      throw AutomationError("Cannot save '" + target + "': the workbook was opened read-only.");
    }
    std::error_code ec;
    if (owner_->application_.DisplayAlerts() && std::filesystem::exists(target, ec)) {
      throw AutomationError("A file named '" + target +
                            "' already exists; with alerts displayed it is not replaced without an answer.");
    }
    GuardMemory([&] { XlsFileWriter::Save(*this, target); });
    path_ = target;
  }
  owner_->Remove(*this);
  owner_ = nullptr;
}

}  // namespace xls
