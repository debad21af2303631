#include <cstdio>

#include "cli/commands.h"

int RunExportCommand(const std::vector<std::string>&) {
  std::fputs("brevantis-cli: export is not available yet\n", stderr);
  return 1;
}
