#include "xls/workbooks.h"

#include <algorithm>

#include "xls/application.h"
#include "xls/automation_error.h"
#include "xls/workbook.h"
#include "xls/xls_file_reader.h"

namespace xls {

Workbooks::~Workbooks() {
  // Workbooks still held elsewhere outlive the application as closed ones.
  for (auto& book : open_) book->owner_ = nullptr;
}

std::shared_ptr<Workbook> Workbooks::Add(const Variant& templateName) {
  application_.CheckRunning();
  if (!templateName.IsMissing()) throw AutomationError("Workbooks.Add: only the default template is offered.");
  return GuardMemory([&] {
    std::shared_ptr<Workbook> book(new Workbook(*this));
    for (size_t i = 0; i < 3; ++i) book->sheets_.Insert(i, "Sheet" + std::to_string(i + 1));
    open_.push_back(book);
    return book;
  });
}

std::shared_ptr<Workbook> Workbooks::Item(const Variant& index) {
  application_.CheckRunning();
  std::optional<int32_t> number = index.Number();
  if (!number) throw AutomationError("Workbooks.Item takes a workbook number.");
  if (*number < 1 || static_cast<size_t>(*number) > open_.size()) {
    throw AutomationError("Subscript out of range: workbook " + std::to_string(*number) + " is not open.");
  }
  return open_[*number - 1];
}

std::shared_ptr<Workbook> Workbooks::Open(const std::string& filename, const Variant&, const Variant& readOnly,
                                          const Variant&, const Variant&, const Variant&, const Variant&,
                                          const Variant&, const Variant&, const Variant&, const Variant&,
                                          const Variant&, const Variant&, const Variant&, const Variant&) {
  application_.CheckRunning();
  bool openReadOnly = false;
  if (!readOnly.IsMissing()) {
    std::optional<int32_t> flag = readOnly.Number();
    if (!flag) throw AutomationError("Workbooks.Open: ReadOnly must be true or false.");
    openReadOnly = *flag != 0;
  }
  return GuardMemory([&] {
    std::shared_ptr<Workbook> book(new Workbook(*this));
    XlsFileReader::Load(filename, *book);
    book->path_ = filename;
    book->readOnly_ = openReadOnly;
    open_.push_back(book);
    return book;
  });
}

void Workbooks::Close() {
  application_.CheckRunning();
  for (auto& book : open_) book->owner_ = nullptr;
  open_.clear();
}

void Workbooks::Remove(const Workbook& book) {
  open_.erase(std::remove_if(open_.begin(), open_.end(), [&](const auto& b) { return b.get() == &book; }),
              open_.end());
}

}  // namespace xls
