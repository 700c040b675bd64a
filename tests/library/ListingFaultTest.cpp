// Folder listings that break off part-way (an I/O error, a card pulled out
// while it is read). The walk's calls to readdir() land here first; armed,
// the listing of one folder (told by its inode) fails with EIO after a number
// of entries, as a failing medium makes it fail.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "fileio/FolderWalk.h"
#include "LibraryTestTree.h"

namespace {

struct ListingFault {
  bool armed = false;
  ino_t folder = 0;
  int entriesBeforeError = 0;
  int handedOut = 0;
};
ListingFault g_fault;

}  // namespace

extern "C" struct dirent* readdir(DIR* dir) {
  using Readdir = struct dirent* (*)(DIR*);
  static const auto next = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, "readdir"));
  if (g_fault.armed) {
    struct stat st {};
    if (::fstat(::dirfd(dir), &st) == 0 && st.st_ino == g_fault.folder) {
      if (g_fault.handedOut == g_fault.entriesBeforeError) {
        errno = EIO;
        return nullptr;
      }
      ++g_fault.handedOut;
    }
  }
  return next(dir);
}

namespace {

int Collect(const std::string&, const std::string& relative, const std::string& name, const FolderEntryData&,
            int isFolder, void* context) {
  static_cast<std::set<std::string>*>(context)->insert(relative + name + (isFolder ? "/" : ""));
  return 1;
}

}  // namespace

TEST(ListingFaults, AFolderWhoseListingBreaksOffPartWayContributesNothing) {
  TempFolder tree;
  for (const char* f : {"A.AVI", "bad/1.AVI", "bad/2.AVI", "bad/3.AVI", "bad/inner/4.AVI", "good/5.AVI"}) tree.File(f);
  struct stat bad {};
  ASSERT_EQ(::stat((tree / "bad").c_str(), &bad), 0);
  // 0: the very first read fails; 2 and 4: entries were listed before the
  // error (the folder holds five, "." and ".." included).
  for (int before : {0, 2, 4}) {
    SCOPED_TRACE(before);
    g_fault = {true, bad.st_ino, before, 0};
    std::set<std::string> seen;
    const int result = EnumerateFolder(tree.Path(), &seen, &Collect);
    const bool listingBrokeOff = g_fault.handedOut == before;
    g_fault = {};
    EXPECT_TRUE(listingBrokeOff);
    EXPECT_EQ(result, 1);
    // The folder itself is an entry of its parent; nothing below it is.
    EXPECT_EQ(seen, (std::set<std::string>{"A.AVI", "bad/", "good/", "good/5.AVI"}));
  }
  // Disarmed, the same tree is walked whole.
  std::set<std::string> seen;
  EnumerateFolder(tree.Path(), &seen, &Collect);
  EXPECT_EQ(seen.size(), 9u);
}
