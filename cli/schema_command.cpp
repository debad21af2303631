// brevantis-cli schema FILE [--dialect sqlite|postgres|mysql] [--system]: the
// analysis, then the database's schema as DDL for the dialect on stdout,
// with the system tables too when asked. What of the
// schema was left out goes to stderr and the error log as well as into the
// DDL's comments.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/password_option.h"
#include "cli/commands.h"
#include "cli/console_watchers.h"
#include "cli/standard_output.h"
#include "decode/schema_reader.h"
#include "export/ddl_writer.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"
#include "report/log_writer.h"
#include "report/progress_channel.h"

namespace {

const char kUsage[] = "schema FILE [--dialect sqlite|postgres|mysql] [--system] [--password PW | --password-file F]";

}  // namespace

int RunSchemaCommand(const std::vector<std::string>& args) {
  std::string path, dialectName = "sqlite";
  bool system = false;
  Arguments arguments("schema");
  arguments.Positional("FILE", path);
  arguments.Option("--dialect", dialectName);
  arguments.Flag("--system", system);
  PasswordOption password;
  password.Declare(arguments);
  if (!arguments.Parse(args)) return UsageError(arguments.error(), kUsage);
  std::optional<SqlDialect> dialect = SqlDialectNamed(dialectName);
  if (!dialect) return UsageError("brevantis-cli schema: unknown dialect " + dialectName, kUsage);

  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  std::string error;
  if (!password.Apply(file, error)) return UsageError("brevantis-cli schema: " + error, kUsage);
  file.ShowSystemTables(system);
  AnalysisResult result = RunAnalysis(file, progress, dialogs, path);
  if (result != AnalysisResult::Read) return AnalysisExitCode(result);

  const DatabaseSchema schema = ReadDatabaseSchema(file, system, progress.stopRequested);
  if (!schema.notes.empty()) {
    LogWriter log;
    log.LogSessionHeader();
    for (const std::string& note : schema.notes) {
      std::fprintf(stderr, "%s\n", note.c_str());
      log.LogEntry(0, 0, path + ": schema: " + note, 1);
    }
  }
  const std::string script = DdlWriter::Make(*dialect, schema)->Script();
  std::fwrite(script.data(), 1, script.size(), stdout);
  return ExitAfterOutput(0);
}
