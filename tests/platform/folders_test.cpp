// Folders and paths in place of the Windows calls.
#include <gtest/gtest.h>

#include "platform/folders.h"
#include "tests/support/test_env.h"

namespace {

TEST(Folders, CreateFolderSucceedsOnlyForANewFolder) {
  testenv::ScratchDir dir;
  std::string folder = dir.File("new");
  EXPECT_TRUE(platform::CreateFolder(folder));
  EXPECT_TRUE(platform::IsFolder(folder));
  EXPECT_FALSE(platform::CreateFolder(folder));          // exists already
  EXPECT_FALSE(platform::CreateFolder(dir.File("a/b")));  // no parent
  EXPECT_FALSE(platform::CreateFolder(""));
}

TEST(Folders, DeleteFilesInLeavesSubFolders) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("one"), "1");
  testenv::WriteFile(dir.File("two"), "2");
  ASSERT_TRUE(platform::CreateFolder(dir.File("sub")));
  testenv::WriteFile(dir.File("sub/three"), "3");
  platform::DeleteFilesIn(dir.path());
  EXPECT_FALSE(platform::FileExists(dir.File("one")));
  EXPECT_FALSE(platform::FileExists(dir.File("two")));
  EXPECT_TRUE(platform::FileExists(dir.File("sub/three")));
  platform::DeleteFilesIn(dir.File("missing"));  // nothing to do, no failure
}

TEST(Folders, DeleteFolderTreeRemovesEverything) {
  testenv::ScratchDir dir;
  ASSERT_TRUE(platform::CreateFolder(dir.File("t")));
  ASSERT_TRUE(platform::CreateFolder(dir.File("t/u")));
  testenv::WriteFile(dir.File("t/u/f"), "x");
  EXPECT_TRUE(platform::DeleteFolderTree(dir.File("t")));
  EXPECT_FALSE(platform::FileExists(dir.File("t")));
}

}  // namespace
