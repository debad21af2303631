#include "xls/sheets.h"

#include "xls/automation_error.h"
#include "xls/sheet_name.h"
#include "xls/workbook.h"
#include "xls/worksheet.h"

namespace xls {
namespace {

constexpr int32_t kXlWorksheet = -4167;
constexpr size_t kNotFound = static_cast<size_t>(-1);

}  // namespace

Sheets::Sheets(Workbook& workbook) : workbook_(workbook) {}

Sheets::~Sheets() = default;

std::shared_ptr<Worksheet> Sheets::Share(Worksheet& sheet) {
  // A sheet held by a caller keeps its workbook alive, as a reference to an
  // automation object does.
  return std::shared_ptr<Worksheet>(workbook_.shared_from_this(), &sheet);
}

Worksheet& Sheets::Insert(size_t at, std::string name) {
  auto sheet = std::make_unique<Worksheet>(workbook_, std::move(name));
  Worksheet& made = *sheet;
  list_.insert(list_.begin() + static_cast<std::ptrdiff_t>(at), std::move(sheet));
  return made;
}

void Sheets::Remove(Worksheet& sheet) {
  size_t i = IndexOf(&sheet);
  if (i == kNotFound) throw AutomationError("Method 'Delete' of object 'Worksheet' failed: it was deleted before.");
  if (list_.size() == 1) {
    throw AutomationError("Method 'Delete' of object 'Worksheet' failed: a workbook must keep at least one sheet.");
  }
  sheet.deleted_ = true;
  deleted_.push_back(std::move(list_[i]));
  list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
  if (active_ > i || active_ == list_.size()) --active_;
}

size_t Sheets::IndexOf(const Worksheet* sheet) const {
  for (size_t i = 0; i < list_.size(); ++i) {
    if (list_[i].get() == sheet) return i;
  }
  return kNotFound;
}

bool Sheets::IsNameTaken(std::string_view name, const Worksheet* except) const {
  for (const auto& sheet : list_) {
    if (sheet.get() != except && SameSheetName(sheet->name_, name)) return true;
  }
  return false;
}

std::shared_ptr<Worksheet> Sheets::Item(const Variant& index) {
  workbook_.CheckOpen();
  if (std::optional<int32_t> number = index.Number()) {
    if (*number >= 1 && static_cast<size_t>(*number) <= list_.size()) return Share(*list_[*number - 1]);
    throw AutomationError("Subscript out of range: the workbook has no sheet " + std::to_string(*number) +
                          ".");
  }
  if (const std::string* name = index.Text()) {
    for (const auto& sheet : list_) {
      if (SameSheetName(sheet->name_, *name)) return Share(*sheet);
    }
    throw AutomationError("Subscript out of range: the workbook has no sheet named \"" + *name + "\".");
  }
  throw AutomationError("Sheets.Item takes a sheet number or name.");
}

std::shared_ptr<Worksheet> Sheets::Add(const Variant& before, const Variant& after, const Variant& count,
                                       const Variant& type) {
  workbook_.CheckOpen();
  if (!count.IsMissing() && count.Number() != 1) throw AutomationError("Sheets.Add adds one sheet at a time.");
  if (!type.IsMissing() && type.Number() != kXlWorksheet) {
    throw AutomationError("Sheets.Add adds worksheets only.");
  }
  if (!before.IsMissing() && !after.IsMissing()) {
    throw AutomationError("Sheets.Add takes Before or After, not both.");
  }
  auto placeOf = [&](const Variant& sheet) {
    size_t i = IndexOf(sheet.Sheet());
    if (i == kNotFound) throw AutomationError("Sheets.Add needs a sheet of the same workbook to place the new one.");
    return i;
  };
  size_t at = active_;
  if (!after.IsMissing()) at = placeOf(after) + 1;
  else if (!before.IsMissing()) at = placeOf(before);

  std::string name;
  for (size_t n = list_.size() + 1;; ++n) {
    name = "Sheet" + std::to_string(n);
    if (!IsNameTaken(name, nullptr)) break;
  }
  Worksheet& sheet = GuardMemory([&]() -> Worksheet& { return Insert(at, std::move(name)); });
  active_ = at;
  return Share(sheet);
}

}  // namespace xls
