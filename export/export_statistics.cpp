#include "export/export_statistics.h"

#include "format/utf8.h"
#include "platform/staged_file.h"

namespace {

const char kLineEnd[] = "\r\n";

}  // namespace

std::string RightAligned(const std::string& text, size_t width) {
  size_t length = Utf8Length(text);
  return length >= width ? text : std::string(width - length, ' ') + text;
}

std::string StatisticsHeading() {
  return "            Table name             :          No of Records";
}

std::string StatisticsLine(const StatisticsRow& row) {
  std::string line = RightAligned(row.name, 35) + ":" + RightAligned(std::to_string(row.rows), 20);
  return row.note.empty() ? line : line + "  (" + row.note + ")";
}

std::string StatisticsText(const std::string& databasePath, const std::vector<StatisticsRow>& rows,
                           const std::string& closing) {
  std::string text = "Database Path : " + databasePath + kLineEnd + kLineEnd + StatisticsHeading() + kLineEnd;
  for (const StatisticsRow& row : rows) text += StatisticsLine(row) + kLineEnd;
  if (!closing.empty()) text += kLineEnd + closing + kLineEnd;
  return text;
}

std::string SchemaNotesText(const std::vector<std::string>& notes) {
  if (notes.empty()) return "";
  std::string text = "Schema left out:";
  text += kLineEnd;
  for (const std::string& note : notes) {
    // A name may hold line breaks: they would start lines of their own.
    std::string line = note;
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
    text += "  " + line + kLineEnd;
  }
  return text + kLineEnd;
}

bool WriteStatisticsFile(const std::string& path, const std::string& databasePath,
                         const std::vector<StatisticsRow>& rows, const std::string& closing) {
  std::string problem;
  return platform::WriteWholeFile(path, StatisticsText(databasePath, rows, closing), problem);
}
