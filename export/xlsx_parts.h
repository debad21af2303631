// The parts of an .xlsx workbook around its sheets' XML: the package's
// content types and relationships, the workbook's list of sheets, and the
// styles the sheets' cells name by index (0 default, 1 header, 2 text,
// 3 number, 4 currency, 5 date and time, 6 time of day).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where sheet `number` (from 1) lives in the package.
std::string XlsxSheetPart(size_t number);

// Each part as its path in the zip and its XML, for a workbook of the
// sheets named (in their order).
struct XlsxPart {
  std::string path;
  std::string xml;
};
std::vector<XlsxPart> XlsxWorkbookParts(const std::vector<std::string>& sheetNames);

// The start and end of a sheet's XML around its rows.
std::string XlsxSheetStart(bool firstSheet);
std::string_view XlsxSheetEnd();

// text escaped for XML character data or a double-quoted attribute:
// markup characters as entities, the control characters XML 1.0 cannot
// hold (and a carriage return, which a parser would turn into a line
// feed) as the spreadsheet escape _xHHHH_. Appended to out.
void AppendXlsxXml(std::string_view text, std::string& out);
