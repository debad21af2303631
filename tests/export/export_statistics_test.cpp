#include "export/export_statistics.h"

#include <gtest/gtest.h>

#include "tests/support/test_env.h"

namespace {

TEST(ExportStatisticsTest, FileLayoutIsFixedColumnsWithCrLf) {
  std::vector<StatisticsRow> rows = {{"Orders", 830}, {"Order Details", 0}};
  EXPECT_EQ(StatisticsText("/data/Northwind.mdb", rows),
            "Database Path : /data/Northwind.mdb\r\n"
            "\r\n"
            "            Table name             :          No of Records\r\n"
            "                             Orders:                 830\r\n"
            "                      Order Details:                   0\r\n");
}

TEST(ExportStatisticsTest, ColonsLineUpInColumn36UnlessANameIsLonger) {
  EXPECT_EQ(StatisticsHeading().find(':'), 35u);
  EXPECT_EQ(StatisticsLine({"T", 1}).find(':'), 35u);
  std::string longName(40, 'L');
  EXPECT_EQ(StatisticsLine({longName, 70000}), longName + ":" + std::string(15, ' ') + "70000");
}

TEST(ExportStatisticsTest, NamesAreWrittenWholeWhateverBytesTheyHold) {
  std::string name("a\0%s\xFF", 5);
  EXPECT_EQ(StatisticsLine({name, 3}), std::string(30, ' ') + name + ":" + std::string(19, ' ') + "3");
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
