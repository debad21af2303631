// Folders and paths in place of the Windows calls.
#include <gtest/gtest.h>

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

TEST(Folders, FolderProblemNamesWhyNothingCanBeWritten) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("file"), "x");
  EXPECT_EQ(platform::FolderProblem(dir.path()), "");
  EXPECT_EQ(platform::FolderProblem(dir.File("missing")), "does not exist");
  EXPECT_EQ(platform::FolderProblem(dir.File("file")), "is not a folder");
  EXPECT_NE(platform::FolderProblem(dir.File("file/below")), "");
  EXPECT_TRUE(platform::CreateFolders(dir.File("a/b/c")));
  EXPECT_FALSE(platform::CreateFolders(dir.File("file/d")));
}

TEST(Folders, PerUserFoldersFollowXdgAndIgnoreRelativePaths) {
  std::string state = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
  setenv("XDG_STATE_HOME", "/x/state", 1);
  EXPECT_EQ(platform::UserStateFolder(), "/x/state/brevantis");
  setenv("XDG_STATE_HOME", "relative", 1);
  setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/h", 1);
  EXPECT_EQ(platform::UserStateFolder(), std::string(std::getenv("HOME")) + "/.local/state/brevantis");
  if (state.empty()) unsetenv("XDG_STATE_HOME"); else setenv("XDG_STATE_HOME", state.c_str(), 1);
}

}  // namespace
