// brevantis-cli export FILE --to DIR [--per-table] [--tables NAME[,NAME...]]
// [--table NAME]... [--format xls|xlsx|csv|sqlite|sql] [--dialect D] [--deleted] [--system]
// brevantis-cli export FILE --to postgresql://USER@HOST/DB [--replace] ...:
// the analysis, then the export as Export/Save and the export window run it,
// with DIR (or the server) as the destination. The job's messages go to
// stderr, the record counts to stdout. SIGINT and SIGTERM stop it as the
// Stop button does.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "report/log_writer.h"
#include "report/progress_channel.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "cli/password_option.h"
#include "cli/standard_output.h"
#include "cli/stop_signals.h"
#include "export/export_folder.h"
#include "export/export_job.h"
#include "export/export_options.h"
#include "export/export_statistics.h"
#include "export/export_view.h"
#include "export/postgres_database.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"

namespace {

const char kUsage[] =
    "export FILE --to DIR [--per-table] [--tables NAME[,NAME...]] [--table NAME]...\n"
    "                            [--format xls|xlsx|csv|sqlite|sql] [--dialect sqlite|postgres|mysql] [--deleted]\n"
    "                            [--system] [--password PW | --password-file F]\n"
    "       brevantis-cli export FILE --to postgresql://USER@HOST/DB [--replace] [--tables ...] [--deleted]";

bool IsServerUrl(const std::string& destination) {
  return destination.rfind("postgresql://", 0) == 0 || destination.rfind("postgres://", 0) == 0;
}

// Messages as they come, one a line; the counts as the statistics file has them.
class ConsoleExportView : public ExportView {
 public:
  void ShowRunning() override {}
  void AddMessage(const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
  }
  void SetPercentage(int) override {}
  void ShowFinished() override {}
  bool ClearStatistics() override {
    std::printf("%s\n", StatisticsHeading().c_str());
    return true;
  }
  void AddStatisticsRow(int, const StatisticsRow& row) override {
    std::string line = StatisticsLine(row) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
};

// "--tables A,B" chooses A and B; a name with a comma in it takes --table.
void AddListedTables(const std::vector<std::string>& lists, std::set<std::string>& tables) {
  for (const std::string& list : lists) {
    for (size_t start = 0;;) {
      size_t comma = list.find(',', start);
      tables.insert(list.substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
}

}  // namespace

int RunExportCommand(const std::vector<std::string>& args) {
  std::string path, destination, formatName = "xls", dialectName;
  bool perTable = false, deleted = false, system = false, replace = false, formatGiven = false;
  std::vector<std::string> tableLists, tableNames;
  Arguments arguments("export");
  arguments.Positional("FILE", path);
  arguments.Option("--to", destination);
  arguments.Flag("--per-table", perTable);
  arguments.Flag("--deleted", deleted);
  arguments.Flag("--system", system);
  arguments.Repeated("--tables", tableLists);
  arguments.Repeated("--table", tableNames);
  arguments.Option("--format", formatName, &formatGiven);
  arguments.Option("--dialect", dialectName);
  arguments.Flag("--replace", replace);
  PasswordOption password;
  password.Declare(arguments);
  if (!arguments.Parse(args)) return UsageError(arguments.error(), kUsage);
  if (destination.empty()) return UsageError("brevantis-cli export: --to DIR is missing", kUsage);
  const bool toServer = IsServerUrl(destination);
  OutputFormat format = OutputFormat::Xls;
  if (toServer) {
    if (formatGiven) return UsageError("brevantis-cli export: --format goes to a folder, not to a server", kUsage);
    format = OutputFormat::Postgres;
  } else if (formatName == "xlsx") {
    format = OutputFormat::Xlsx;
  } else if (formatName == "csv") {
    format = OutputFormat::Csv;
  } else if (formatName == "sqlite") {
    format = OutputFormat::Sqlite;
  } else if (formatName == "sql") {
    format = OutputFormat::SqlScript;
  } else if (formatName != "xls") {
    return UsageError("brevantis-cli export: unknown format " + formatName, kUsage);
  }
  SqlDialect dialect = SqlDialect::Sqlite;
  if (!dialectName.empty()) {
    if (format != OutputFormat::SqlScript)
      return UsageError("brevantis-cli export: --dialect goes with --format sql", kUsage);
    if (!ParseSqlDialect(dialectName, dialect))
      return UsageError("brevantis-cli export: unknown dialect " + dialectName, kUsage);
  }
  if (replace && !toServer)
    return UsageError("brevantis-cli export: --replace goes with --to postgresql://...", kUsage);
  std::set<std::string> chosen(tableNames.begin(), tableNames.end());
  AddListedTables(tableLists, chosen);
  const bool someTables = !tableLists.empty() || !tableNames.empty();

  // Refused before the analysis, which may take long, not after it.
  std::string problem = toServer ? ServerProblem(destination) : DestinationProblem(destination);
  if (!problem.empty()) {
    if (toServer) problem = "Cannot export to " + ServerUrlShown(destination) + ": " + problem;
    std::fprintf(stderr, "%s\n", problem.c_str());
    return 1;
  }

  ProgressChannel progress;
  StopSignals signals([&progress] { progress.RequestStop(); });
  platform::StderrDialogs dialogs;
  MdbFile file;
  std::string error;
  if (!password.Apply(file, error)) return UsageError("brevantis-cli export: " + error, kUsage);
  file.ShowSystemTables(system);
  LogWriter log;
  log.LogSessionHeader();
  ExportJob job(file, progress, dialogs, log);

  // The statistics name the database by its full path.
  std::error_code ec;
  std::string fullPath = std::filesystem::absolute(path, ec).string();
  AnalysisResult analysis = RunAnalysis(file, progress, dialogs, ec ? path : fullPath);
  if (analysis != AnalysisResult::Read) return signals.ExitCode(AnalysisExitCode(analysis));

  ExportOptions options;
  options.workbookMode = perTable ? kExcelPerTable : kExcelPerDatabase;
  options.format = format;
  options.dialect = dialect;
  options.includeDeleted = deleted;
  if (toServer) {
    options.serverUrl = destination;
    options.replaceTables = replace;
  }
  std::set<std::string> unknown = chosen;
  for (const auto& table : file.tables) {
    // The export dialog lists what the tree shows.
    if (!IsTableListed(*table, system)) continue;
    if (someTables && chosen.count(table->name) == 0) continue;
    options.chosenTables.push_back(table.get());
    unknown.erase(table->name);
  }
  if (!unknown.empty()) {
    std::fprintf(stderr, "brevantis-cli: no table named %s\n", unknown.begin()->c_str());
    return 1;
  }
  if (!toServer) {
    options.exportFolder = CreateExportFolder(destination, platform::UtcNow(), platform::LocalNow(), problem);
    if (options.exportFolder.empty()) {
      std::fprintf(stderr, "%s\n", problem.c_str());
      return 1;
    }
  }
  // The analysis leaves its end flag set; the export sets it again at its end.
  progress.finished.store(0);

  ConsoleExportView view;
  int result = job.RunExport(options, view);
  std::fprintf(stderr, "Written to : %s\n",
               (toServer ? ServerUrlShown(destination) : options.exportFolder).c_str());
  return signals.ExitCode(ExitAfterOutput(result == 1 && job.Succeeded() ? 0 : 1));
}
