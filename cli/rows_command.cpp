// brevantis-cli rows FILE TABLE [--page N | --all | --deleted] [--system]:
// one table as CSV, a header of column names and one line per row, the
// values as rendered. --all gives every row as the sheets get them; --page N
// the rows of the record browser's Nth page; --deleted the deleted rows that
// can still be read. A system table is found only with --system.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/progress_channel.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "cli/password_option.h"
#include "cli/standard_output.h"
#include "cli/table_csv.h"
#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"

namespace {

const char kUsage[] = "rows FILE TABLE [--page N | --all | --deleted] [--system] [--password PW | --password-file F]";

}  // namespace

int RunRowsCommand(const std::vector<std::string>& args) {
  std::string path, tableName, pageText;
  bool all = false, pageGiven = false, deleted = false, system = false;
  Arguments arguments("rows");
  arguments.Positional("FILE", path);
  arguments.Positional("TABLE", tableName);
  arguments.Option("--page", pageText, &pageGiven);
  arguments.Flag("--all", all);
  arguments.Flag("--deleted", deleted);
  arguments.Flag("--system", system);
  PasswordOption password;
  password.Declare(arguments);
  if (!arguments.Parse(args)) return UsageError(arguments.error(), kUsage);
  long page = 0;  // 0: every row
  if (int{all} + int{pageGiven} + int{deleted} > 1)
    return UsageError("brevantis-cli rows: --page, --all and --deleted exclude each other", kUsage);
  const RowSet rowSet = deleted ? RowSet::Deleted : RowSet::Live;
  if (pageGiven) {
    char* end = nullptr;
    page = std::strtol(pageText.c_str(), &end, 10);
    if (pageText.empty() || *end != '\0' || page < 1) {
      return UsageError("brevantis-cli rows: --page takes a page number from 1, not " + pageText, kUsage);
    }
  }

  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  std::string error;
  if (!password.Apply(file, error)) return UsageError("brevantis-cli rows: " + error, kUsage);
  file.ShowSystemTables(system);
  AnalysisResult result = RunAnalysis(file, progress, dialogs, path);
  if (result != AnalysisResult::Read) return AnalysisExitCode(result);

  TableDef* table = nullptr;
  for (auto& candidate : file.tables)
    if (candidate->name == tableName && IsTableListed(*candidate, system)) {
      table = candidate.get();
      break;
    }
  if (!table) {
    std::fprintf(stderr, "unknown table: %s\n", tableName.c_str());
    return 1;
  }

  OleFileWriter oleFiles(OleFileWriter::BrowserFolder());
  RowDecoder rows(file, progress.stopRequested, oleFiles);
  int code = ExitAfterOutput(WriteTableCsv(rows, *table, page, stdout, rowSet) ? 0 : 1);
  OleFileWriter::Failures ole = oleFiles.TakeFailures();
  if (ole.count > 0) {
    std::fprintf(stderr, "brevantis-cli: %d OLE object(s) could not be written, the first %s\n", ole.count,
                 ole.first.c_str());
    code = 1;
  }
  return code;
}
