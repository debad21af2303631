// A file longer than Access writes, read by the whole analysis: a sparse
// file past 2 GB. Reading its gigabytes takes seconds: a program of its own,
// labelled slow.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "report/analysis_watcher.h"
#include "report/progress_channel.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

// Access stops at 2 GB; a file longer than that (a sparse one here) is read
// to its end, and the analysis says it is longer than Access allows.
TEST(LongFiles, AFileLongerThanAccessAllowsIsReadWhole) {
  testenv::ScratchDir dir;
  const std::string path = dir.File("long.mdb");
  const testdb::Layout layout = testdb::WritePreset("large", {.rows = 300}, path);
  ASSERT_TRUE(layout.ok) << layout.error;
  const testdb::TableLayout& table = layout.tables.front();
  const uint32_t far = (uint32_t{1} << 31) / 4096 + 3;
  {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    std::string page(4096, '\0');
    f.seekg(int64_t{table.dataPages.front()} * 4096);
    f.read(page.data(), 4096);
    f.seekp(int64_t{far} * 4096);
    f.write(page.data(), 4096);
    ASSERT_TRUE(f.good());
  }
  // Half a million page reports: answered in the analysis's own thread, as
  // the command line does.
  struct StatusList : SilentAnalysisView {
    std::vector<std::string> said;
    void ShowStatus(const StatusReport& report) override {
      if (report.status) said.push_back(*report.status);
    }
  } view;
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
  {
    AnalysisWatcher watcher(progress, view);
    watcher.AnswerInline();
    ASSERT_TRUE(Analyze(db, path, progress, dialogs));
  }
  EXPECT_NE(std::find(view.said.begin(), view.said.end(),
                      "The file is longer than Access allows (2 GB): it is read whole"),
            view.said.end());
  ASSERT_EQ(db.pages.size(), far + 1u);
  auto found = std::find_if(db.tables.begin(), db.tables.end(), [&](const auto& t) {
    return t->definitionPage == static_cast<int32_t>(table.definitionPages[0]);
  });
  ASSERT_NE(found, db.tables.end());
  EXPECT_EQ((*found)->dataPages.back(), static_cast<int32_t>(far));
}

}  // namespace
}  // namespace readertest
