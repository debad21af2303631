// brevantis-cli rows FILE TABLE [--page N | --all | --deleted]: one table as
// CSV, a header of column names and one line per row, the values as
// rendered. --all gives every row as the sheets get them; --page N the rows
// of the record browser's Nth page; --deleted the deleted rows that can
// still be read.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/progress_channel.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "cli/table_csv.h"
#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"

namespace {

const char kUsage[] = "usage: brevantis-cli rows FILE TABLE [--page N | --all | --deleted]\n";

}  // namespace

int RunRowsCommand(const std::vector<std::string>& args) {
  long page = 0;  // 0: every row
  RowSet rowSet = RowSet::Live;
  if (args.size() == 3 && args[2] == "--deleted") {
    rowSet = RowSet::Deleted;
  } else if (args.size() == 4 && args[2] == "--page") {
    char* end = nullptr;
    page = std::strtol(args[3].c_str(), &end, 10);
    if (*end != '\0' || page < 1) page = -1;
  } else if (!(args.size() == 2 || (args.size() == 3 && args[2] == "--all"))) {
    page = -1;
  }
  if (page < 0 || args[0].empty()) {
    std::fputs(kUsage, stderr);
    return 1;
  }

  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  AnalysisResult result = RunAnalysis(file, progress, dialogs, args[0]);
  if (result != AnalysisResult::Read) return AnalysisExitCode(result);

  TableDef* table = nullptr;
  for (auto& candidate : file.tables)
    if (candidate->name == args[1]) {
      table = candidate.get();
      break;
    }
  if (!table) {
    std::fprintf(stderr, "unknown table: %s\n", args[1].c_str());
    return 1;
  }

  OleFileWriter oleFiles;
  RowDecoder rows(file, progress.stopRequested, oleFiles);
  bool written = WriteTableCsv(rows, *table, page, stdout, rowSet);
  return written && std::fflush(stdout) == 0 ? 0 : 1;
}
