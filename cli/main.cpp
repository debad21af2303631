// brevantis-cli: the analysis, the rows and the export without windows.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

const char kUsage[] =
    "usage: brevantis-cli analyze FILE\n"
    "       brevantis-cli rows FILE TABLE [--page N | --all | --deleted]\n"
    "       brevantis-cli export FILE --to DIR [--per-table] [--tables NAME[,NAME...]]\n"
    "                            [--format xls|xlsx|csv] [--deleted]\n"
    "       brevantis-cli --version | --help\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  std::string command = args.front();
  args.erase(args.begin());
  if (command == "analyze") return RunAnalyzeCommand(args);
  if (command == "rows") return RunRowsCommand(args);
  if (command == "export") return RunExportCommand(args);
  if (command == "--version") {
    std::printf("brevantis-cli %s\n", BREVANTIS_VERSION);
    return 0;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::fprintf(stderr, "unknown command: %s\n%s", command.c_str(), kUsage);
  return 1;
}
