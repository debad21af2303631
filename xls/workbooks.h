// The application's open workbooks. Add makes a new one with three sheets,
// "Sheet1" to "Sheet3"; Open reopens a workbook this engine saved; Item
// gives one by number from 1; Close closes them all without saving.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "xls/variant.h"

namespace xls {

class Application;
class Workbook;

class Workbooks {
 public:
  explicit Workbooks(Application& application) : application_(application) {}
  ~Workbooks();
  Workbooks(const Workbooks&) = delete;
  Workbooks& operator=(const Workbooks&) = delete;

  // Only the default template (missing) is offered.
  std::shared_ptr<Workbook> Add(const Variant& templateName = OptionalArg);
  std::shared_ptr<Workbook> Item(const Variant& index);
  // Of the optional arguments only ReadOnly has an effect: a workbook opened
  // read-only is not saved over its own file.
  std::shared_ptr<Workbook> Open(const std::string& filename, const Variant& updateLinks = OptionalArg,
                                 const Variant& readOnly = OptionalArg, const Variant& format = OptionalArg,
                                 const Variant& password = OptionalArg,
                                 const Variant& writeResPassword = OptionalArg,
                                 const Variant& ignoreReadOnlyRecommended = OptionalArg,
                                 const Variant& origin = OptionalArg, const Variant& delimiter = OptionalArg,
                                 const Variant& editable = OptionalArg, const Variant& notify = OptionalArg,
                                 const Variant& converter = OptionalArg, const Variant& addToMru = OptionalArg,
                                 const Variant& local = OptionalArg, const Variant& corruptLoad = OptionalArg);
  void Close();

 private:
  friend class Application;
  friend class Workbook;

  void Remove(const Workbook& book);

  Application& application_;
  std::vector<std::shared_ptr<Workbook>> open_;  // in the order opened; the last is active
};

}  // namespace xls
