// What the export options dialog hands to the export job: where the
// workbooks go, one workbook for the database or one per table, the file
// format, and which tables, in the order they were listed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TableDef;

constexpr int32_t kExcelPerDatabase = 12;
constexpr int32_t kExcelPerTable = 13;

enum class OutputFormat { Xls, Xlsx, Csv };

struct ExportOptions {
  // The dated folder made by Export/Save; empty until then.
  std::string exportFolder;
  // kExcelPerTable, or anything else for one workbook per database.
  int32_t workbookMode = kExcelPerDatabase;
  // CSV has a file per table whatever the mode.
  OutputFormat format = OutputFormat::Xls;
  // Entries of the session's TableList, which stay in place until the next open.
  std::vector<TableDef*> chosenTables;
};
