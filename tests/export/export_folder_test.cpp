#include "export/export_folder.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "tests/support/test_env.h"

namespace {

// 00:05:07 local on 8 December, east of Greenwich: the UTC date is 7 December.
const platform::ClockReading kUtc{2008, 12, 7, 22, 5, 7};
const platform::ClockReading kLocal{2008, 12, 8, 0, 5, 7};
const char kFolderName[] = "Corvanel_Brevantis_(DATE=12-7-2008)_(TIME=0hr.5m.7s)";

TEST(ExportFolderTest, NameTakesMonthDayYearOfTheUtcDateAndTheLocalTimeUnpadded) {
  EXPECT_EQ(DatedFolderName(kUtc, kLocal), kFolderName);
  EXPECT_EQ(DatedFolderName({2031, 10, 25, 0, 0, 0}, {2031, 10, 25, 13, 40, 59}),
            "Corvanel_Brevantis_(DATE=10-25-2031)_(TIME=13hr.40m.59s)");
}

TEST(ExportFolderTest, MakesTheDatedFolderInsideTheDestination) {
  testenv::ScratchDir dir;
  std::string problem;
  std::string folder = CreateExportFolder(dir.path(), kUtc, kLocal, problem);
  EXPECT_EQ(folder, dir.File(kFolderName));
  EXPECT_TRUE(platform::IsFolder(folder));
  EXPECT_EQ(problem, "");
}

// Two exports in one second: the second gets a folder of its own and the
// first one's workbooks stay.
TEST(ExportFolderTest, AFolderLeftByAnExportInTheSameSecondIsKeptAndTheNextGetsASuffix) {
  testenv::ScratchDir dir;
  std::string folder = dir.File(kFolderName);
  ASSERT_TRUE(platform::CreateFolder(folder));
  testenv::WriteFile(folder + "/old.xls", "old");
  ASSERT_TRUE(platform::CreateFolder(folder + "/sub"));
  testenv::WriteFile(folder + "/sub/deeper.xls", "old");

  std::string problem;
  EXPECT_EQ(CreateExportFolder(dir.path() + "/", kUtc, kLocal, problem), folder + "_2");
  EXPECT_EQ(CreateExportFolder(dir.path(), kUtc, kLocal, problem), folder + "_3");
  EXPECT_TRUE(platform::IsFolder(folder + "_2"));
  EXPECT_EQ(testenv::ReadFile(folder + "/old.xls"), "old");
  EXPECT_EQ(testenv::ReadFile(folder + "/sub/deeper.xls"), "old");
}

TEST(ExportFolderTest, AMissingDestinationMakesNothingAndSaysWhy) {
  testenv::ScratchDir dir;
  std::string problem;
  std::string folder = CreateExportFolder(dir.File("gone"), kUtc, kLocal, problem);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(problem, "Could not create the export folder " + dir.File("gone") + "/" + kFolderName +
                         ": No such file or directory");
  EXPECT_FALSE(platform::FileExists(dir.File("gone")));
}

}  // namespace
