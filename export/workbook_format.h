// One output format as the workbook modes drive it (workbook_writer.h):
// workbooks made one after the other, each given its path when it is made,
// sheets added one after the other and filled through SheetTarget, then
// saved. The modes' logic (which table goes to which workbook and sheet,
// file names, the sheet limit) is the same for every format; a format says
// only how a workbook is made, continued and saved.
#pragma once

#include <cstdint>
#include <string>

#include "export/sheet_target.h"

class WorkbookFormat : public SheetTarget {
 public:
  // ".xls", ".xlsx", ".csv"
  virtual const char* Extension() const = 0;
  // A new workbook, to be saved at path.
  virtual void NewWorkbook(const std::string& path) = 0;
  // Before the next table's sheet goes into the workbook the last table
  // filled (.xls saves it there and reopens it in a fresh session). True
  // when the workbook is saved at path now.
  virtual bool ResumeWorkbook(const std::string& /*path*/) { return false; }
  // Sheet `position` (from 1) of the workbook made current and named base
  // followed by suffix, made valid and unique in its workbook.
  virtual void AddSheet(int32_t position, const std::string& base, const std::string& suffix) = 0;
  // Saves the workbook at path and lets go of it. usedSheets: the sheets
  // filled, for a format whose new workbook has sheets of its own (0: keep
  // them all, the workbook is reopened). A failure goes to the failure sink,
  // never thrown. A workbook dropped without Save leaves nothing behind
  // (but what a resume saved).
  virtual void Save(const std::string& path, int32_t usedSheets) = 0;
};
