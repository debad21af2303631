// The make-test-db tool: its command line and what it writes.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tests/testdb/reader_oracles.h"

namespace {

TEST(MakeTestDb, WrongCommandLinesAreRefusedWithUsage) {
  testenv::ScratchDir dir;
  std::string out = dir.File("x.mdb");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {out},
      {"--preset", "sample"},
      {out, "--preset"},
      {out, "--preset", "sample", "--rows", "many"},
      {out, "--preset", "sample", "--rows", "-5"},
      {out, "--preset", "sample", "--color", "red"},
      {out, out, "--preset", "sample"},
  };
  for (const auto& args : cases) {
    std::vector<std::string> argv = {BREVANTIS_MAKE_TEST_DB};
    argv.insert(argv.end(), args.begin(), args.end());
    testenv::CommandResult r = testenv::RunCommand(argv);
    EXPECT_EQ(r.exitCode, 1) << testing::PrintToString(args);
    EXPECT_NE(r.err.find("usage"), std::string::npos) << testing::PrintToString(args);
  }
}

TEST(MakeTestDb, UnknownPresetOrUnwritableFileFails) {
  testenv::ScratchDir dir;
  testenv::CommandResult unknown = testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, dir.File("x.mdb"), "--preset", "nope"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("unknown preset nope"), std::string::npos);
  testenv::CommandResult unwritable =
      testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, dir.File("no/such/dir.mdb"), "--preset", "sample"});
  EXPECT_EQ(unwritable.exitCode, 1);
  EXPECT_NE(unwritable.err.find("cannot create"), std::string::npos);
}

TEST(MakeTestDb, RowsAndTablesOptionsShapeThePreset) {
  if (std::string why = oracle::Unavailable(oracle::Reader::Mdbtools); !why.empty()) GTEST_SKIP() << why;
  testenv::ScratchDir dir;
  std::string large = dir.File("large.mdb");
  testenv::CommandResult made =
      testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, large, "--preset", "large", "--rows", "777", "--seed", "3"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_NE(made.out.find("1 tables"), std::string::npos) << made.out;
  EXPECT_EQ(testenv::RunCommand({"/usr/bin/mdb-count", large, "LargeTable"}).out, "777\n");

  std::string many = dir.File("many.mdb");
  ASSERT_EQ(testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, many, "--preset", "many-tables", "--tables", "3"}).exitCode, 0);
  EXPECT_EQ(testenv::RunCommand({"/usr/bin/mdb-tables", "-1", many}).out, "Table01\nTable02\nTable03\n");
}

}  // namespace
