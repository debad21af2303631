// A file longer than Access writes: a sparse file past 2 GB. Reading its
// gigabytes takes seconds: a program of its own, labelled slow.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"

namespace {

// A copy of a data page past 2 GB: its rows come back a second time (with
// the deleted rows: the table's usage map does not list the copy), and the
// analysis says the file is longer than Access allows.
TEST(LongFiles, AFileLongerThanAccessAllowsIsReadWhole) {
  testenv::ScratchDir dir;
  const std::string path = dir.File("long.mdb");
  const testdb::Layout layout = testdb::WritePreset("large", {.rows = 300}, path);
  ASSERT_TRUE(layout.ok) << layout.error;
  const testdb::TableLayout& table = layout.tables.front();
  auto rows = [&] { return testenv::RunCommand({BREVANTIS_CLI, "rows", path, table.name, "--deleted"}); };
  const testenv::CommandResult sound = rows();
  {
    std::string page = testenv::ReadFile(path).substr(table.dataPages.front() * 4096, 4096);
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(((int64_t{1} << 31) / 4096 + 3) * 4096);
    ASSERT_TRUE(f.write(page.data(), 4096));
  }
  const testenv::CommandResult longer = rows();
  EXPECT_EQ(longer.exitCode, 0) << longer.err;
  EXPECT_NE(longer.err.find("The file is longer than Access allows (2 GB): it is read whole"), std::string::npos);
  EXPECT_EQ(sound.err.find("longer than Access allows"), std::string::npos);
  EXPECT_GT(std::count(longer.out.begin(), longer.out.end(), '\n'), std::count(sound.out.begin(), sound.out.end(), '\n'));
}

}  // namespace
