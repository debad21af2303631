#include "export/xlsx_parts.h"

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kPackageRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string ContentTypes(size_t sheets) {
  std::string xml(kDeclaration);
  xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
         "<Override PartName=\"/xl/styles.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
  for (size_t i = 1; i <= sheets; ++i) {
    xml += "<Override PartName=\"/" + XlsxSheetPart(i) +
           "\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
  }
  return xml + "</Types>";
}

std::string PackageRelationships() {
  std::string xml(kDeclaration);
  xml += "<Relationships xmlns=\"";
  xml += kPackageRelationships;
  xml += "\"><Relationship Id=\"rId1\" Type=\"";
  xml += kRelationships;
  xml += "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  return xml;
}

std::string WorkbookRelationships(size_t sheets) {
  std::string xml(kDeclaration);
  xml += "<Relationships xmlns=\"";
  xml += kPackageRelationships;
  xml += "\">";
  for (size_t i = 1; i <= sheets + 1; ++i) {
    const bool styles = i > sheets;
    xml += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"";
    xml += kRelationships;
    xml += styles ? "/styles\" Target=\"styles.xml\"/>"
                  : "/worksheet\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
  }
  return xml + "</Relationships>";
}

std::string Workbook(const std::vector<std::string>& names) {
  std::string xml(kDeclaration);
  xml += "<workbook xmlns=\"";
  xml += kMain;
  xml += "\" xmlns:r=\"";
  xml += kRelationships;
  xml += "\"><bookViews><workbookView xWindow=\"240\" yWindow=\"15\" windowWidth=\"16095\" "
         "windowHeight=\"9660\"/></bookViews><sheets>";
  for (size_t i = 0; i < names.size(); ++i) {
    xml += "<sheet name=\"";
    AppendXlsxXml(names[i], xml);
    const std::string id = std::to_string(i + 1);
    xml += "\" sheetId=\"" + id + "\" r:id=\"rId" + id + "\"/>";
  }
  return xml + "</sheets></workbook>";
}

// Header: bold on light yellow (Excel's colour index 19), centred, thin
// borders. Data: centred with thin borders; text cells keep the text
// format "@" and currency takes the built-in currency format 7, which a
// spreadsheet shows in its own locale's currency.
std::string Styles() {
  std::string xml(kDeclaration);
  xml += "<styleSheet xmlns=\"";
  xml += kMain;
  xml += "\"><numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"@\"/>"
         "<numFmt numFmtId=\"165\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/>"
         "<numFmt numFmtId=\"166\" formatCode=\"hh:mm:ss\"/></numFmts>"
         "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
         "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
         "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill>"
         "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFFFFCC\"/><bgColor indexed=\"64\"/>"
         "</patternFill></fill></fills>"
         "<borders count=\"2\"><border><left/><right/><top/><bottom/><diagonal/></border>"
         "<border><left style=\"thin\"><color auto=\"1\"/></left><right style=\"thin\"><color auto=\"1\"/></right>"
         "<top style=\"thin\"><color auto=\"1\"/></top><bottom style=\"thin\"><color auto=\"1\"/></bottom>"
         "<diagonal/></border></borders>"
         "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
         "<cellXfs count=\"7\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
         "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"2\" borderId=\"1\" xfId=\"0\" applyFont=\"1\" applyFill=\"1\" "
         "applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\"/></xf>";
  for (const char* format : {"164", "0", "7", "165", "166"}) {
    xml += "<xf numFmtId=\"";
    xml += format;
    xml += "\" fontId=\"0\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyNumberFormat=\"1\" applyBorder=\"1\" "
           "applyAlignment=\"1\"><alignment horizontal=\"center\"/></xf>";
  }
  xml += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "<dxfs count=\"0\"/><tableStyles count=\"0\"/></styleSheet>";
  return xml;
}

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '&' || c == '<' || c == '>' || c == '"' || c == 0xEF; }

}  // namespace

std::string XlsxSheetPart(size_t number) { return "xl/worksheets/sheet" + std::to_string(number) + ".xml"; }

std::vector<XlsxPart> XlsxWorkbookParts(const std::vector<std::string>& sheetNames) {
  return {{"xl/workbook.xml", Workbook(sheetNames)},
          {"xl/styles.xml", Styles()},
          {"xl/_rels/workbook.xml.rels", WorkbookRelationships(sheetNames.size())},
          {"_rels/.rels", PackageRelationships()},
          {"[Content_Types].xml", ContentTypes(sheetNames.size())}};
}

std::string XlsxSheetStart(bool firstSheet) {
  std::string xml(kDeclaration);
  xml += "<worksheet xmlns=\"";
  xml += kMain;
  xml += "\" xmlns:r=\"";
  xml += kRelationships;
  xml += firstSheet ? "\"><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
                    : "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>";
  xml += "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData>";
  return xml;
}

std::string_view XlsxSheetEnd() {
  return "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
         "footer=\"0.3\"/></worksheet>";
}

void AppendXlsxXml(std::string_view text, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  size_t plain = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!NeedsEscape(c)) continue;
    const char* entity = nullptr;
    switch (c) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\t':
      case '\n': continue;
      default: break;
    }
    // U+FFFE and U+FFFF are not XML characters either.
    const bool nonCharacter = c == 0xEF && i + 2 < text.size() && text[i + 1] == '\xBF' &&
                              (text[i + 2] == '\xBE' || text[i + 2] == '\xBF');
    if (c == 0xEF && !nonCharacter) continue;
    out.append(text.substr(plain, i - plain));
    if (entity) {
      out += entity;
    } else if (nonCharacter) {
      out += text[i + 2] == '\xBE' ? "_xFFFE_" : "_xFFFF_";
      i += 2;
    } else {
      out += "_x00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
      out += '_';
    }
    plain = i + 1;
  }
  out.append(text.substr(plain));
}
