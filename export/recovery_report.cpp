#include "export/recovery_report.h"

#include "decode/recovery_tally.h"
#include "export/export_statistics.h"
#include "platform/staged_file.h"

namespace {

std::string Counts(int64_t read, int64_t skipped, int64_t marked, int64_t lost) {
  return RightAligned(std::to_string(read), 11) + RightAligned(std::to_string(skipped), 14) +
         RightAligned(std::to_string(marked), 15) + RightAligned(std::to_string(lost), 12);
}

// A name may hold line breaks: they would start lines of their own.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

std::string RecoveryReportText(const std::string& databasePath, const RecoveryTally& tally,
                               const std::string& lineEnd) {
  std::string text = "Database Path : " + databasePath + lineEnd + lineEnd;
  text += "            Table name             :  Rows read  Rows skipped  Values marked  Pages lost" + lineEnd;
  std::string doubts;
  auto doubt = [&](const std::string& line) { doubts += "  " + OneLine(line) + lineEnd; };
  int64_t read = 0, skipped = 0, marked = 0, lost = 0;
  for (const TableRecovery& table : tally.tables()) {
    const TableDef& def = *table.table;
    text += RightAligned(OneLine(def.name), 35) + ":" +
            Counts(table.rowsRead, table.rowsSkipped, table.valuesMarked, def.lostPages) + lineEnd;
    read += table.rowsRead;
    skipped += table.rowsSkipped;
    marked += table.valuesMarked;
    lost += def.lostPages;
    for (const std::string& line : def.doubts) doubt(def.name + ", column " + line);
    if (table.zeroRows > 0)
      doubt(def.name + ": " + std::to_string(table.zeroRows) + (table.zeroRows == 1 ? " row" : " rows") +
            " without a value skipped");
    for (const std::string& note : table.notes) doubt(note);
    if (table.valuesMarked > static_cast<int64_t>(table.notes.size()))
      doubt(def.name + ": " + std::to_string(table.valuesMarked - static_cast<int64_t>(table.notes.size())) +
            " more values marked");
  }
  text += RightAligned("Total", 35) + ":" + Counts(read, skipped, marked, lost) + lineEnd;
  if (!doubts.empty()) text += lineEnd + "Doubts:" + lineEnd + doubts;
  return text;
}

bool WriteRecoveryReport(const std::string& path, const std::string& databasePath, const RecoveryTally& tally,
                         std::string& problem) {
  return platform::WriteWholeFile(path, RecoveryReportText(databasePath, tally, "\r\n"), problem);
}
