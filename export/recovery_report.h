// The recovery report: what a walk over the tables' rows had to doubt,
// table by table (decode/recovery_tally.h), as "Recovery Report.log" in an
// export's folder and `analyze --report` print it. One line per table: rows
// read, rows skipped, values marked damaged and pages lost; then a line per
// doubt (a column read by its length's type, rows without a value, the first
// damaged long values).
#pragma once

#include <string>

class RecoveryTally;

inline constexpr char kRecoveryReportFile[] = "Recovery Report.log";

// The report's text, its lines ended by lineEnd.
std::string RecoveryReportText(const std::string& databasePath, const RecoveryTally& tally,
                               const std::string& lineEnd);

// The file in CR LF lines, under its final name only when whole; false with
// the reason in problem when it cannot be written.
bool WriteRecoveryReport(const std::string& path, const std::string& databasePath, const RecoveryTally& tally,
                         std::string& problem);
