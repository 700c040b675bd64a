#include "fileio/FolderPath.h"

#include <gtest/gtest.h>

#include "LibraryTestTree.h"

TEST(MakeFolderPath, CreatesEveryMissingFolderAndTellsWhetherTheLastWasNew) {
  TempFolder tree;
  const std::string deep = tree / "A/B";
  EXPECT_TRUE(MakeFolderPath(deep));
  EXPECT_TRUE(FolderExists(tree / "A"));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_FALSE(MakeFolderPath(deep));  // exists now

  // A trailing separator, or doubled ones, name the same folders.
  EXPECT_TRUE(MakeFolderPath(tree / "C/D/"));
  EXPECT_TRUE(FolderExists(tree / "C/D"));
  EXPECT_TRUE(MakeFolderPath(tree / "E//F//"));
  EXPECT_TRUE(FolderExists(tree / "E/F"));
  EXPECT_FALSE(MakeFolderPath(tree / "E//F//"));

  // A relative path works from the current directory.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(tree.Path());
  EXPECT_TRUE(MakeFolderPath("rel/x"));
  std::filesystem::current_path(previous);
  EXPECT_TRUE(FolderExists(tree / "rel/x"));
}

TEST(MakeFolderPath, CreatesNothingWhereThePathCannotExist) {
  TempFolder tree;
  tree.File("file", "x");
  EXPECT_FALSE(MakeFolderPath(tree / "file/sub/deeper"));
  EXPECT_FALSE(PathExists(tree / "file/sub"));
  EXPECT_FALSE(MakeFolderPath("/proc/no-such-drive/A/B"));
  EXPECT_FALSE(MakeFolderPath(""));
  EXPECT_FALSE(MakeFolderPath("/"));
}

TEST(JoinPath, UsesExactlyOneSeparator) {
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "/b/"), "/a/b/");
  EXPECT_EQ(JoinPath("/a/", ""), "/a/");
  EXPECT_EQ(JoinPath("", "b"), "b");
}
