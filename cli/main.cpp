// brevantis-cli: the analysis, the rows and the export without windows.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/standard_output.h"

namespace {

const char kUsage[] =
    "usage: brevantis-cli analyze FILE [--system] [--report]\n"
    "       brevantis-cli rows FILE TABLE [--page N | --all | --deleted] [--system]\n"
    "       brevantis-cli export FILE --to DIR [--per-table] [--tables NAME[,NAME...]]\n"
    "                            [--table NAME]... [--format xls|xlsx|csv|sqlite|sql]\n"
    "                            [--dialect sqlite|postgres|mysql] [--deleted] [--system]\n"
    "       brevantis-cli export FILE --to postgresql://USER@HOST/DB [--replace] [--tables ...]\n"
    "       brevantis-cli schema FILE [--dialect sqlite|postgres|mysql] [--system]\n"
    "       brevantis-cli --version | --help | help\n";

const char kExitCodes[] =
    "\n"
    "exit codes:\n"
    "  0  done: the tables were read, the rows printed, every table exported\n"
    "  1  an error: wrong arguments, a file that cannot be opened, a destination\n"
    "     that cannot be written, anything not written or saved (named on stderr)\n"
    "  2  the file was refused: not a Jet 4 database, too damaged to read, or\n"
    "     encrypted and the password missing or not correct\n";

const char kOptions[] =
    "\n"
    "every command:\n"
    "  --system             lists, prints or exports the system tables as well\n"
    "  --password PW        the password of an encrypted database\n"
    "  --password-file F    the same, read from F (out of the process list)\n"
    "\n"
    "analyze:\n"
    "  --report             reads every row and ends with the recovery report: per\n"
    "                       table, rows read, rows skipped, values marked damaged\n"
    "                       and pages lost, then what was doubted\n";

}  // namespace

int UsageError(const std::string& message, const char* usage) {
  std::fprintf(stderr, "%s\nusage: brevantis-cli %s\n", message.c_str(), usage);
  return 1;
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fprintf(stderr, "brevantis-cli: no command given\n%s", kUsage);
    return 1;
  }
  std::string command = args.front();
  args.erase(args.begin());
  if (command == "analyze") return RunAnalyzeCommand(args);
  if (command == "rows") return RunRowsCommand(args);
  if (command == "export") return RunExportCommand(args);
  if (command == "schema") return RunSchemaCommand(args);
  if (command == "--version") {
    std::printf("brevantis-cli %s\n", BREVANTIS_VERSION);
    return ExitAfterOutput(0);
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    std::fputs(kOptions, stdout);
    std::fputs(kExitCodes, stdout);
    return ExitAfterOutput(0);
  }
  std::fprintf(stderr, "brevantis-cli: unknown command %s\n%s", command.c_str(), kUsage);
  return 1;
}
