#include "app/export_formats.h"

namespace {

constexpr ExportFormatChoice kChoices[] = {
    {OutputFormat::Xls, "xls", "Excel 97-2003 (.xls)", "Excel Per Database",
     "This option will export all tables in a single excel file", "Excel Per Table",
     "This option will export each table in a single Excel file", true},
    {OutputFormat::Xlsx, "xlsx", "Excel (.xlsx)", "Workbook Per Database",
     "All tables in one .xlsx workbook, a sheet each", "Workbook Per Table",
     "Each table in a .xlsx workbook of its own", true},
    {OutputFormat::Csv, "csv", "CSV", "One File For All Tables", "Not for CSV: a file holds one table",
     "File Per Table", "Each table in a .csv file of its own", false},
};

}  // namespace

std::span<const ExportFormatChoice> ExportFormatChoices() { return kChoices; }
