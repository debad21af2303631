// The whole analysis of a file, then every row of every table found, memo
// and OLE values included: what the export does to a file of unknown health.
#include <cstddef>
#include <cstdint>

#include "report/progress_channel.h"
#include "cli/console_watchers.h"
#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "reader/mdb_file.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFile input(data, size);
  ProgressChannel progress;
  fuzz::SilentDialogs dialogs;
  MdbFile file;
  OleFileWriter oleFiles(fuzz::OleFolder() + "TempOLeFiles");
  if (RunAnalysis(file, progress, dialogs, input.path()) == AnalysisResult::Read) {
    progress.Reset();
    RowDecoder rows(file, progress.stopRequested, oleFiles);
    fuzz::ReadEveryRow(rows, file.tables);
  }
  return 0;
}
