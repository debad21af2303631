// Read-only files read by position, or mapped a window at a time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/file_view.h"
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

// A window holds the file's own bytes, only within the file; bytes the file
// loses while mapped read as zeros instead of ending the program.
TEST(FileView, MapsWithinTheFileAndReadsZerosWhereTheFileWasCut) {
  testenv::ScratchDir dir;
  std::string bytes(3 * 4096 + 100, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251 + 1);
  testenv::WriteFile(dir.File("f"), bytes);
  platform::ReadOnlyFile file;
  platform::FileView view;
  EXPECT_FALSE(view.Map(file, 0, 10));  // no file open
  ASSERT_TRUE(file.Open(dir.File("f")));
  EXPECT_FALSE(view.Map(file, 3 * 4096, 101));  // past the end
  EXPECT_FALSE(view.Map(file, -1, 10));
  EXPECT_FALSE(view.Map(file, 10, 0));
  EXPECT_TRUE(view.Bytes().empty());

  ASSERT_TRUE(view.Map(file, 4096 + 10, 2 * 4096 + 90));  // not on a boundary of the system's pages
  ASSERT_EQ(view.Bytes().size(), 2u * 4096 + 90);
  EXPECT_EQ(std::string(view.Bytes().begin(), view.Bytes().end()), bytes.substr(4096 + 10));

  ASSERT_EQ(::truncate(dir.File("f").c_str(), 4096 + 20), 0);
  const auto cut = view.Bytes();
  EXPECT_EQ(cut[5], bytes[4096 + 15]);  // still in the file
  EXPECT_EQ(cut[20], 0);                // past its new end, in its last page
  EXPECT_EQ(cut[2 * 4096 + 89], 0);     // a page the file no longer has
  EXPECT_EQ(cut[4096], 0);

  EXPECT_FALSE(view.Map(file, 0, 4096 + 21));  // the file is shorter now
  ASSERT_TRUE(view.Map(file, 0, 4096 + 20));
  EXPECT_EQ(std::string(view.Bytes().begin(), view.Bytes().end()), bytes.substr(0, 4096 + 20));
  view.Unmap();
  EXPECT_TRUE(view.Bytes().empty());
}

// Only a window's own faults read as zeros: a cut file mapped by anyone else
// still ends the program, as it would without windows.
TEST(FileViewDeathTest, AFaultOutsideEveryWindowIsNotAnswered) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("f"), std::string(2 * 4096, 'x'));
  platform::ReadOnlyFile file;
  ASSERT_TRUE(file.Open(dir.File("f")));
  platform::FileView view;
  ASSERT_TRUE(view.Map(file, 0, 4096));  // the guard is in place
  EXPECT_DEATH(
      {
        void* other = ::mmap(nullptr, 2 * 4096, PROT_READ, MAP_SHARED, ::open(dir.File("f").c_str(), O_RDONLY), 0);
        if (other == MAP_FAILED || ::truncate(dir.File("f").c_str(), 0) != 0) std::abort();
        std::fprintf(stderr, "read %d\n", static_cast<const volatile char*>(other)[4096]);
      },
      "");
  EXPECT_EQ(view.Bytes()[0], 'x');
}

}  // namespace
