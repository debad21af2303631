// Reopens an Excel 97-2003 workbook this engine saved: sheet names, text
// cells, cells without a value, and their formats, so that sheets can be
// added and the workbook saved again. Strings keep their indexes. Whatever
// the file holds is checked before it is used; a file that is damaged, or
// that holds what the engine could not save again unchanged (numbers,
// formulas, charts), is refused.
#pragma once

#include <string>

namespace xls {

class Workbook;

class XlsFileReader {
 public:
  // Fills an empty workbook; throws AutomationError when refused.
  static void Load(const std::string& path, Workbook& book);
};

}  // namespace xls
