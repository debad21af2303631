// Saves a workbook as an Excel 97-2003 file: BIFF8 records in the
// "Workbook" stream of a compound file. The globals (fonts, one XF record
// per cell format, sheet directory, shared strings) come first, then each
// sheet's cells in blocks of 32 rows with the INDEX and DBCELL records that
// point into them. Offsets are worked out before anything is written, so
// the stream goes to disk in one pass and the workbook is never copied.
#pragma once

#include <string>

namespace xls {

class Workbook;

class XlsFileWriter {
 public:
  // Throws AutomationError when the file cannot be written.
  static void Save(Workbook& book, const std::string& path);
};

}  // namespace xls
