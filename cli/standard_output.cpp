#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int ExitAfterOutput(int code) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && !std::ferror(stdout)) return code;
  std::fprintf(stderr, "brevantis-cli: writing to standard output failed: %s\n",
               errno != 0 ? std::strerror(errno) : "some of it was lost");
  return code != 0 ? code : 1;
}
