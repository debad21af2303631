#include <cstdio>

#include "cli/commands.h"

int RunAnalyzeCommand(const std::vector<std::string>&) {
  std::fputs("brevantis-cli: analyze is not available yet\n", stderr);
  return 1;
}
