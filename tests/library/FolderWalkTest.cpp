#include "fileio/FolderWalk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "LibraryTestTree.h"

namespace {

struct Seen {
  std::string root;
  std::string relative;
  std::string name;
  FolderEntryData data;
  bool isFolder;
  std::string Path() const { return relative + name + (isFolder ? "/" : ""); }
};

int Collect(const std::string& root, const std::string& relative, const std::string& name, const FolderEntryData& data,
            int isFolder, void* context) {
  static_cast<std::vector<Seen>*>(context)->push_back({root, relative, name, data, isFolder != 0});
  return 1;
}

std::vector<Seen> Walk(const std::string& root, int* result = nullptr) {
  std::vector<Seen> seen;
  const int r = EnumerateFolder(root, &seen, &Collect);
  if (result) *result = r;
  return seen;
}

std::set<std::string> Paths(const std::vector<Seen>& seen) {
  std::set<std::string> paths;
  for (const Seen& s : seen) paths.insert(s.Path());
  return paths;
}

// Runs `body` with the effective user "nobody" (root reads every folder).
template <typename Body>
void AsNobody(Body body) {
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::seteuid(65534), 0);
  }
  body();
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
}

}  // namespace

TEST(EnumerateFolder, WalksDepthFirstInPreOrder) {
  TempFolder tree;
  for (const char* f : {"a.AVI", "x/1.AVI", "x/y/2.AVI", "x/y/z/3.MOV", "x/w/4", "v/5", "v/u/6"}) tree.File(f);
  std::filesystem::create_directories(tree / "empty");

  int result = 0;
  const std::vector<Seen> seen = Walk(tree.Path(), &result);  // no trailing '/'
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Paths(seen), (std::set<std::string>{"a.AVI", "x/", "x/1.AVI", "x/y/", "x/y/2.AVI", "x/y/z/", "x/y/z/3.MOV",
                                                "x/w/", "x/w/4", "v/", "v/5", "v/u/", "v/u/6", "empty/"}));
  for (const Seen& s : seen) {
    EXPECT_EQ(s.root, tree.Path() + "/");
    EXPECT_TRUE(s.relative.empty() || s.relative.back() == '/');
    EXPECT_EQ(s.data.isFolder, s.isFolder);
    EXPECT_EQ(s.data.isRegularFile, !s.isFolder);
  }
  // Pre-order: a folder comes before everything in it, and its whole subtree
  // follows it without anything from elsewhere in between.
  for (std::size_t i = 0; i < seen.size(); ++i) {
    if (!seen[i].isFolder) continue;
    const std::string prefix = seen[i].Path();
    std::size_t j = i + 1;
    while (j < seen.size() && seen[j].relative.compare(0, prefix.size(), prefix) == 0) ++j;
    for (std::size_t k = j; k < seen.size(); ++k)
      EXPECT_NE(seen[k].relative.compare(0, prefix.size(), prefix), 0) << seen[k].Path() << " after " << prefix;
    for (std::size_t k = 0; k < i; ++k)
      EXPECT_NE(seen[k].relative.compare(0, prefix.size(), prefix), 0) << seen[k].Path() << " before " << prefix;
  }
}

TEST(EnumerateFolder, SkipsHiddenEntriesAndLinksToFoldersAndFiles) {
  TempFolder tree;
  tree.File("keep/A.AVI");
  tree.File(".hidden/B.AVI");
  tree.File("keep/.C.AVI");
  tree.File("target.AVI");
  std::filesystem::create_directory_symlink("..", tree / "keep/up");         // a loop
  std::filesystem::create_directory_symlink(tree / "keep", tree / "again");  // a second way in
  std::filesystem::create_symlink(tree / "target.AVI", tree / "keep/link.AVI");
  std::filesystem::create_symlink(tree / "missing.AVI", tree / "keep/dangling.AVI");
  ASSERT_EQ(::mkfifo((tree / "keep/pipe.AVI").c_str(), 0644), 0);

  const std::vector<Seen> seen = Walk(tree.Path() + "/");
  // A link to a file is no recording of the card: DEL would remove only the
  // link, LOCK would change the mode of its target.
  EXPECT_EQ(Paths(seen), (std::set<std::string>{"keep/", "keep/A.AVI", "target.AVI", "keep/pipe.AVI"}));
  for (const Seen& s : seen) {
    if (s.name == "pipe.AVI") {
      EXPECT_FALSE(s.data.isRegularFile);
    }
    EXPECT_FALSE(s.data.hasFatAttributes);  // not a FAT file system here
  }
}

TEST(EnumerateFolder, StopsDescendingAfterFortyLevels) {
  TempFolder tree;
  std::string relative;
  tree.File("f");
  for (int level = 1; level <= 45; ++level) {
    relative += "d" + std::to_string(level) + "/";
    tree.File(relative + "f");
  }
  const std::vector<Seen> seen = Walk(tree.Path());
  int files = 0;
  int folders = 0;
  std::size_t deepest = 0;
  for (const Seen& s : seen) {
    (s.isFolder ? folders : files) += 1;
    deepest = std::max<std::size_t>(deepest, std::count(s.relative.begin(), s.relative.end(), '/'));
  }
  // The root and 39 folders below it are listed; d40 is reported, not entered.
  EXPECT_EQ(files, 40);
  EXPECT_EQ(folders, 40);
  EXPECT_EQ(deepest, 39u);
}

TEST(EnumerateFolder, FolderThatCannotBeListedContributesNothing) {
  TempFolder tree;
  tree.File("a/1.AVI");
  tree.File("b/secret/2.AVI");
  tree.File("b/3.AVI");
  tree.File("c/4.AVI");
  ASSERT_EQ(::chmod(tree.Path().c_str(), 0755), 0);  // nobody may list the rest
  ASSERT_EQ(::chmod((tree / "b/secret").c_str(), 0), 0);
  std::vector<Seen> seen;
  AsNobody([&] { seen = Walk(tree.Path()); });
  EXPECT_EQ(Paths(seen), (std::set<std::string>{"a/", "a/1.AVI", "b/", "b/secret/", "b/3.AVI", "c/", "c/4.AVI"}));

  // The root itself unlistable: the folder exists, so the walk reports nothing but succeeds.
  ASSERT_EQ(::chmod(tree.Path().c_str(), 0311), 0);
  int result = 0;
  AsNobody([&] { seen = Walk(tree.Path(), &result); });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(seen.empty());
}

TEST(EnumerateFolder, MissingRootIsReportedAndFileNamesStayBytes) {
  TempFolder tree;
  int result = -1;
  EXPECT_TRUE(Walk(tree / "nope", &result).empty());
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(Walk("", &result).empty());
  EXPECT_EQ(result, 0);

  const std::string odd = "\xff\xfe name\n.AVI";
  tree.File("sub\x80/" + odd);
  const std::vector<Seen> seen = Walk(tree.Path());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].relative, "sub\x80/");
  EXPECT_EQ(seen[1].name, odd);

  // A file as the root: nothing to list.
  EXPECT_TRUE(Walk(tree.File("plain"), &result).empty());
  EXPECT_EQ(result, 1);
}
