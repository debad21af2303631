// An open workbook: its sheets, and the strings and formats its cells share.
// Close saves it, when asked, as an Excel 97-2003 file under the given name,
// and takes it out of the application's open workbooks.
#pragma once

#include <memory>
#include <string>

#include "xls/cell_format.h"
#include "xls/sheets.h"
#include "xls/string_table.h"
#include "xls/variant.h"

namespace xls {

class Workbooks;

class Workbook : public std::enable_shared_from_this<Workbook> {
 public:
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  std::shared_ptr<xls::Sheets> Sheets();
  // saveChanges true: saved under filename (or where it was opened from)
  // first; a file that cannot be written, or that exists while the
  // application displays alerts (Excel would ask; nobody can answer here),
  // refuses the call and leaves the workbook open. false or missing: closed
  // without saving.
  void Close(const Variant& saveChanges = OptionalArg, const Variant& filename = OptionalArg,
             const Variant& routeWorkbook = OptionalArg);

 private:
  friend class Workbooks;
  friend class xls::Sheets;
  friend class Worksheet;
  friend class XlsFileWriter;
  friend class XlsFileReader;

  explicit Workbook(Workbooks& owner);
  void CheckOpen() const;

  Workbooks* owner_;  // null once closed
  xls::Sheets sheets_;
  StringTable strings_;
  FormatTable formats_;
  std::string path_;  // the file it was opened from or saved to
  bool readOnly_ = false;
};

}  // namespace xls
