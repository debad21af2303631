// What the export options dialog hands to the export job: where the
// workbooks go, one workbook for the database or one per table, the file
// format, which tables, in the order they were listed, and whether their
// deleted rows go with them.
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
  // Also the deleted rows that can still be read, for each table that has
  // some, in sheets of their own after the table's.
  bool includeDeleted = false;
  // Entries of the session's TableList, which stay in place until the next open.
  std::vector<TableDef*> chosenTables;
};
