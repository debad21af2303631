// The file formats the export options offer, in the order of their list:
// the name kept in the settings, the list's text, and what the two workbook
// modes are called for the format. A format with a file per table whatever
// the mode (CSV) leaves the mode unchosen.
#pragma once

#include <span>

#include "export/export_options.h"

struct ExportFormatChoice {
  OutputFormat format;
  const char* name;  // in the settings: never changes
  const char* label;
  const char* perDatabase;
  const char* perDatabaseText;
  const char* perTable;
  const char* perTableText;
  bool modeChosen;  // false: one file per table, whatever the mode
};

std::span<const ExportFormatChoice> ExportFormatChoices();
