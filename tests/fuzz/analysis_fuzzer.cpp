// The whole analysis of a file, then every row of every table found, memo
// and OLE values included: what the export does to a file of unknown health;
// and its schema, relationships and saved queries, as DDL.
#include <cstddef>
#include <cstdint>

#include "report/analysis_watcher.h"
#include "report/progress_channel.h"
#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/schema_reader.h"
#include "export/ddl_writer.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFile input(data, size);
  ProgressChannel progress;
  fuzz::SilentDialogs dialogs;
  MdbFile file;
  OleFileWriter oleFiles(fuzz::OleFolder() + "TempOLeFiles");
  bool read = false;
  {
    SilentAnalysisView view;
    AnalysisWatcher watcher(progress, view);
    watcher.AnswerInline();
    read = Analyze(file, input.path(), progress, dialogs);
  }
  if (read) {
    progress.Reset();
    RowDecoder rows(file, progress.stopRequested, oleFiles);
    fuzz::ReadEveryRow(rows, file.tables);
    DatabaseSchema schema = ReadDatabaseSchema(file, true, progress.stopRequested);
    DdlWriter::Make(SqlDialect::Postgres, schema)->Script();
  }
  return 0;
}
