#include "report/log_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/folders.h"
#include "tests/support/test_env.h"

namespace {

const std::string kRule(79, '=');

std::string HeaderBlock(const std::string& date, const std::string& time) {
  return kRule + "\r\nLast Log On\r\nDate : " + date + "\r\nTime : " + time + "\r\n" + kRule + "\r\n";
}

TEST(LogWriterTest, SessionHeaderTakesTheUtcDateAndTheLocalTimeWithoutPadding) {
  testenv::ScratchDir dir;
  LogWriter log(dir.path());
  // 23:05:07 local on 8 December is still 7 December in UTC east of Greenwich.
  log.LogSessionHeader({2008, 12, 7, 21, 5, 7}, {2008, 12, 8, 0, 5, 7});
  std::string expected = HeaderBlock("7/12/2008", "0:5:7");
  EXPECT_EQ(testenv::ReadFile(dir.File("Log Files/ExecLog.log")), expected);
  EXPECT_EQ(testenv::ReadFile(dir.File("Log Files/ErrorLog.log")), expected);
}

TEST(LogWriterTest, EverySessionAppendsItsHeaderAfterTheEarlierContent) {
  testenv::ScratchDir dir;
  LogWriter log(dir.path() + "/");
  log.LogSessionHeader({2008, 3, 3, 9, 5, 7}, {2008, 3, 3, 9, 5, 7});
  ASSERT_TRUE(log.LogEntry(0, 0, "Export Database started...", 0));
  log.LogSessionHeader({2010, 11, 30, 23, 59, 59}, {2010, 11, 30, 23, 59, 59});
  EXPECT_EQ(testenv::ReadFile(log.ExecLogPath()),
            HeaderBlock("3/3/2008", "9:5:7") + "Code:0  Error:0  MSG:Export Database started...\r\n" +
                HeaderBlock("30/11/2010", "23:59:59"));
  EXPECT_EQ(testenv::ReadFile(log.ErrorLogPath()),
            HeaderBlock("3/3/2008", "9:5:7") + HeaderBlock("30/11/2010", "23:59:59"));
}

TEST(LogWriterTest, EntriesGoToTheLogTheyAreMeantFor) {
  testenv::ScratchDir dir;
  LogWriter log(dir.path());
  log.LogSessionHeader({2024, 1, 2, 3, 4, 5}, {2024, 1, 2, 3, 4, 5});
  std::string header = HeaderBlock("2/1/2024", "3:4:5");
  ASSERT_TRUE(log.LogEntry(0, 0, "Export started  : Orders", 0));
  ASSERT_TRUE(log.LogEntry(-7, 42, "Database was not opened", 1));
  EXPECT_EQ(testenv::ReadFile(log.ExecLogPath()),
            header + "Code:0  Error:0  MSG:Export started  : Orders\r\n");
  EXPECT_EQ(testenv::ReadFile(log.ErrorLogPath()),
            header + "Code:-7  Error:42  MSG:Database was not opened\r\n");
}

TEST(LogWriterTest, AnEntryWithoutTheLogFolderIsLostSilently) {
  testenv::ScratchDir dir;
  LogWriter log(dir.path());
  EXPECT_FALSE(log.LogEntry(0, 0, "Export Database started...", 0));
  EXPECT_FALSE(platform::IsFolder(dir.File("Log Files")));
}

TEST(LogWriterTest, AProgramFolderThatCannotHoldLogsGivesNoLogsAndNoError) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("not-a-folder"), "x");
  LogWriter log(dir.File("not-a-folder"));
  log.LogSessionHeader();
  EXPECT_FALSE(log.LogEntry(0, 0, "Export Database started...", 1));
  EXPECT_EQ(testenv::ReadFile(dir.File("not-a-folder")), "x");
}

// An installed program's folder is not the user's to write.
TEST(LogWriterTest, LogsGoToTheStateFolderWhenTheProgramFolderCannotTakeThem) {
  testenv::ScratchDir dir;
  ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
  testenv::WriteFile(dir.File("not-a-folder"), "x");
  EXPECT_EQ(LogWriter::DefaultFolder(dir.path()), dir.path());
  LogWriter log(LogWriter::DefaultFolder(dir.File("not-a-folder")));
  log.LogSessionHeader({2024, 1, 2, 3, 4, 5}, {2024, 1, 2, 3, 4, 5});
  EXPECT_EQ(testenv::ReadFile(dir.File("state/brevantis/Log Files/ExecLog.log")), HeaderBlock("2/1/2024", "3:4:5"));
}

}  // namespace
