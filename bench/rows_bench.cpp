// rows-bench FILE TABLE: times the row phase of `brevantis-cli rows --all`
// (the walk over every data page, decoding, CSV to stdout) after the
// analysis, and the walk alone; figures go to stderr. The thread's CPU time
// is given beside the wall time: on a busy machine it is the steadier one.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "report/progress_channel.h"
#include "cli/console_watchers.h"
#include "cli/table_csv.h"
#include "decode/ole_file_writer.h"
#include "decode/row_reader.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"

namespace {

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = ThreadCpuSeconds();
  double wallSeconds = 0;
  double cpuSeconds = 0;
  void Stop() {
    wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    cpuSeconds = ThreadCpuSeconds() - cpu;
  }
  void Report(const char* what, long rows) const {
    std::fprintf(stderr, "%-18s %8.3f s wall %8.0f rows/s   %8.3f s cpu %8.0f rows/s\n", what, wallSeconds,
                 rows / wallSeconds, cpuSeconds, rows / cpuSeconds);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: rows-bench FILE TABLE\n", stderr);
    return 1;
  }
  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MdbFile file;
  auto start = std::chrono::steady_clock::now();
  if (RunAnalysis(file, progress, dialogs, argv[1]) != AnalysisResult::Read) return 1;
  double analysis = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "analysis           %8.3f s wall (%zu pages)\n", analysis, file.pages.size());
  TableDef* table = nullptr;
  for (auto& candidate : file.tables)
    if (candidate->name == argv[2]) table = candidate.get();
  if (!table) return 1;

  OleFileWriter oleFiles{OleFileWriter::BrowserFolder()};
  RowDecoder decoder(file, progress.stopRequested, oleFiles);
  Stopwatch csv;
  WriteTableCsv(decoder, *table, 0, stdout);
  std::fflush(stdout);
  csv.Stop();

  Stopwatch decode;
  TableRowWalk walk(decoder, *table);
  std::string text;
  while (walk.Next(text) == 1) {
  }
  decode.Stop();
  long rows = walk.cursor().nextRow;
  csv.Report("rows as CSV", rows);
  decode.Report("rows decoded only", rows);
  return 0;
}
