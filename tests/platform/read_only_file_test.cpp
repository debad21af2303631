// Read-only files read by position.
#include <gtest/gtest.h>

#include "platform/read_only_file.h"
#include "tests/support/test_env.h"

namespace {

TEST(ReadOnlyFile, OpensRegularFilesOnly) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("f"), "abc");
  platform::ReadOnlyFile file;
  EXPECT_FALSE(file.Open(dir.path()));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Open(dir.File("missing")));
  EXPECT_FALSE(file.Open(""));
  EXPECT_FALSE(file.Open("/dev/null"));
  ASSERT_TRUE(file.Open(dir.File("f")));
  EXPECT_EQ(file.Size(), 3);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Size(), -1);
}

TEST(ReadOnlyFile, ReadsByPositionUpToTheEnd) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("f"), "0123456789");
  platform::ReadOnlyFile file;
  ASSERT_TRUE(file.Open(dir.File("f")));
  char buffer[8] = {};
  EXPECT_EQ(file.ReadAt(buffer, 4, 3), 4);
  EXPECT_EQ(std::string(buffer, 4), "3456");
  EXPECT_EQ(file.ReadAt(buffer, 8, 6), 4);  // short at the end
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(file.ReadAt(buffer, 8, 10), 0);
  EXPECT_EQ(file.ReadAt(buffer, 8, 1000), 0);
  EXPECT_EQ(file.ReadAt(buffer, 8, -1), -1);
  file.Close();
  EXPECT_EQ(file.ReadAt(buffer, 8, 0), -1);
}

TEST(ReadOnlyFile, OpeningAgainClosesTheFirstFile) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("a"), "aaaa");
  testenv::WriteFile(dir.File("b"), "bb");
  platform::ReadOnlyFile file;
  ASSERT_TRUE(file.Open(dir.File("a")));
  ASSERT_TRUE(file.Open(dir.File("b")));
  EXPECT_EQ(file.Size(), 2);
  EXPECT_FALSE(file.Open(dir.File("missing")));
  EXPECT_FALSE(file.IsOpen());  // a failed open leaves no file open
}

}  // namespace
