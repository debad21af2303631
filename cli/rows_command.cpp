#include <cstdio>

#include "cli/commands.h"

int RunRowsCommand(const std::vector<std::string>&) {
  std::fputs("brevantis-cli: rows is not available yet\n", stderr);
  return 1;
}
