// The sheets of a workbook, in tab order: Item gives one (by number from 1,
// or by name), Add inserts a new worksheet before or after a given one.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/variant.h"

namespace xls {

class Workbook;
class Worksheet;

class Sheets {
 public:
  explicit Sheets(Workbook& workbook);
  ~Sheets();
  Sheets(const Sheets&) = delete;
  Sheets& operator=(const Sheets&) = delete;

  std::shared_ptr<Worksheet> Item(const Variant& index);
  // One worksheet (count missing or 1, type missing or xlWorksheet -4167),
  // after the sheet given as `after`, before `before`, or, with neither,
  // before the active sheet. The new sheet becomes the active one.
  std::shared_ptr<Worksheet> Add(const Variant& before = OptionalArg, const Variant& after = OptionalArg,
                                 const Variant& count = OptionalArg, const Variant& type = OptionalArg);

 private:
  friend class Workbook;
  friend class Workbooks;
  friend class Worksheet;
  friend class XlsFileWriter;
  friend class XlsFileReader;

  Worksheet& Insert(size_t at, std::string name);
  void Remove(Worksheet& sheet);
  size_t IndexOf(const Worksheet* sheet) const;
  bool IsNameTaken(std::string_view name, const Worksheet* except) const;
  std::shared_ptr<Worksheet> Share(Worksheet& sheet);

  Workbook& workbook_;
  std::vector<std::unique_ptr<Worksheet>> list_;
  // Deleted sheets stay allocated: a caller may still hold a reference.
  std::vector<std::unique_ptr<Worksheet>> deleted_;
  size_t active_ = 0;
};

}  // namespace xls
