// Folders and paths in place of the Windows calls.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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

TEST(Folders, FolderProblemSaysWhyNoFileCanBeMadeThere) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("file"), "x");
  EXPECT_EQ(platform::FolderProblem(dir.path()), "");
  EXPECT_EQ(platform::FolderProblem(dir.File("missing")), "does not exist");
  EXPECT_EQ(platform::FolderProblem(dir.File("file")), "is not a folder");
  ASSERT_TRUE(platform::CreateFolder(dir.File("locked")));
  ::chmod(dir.File("locked").c_str(), 0500);
  // root may write anywhere.
  if (::geteuid() != 0) EXPECT_NE(platform::FolderProblem(dir.File("locked")).find("not writable"), std::string::npos);
  ::chmod(dir.File("locked").c_str(), 0700);
  EXPECT_TRUE(platform::CreateFolders(dir.File("a/b/c")));
  EXPECT_TRUE(platform::CreateFolders(dir.File("a/b/c")));
  EXPECT_FALSE(platform::CreateFolders(dir.File("file/below")));
}

TEST(Folders, PerUserFoldersFollowTheXdgVariablesAndTheirDefaults) {
  ::setenv("HOME", "/home/u", 1);
  ::setenv("XDG_STATE_HOME", "/s", 1);
  ::setenv("XDG_CACHE_HOME", "relative", 1);  // ignored, as the XDG rules say
  EXPECT_EQ(platform::UserStateFolder(), "/s/brevantis");
  EXPECT_EQ(platform::UserCacheFolder(), "/home/u/.cache/brevantis");
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(platform::UserStateFolder(), "/home/u/.local/state/brevantis");
  ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
