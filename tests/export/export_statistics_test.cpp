#include "export/export_statistics.h"

#include <gtest/gtest.h>

#include "tests/support/test_env.h"

namespace {

TEST(ExportStatisticsTest, NamesAreWrittenWholeWhateverBytesTheyHold) {
  std::string name("a\0%s\xFF", 5);
  EXPECT_EQ(StatisticsLine({name, 3, ""}), std::string(30, ' ') + name + ":" + std::string(19, ' ') + "3");
  // Aligned by characters, whatever their bytes.
  EXPECT_EQ(StatisticsLine({"Ελληνικά 漢字", 3, ""}), std::string(24, ' ') + "Ελληνικά 漢字:" + std::string(19, ' ') + "3");
  EXPECT_EQ(StatisticsLine({"T", 12, "stopped"}), std::string(34, ' ') + "T:" + std::string(18, ' ') + "12  (stopped)");
}

TEST(ExportStatisticsTest, FileIsReplacedAndAnUnwritablePathIsReported) {
  testenv::ScratchDir dir;
  std::string path = dir.File("Export Statistics.log");
  testenv::WriteFile(path, std::string(5000, 'x'));
  ASSERT_TRUE(WriteStatisticsFile(path, "db.mdb", {}));
  EXPECT_EQ(testenv::ReadFile(path),
            "Database Path : db.mdb\r\n\r\n            Table name             :          No of Records\r\n");
  EXPECT_FALSE(WriteStatisticsFile(dir.File("missing/Export Statistics.log"), "db.mdb", {}));
}

}  // namespace
