// brevantis-cli export FILE --to DIR [--per-table] [--tables NAME[,NAME...]]
// [--format xls|xlsx|csv] [--deleted]:
// the analysis, then the export as Export/Save and the export window run it,
// with DIR as the destination. The job's messages go to stderr, the record
// counts to stdout.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "report/log_writer.h"
#include "report/progress_channel.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "decode/ole_file_writer.h"
#include "export/export_folder.h"
#include "export/export_job.h"
#include "export/export_options.h"
#include "export/export_statistics.h"
#include "export/export_view.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"

namespace {

const char kUsage[] =
    "usage: brevantis-cli export FILE --to DIR [--per-table] [--tables NAME[,NAME...]]"
    " [--format xls|xlsx|csv] [--deleted]\n";

struct ExportArguments {
  std::string file;
  std::string destination;
  bool perTable = false;
  bool deleted = false;
  OutputFormat format = OutputFormat::Xls;
  bool someTables = false;
  std::set<std::string> tables;
};

bool ParseArguments(const std::vector<std::string>& args, ExportArguments& parsed) {
  bool haveDestination = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--to" && i + 1 < args.size()) {
      parsed.destination = args[++i];
      haveDestination = true;
    } else if (arg == "--format" && i + 1 < args.size()) {
      const std::string& name = args[++i];
      if (name == "xls") {
        parsed.format = OutputFormat::Xls;
      } else if (name == "xlsx") {
        parsed.format = OutputFormat::Xlsx;
      } else if (name == "csv") {
        parsed.format = OutputFormat::Csv;
      } else {
        std::fprintf(stderr, "brevantis-cli: unknown format %s\n", name.c_str());
        return false;
      }
    } else if (arg == "--per-table") {
      parsed.perTable = true;
    } else if (arg == "--deleted") {
      parsed.deleted = true;
    } else if (arg == "--tables" && i + 1 < args.size()) {
      parsed.someTables = true;
      const std::string& list = args[++i];
      for (size_t start = 0;;) {
        size_t comma = list.find(',', start);
        parsed.tables.insert(list.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (parsed.file.empty() && !arg.empty() && arg.rfind("--", 0) != 0) {
      parsed.file = arg;
    } else {
      return false;
    }
  }
  return !parsed.file.empty() && haveDestination && !parsed.destination.empty();
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
  void AddStatisticsRow(int, const std::string& name, int32_t rows) override {
    std::string line = StatisticsLine({name, rows}) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
};

}  // namespace

int RunExportCommand(const std::vector<std::string>& args) {
  ExportArguments parsed;
  if (!ParseArguments(args, parsed)) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  OleFileWriter oleFiles;
  LogWriter log;
  log.LogSessionHeader();
  ExportJob job(file, progress, dialogs, log, oleFiles);

  // The statistics name the database by its full path.
  std::error_code ec;
  std::string path = std::filesystem::absolute(parsed.file, ec).string();
  AnalysisResult analysis = RunAnalysis(file, progress, dialogs, ec ? parsed.file : path);
  if (analysis != AnalysisResult::Read) return AnalysisExitCode(analysis);

  ExportOptions options;
  options.workbookMode = parsed.perTable ? kExcelPerTable : kExcelPerDatabase;
  options.format = parsed.format;
  options.includeDeleted = parsed.deleted;
  std::set<std::string> unknown = parsed.tables;
  for (const auto& table : file.tables) {
    // The export dialog lists what the tree shows: named tables.
    if (table->name.empty()) continue;
    if (parsed.someTables && parsed.tables.count(table->name) == 0) continue;
    options.chosenTables.push_back(table.get());
    unknown.erase(table->name);
  }
  if (!unknown.empty()) {
    std::fprintf(stderr, "brevantis-cli: no table named %s\n", unknown.begin()->c_str());
    return 1;
  }
  options.exportFolder =
      CreateExportFolder(parsed.destination, platform::UtcNow(), platform::LocalNow());
  // The analysis leaves its end flag set; the export sets it again at its end.
  progress.finished.store(0);

  ConsoleExportView view;
  int result = job.RunExport(options, view);
  std::fflush(stdout);
  return result == 1 && job.Succeeded() ? 0 : 1;
}
