// brevantis-cli analyze FILE [--system] [--report]: every table the analysis
// publishes, with its columns as the desktop program's tree shows them, how
// many of its rows came back when fewer than its definition states, and how
// many of its deleted rows can be read; --system lists the system tables
// too. --report reads every row of the tables listed and ends with the
// recovery report an export writes.
#include <cstdio>
#include <optional>

#include "report/progress_channel.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "cli/password_option.h"
#include "cli/standard_output.h"
#include "decode/deleted_row_walk.h"
#include "decode/ole_file_writer.h"
#include "decode/recovery_tally.h"
#include "decode/row_decoder.h"
#include "export/recovery_report.h"
#include "platform/dialogs.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"
#include "reader/row_counts.h"
#include "reader/table_listing.h"

namespace {

const char kUsage[] = "analyze FILE [--system] [--report] [--password PW | --password-file F]";

// Every row of the tables listed, each value decoded, for the report: no
// OLE object is written.
int PrintRecoveryReport(MdbFile& file, const std::atomic<uint8_t>& stopRequested, bool system,
                        const std::string& path) {
  OleFileWriter noFiles{std::string()};
  RowDecoder rows(file, stopRequested, noFiles);
  RecoveryTally tally;
  for (const auto& table : file.tables)
    if (IsTableListed(*table, system) && !TallyTable(rows, *table, tally)) return 1;
  const std::string text = "\n" + RecoveryReportText(path, tally, "\n");
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace

int RunAnalyzeCommand(const std::vector<std::string>& args) {
  std::string path;
  bool system = false;
  Arguments arguments("analyze");
  arguments.Positional("FILE", path);
  arguments.Flag("--system", system);
  bool report = false;
  arguments.Flag("--report", report);
  PasswordOption password;
  password.Declare(arguments);
  if (!arguments.Parse(args)) return UsageError(arguments.error(), kUsage);

  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  std::string error;
  if (!password.Apply(file, error)) return UsageError("brevantis-cli analyze: " + error, kUsage);
  file.ShowSystemTables(system);
  // Counting decodes no value: no OLE file is written.
  OleFileWriter oleFiles(OleFileWriter::BrowserFolder());
  // Made with the first table, once the file's layout is known.
  std::optional<RowDecoder> rows;
  AnalysisResult result = RunAnalysis(file, progress, dialogs, path, [&](const TableDef& table) {
    if (!IsTableListed(table, system)) return;  // the tree leaves such a table out too
    std::string text = table.name + "\n";
    for (const ColumnDef& column : table.columns) text += "  " + ColumnTreeText(column) + "\n";
    if (table.MissingRows() > 0) text += "  (" + RowsOfText(table) + " rows readable)\n";
    if (!rows) rows.emplace(file, progress.stopRequested, oleFiles);
    if (int32_t deleted = CountReadableDeletedRows(*rows, table); deleted > 0)
      text += "  (" + std::to_string(deleted) + " deleted rows readable)\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
  });
  int code = AnalysisExitCode(result);
  if (code == 0 && report) code = PrintRecoveryReport(file, progress.stopRequested, system, path);
  return ExitAfterOutput(code);
}
