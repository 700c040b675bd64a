#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fileio/FileAttributes.h"
#include "fileio/FolderPath.h"
#include "LibraryBuilders.h"
#include "LibraryFakes.h"
#include "library/LibraryLists.h"
#include "LibraryTestTree.h"

namespace {

class FileOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override { ::chmod(tree.Path().c_str(), 0755); }
  // Recordings on disk under the tree, in library order; protected ones
  // (flags set) are made read-only files.
  void Make(const std::vector<Rec>& recs) {
    Fill(library, recs, tree.Path() + "/");
    for (std::size_t i = 0; i < recs.size(); ++i) {
      const RecordingInfo& r = library.Recordings()[i];
      const std::string path = tree.File(r.subfolder + r.name, "content of " + r.name);
      if (r.flags) Protect(path);
    }
    lists.Fill();
  }
  std::string PathOf(int i) const { return library.GetRecordingPath(i); }

  TempFolder tree;
  RecordingLibrary library;
  FakeGroupList groups;
  FakeFileList files;
  FakeOwner owner;
  LibraryLists lists{library, &groups, &files};
};

// Runs `body` with the effective user "nobody" (root may write anywhere).
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

// Sets or clears the immutable flag; false where the file system or our
// rights do not allow it.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

int CountFiles(const std::string& folder) {
  int n = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) n += e.is_regular_file();
  return n;
}

}  // namespace

TEST_F(FileOperationsTest, NothingCheckedDoesNothing) {
  Make({{100, 10}, {200, 10, RecordingFlagLocked}});
  EXPECT_FALSE(library.MarkCheckedGroups());
  EXPECT_EQ(library.UnlockChecked(), 0);
  EXPECT_EQ(library.DeleteChecked(), 0);
  EXPECT_EQ(library.CopyChecked(tree / "dest", &owner), 0);
  EXPECT_EQ(library.Recordings().size(), 2u);
  EXPECT_EQ(ModeOf(PathOf(1)), 0444u);
  EXPECT_FALSE(PathExists(tree / "dest"));
  EXPECT_TRUE(owner.percents.empty());

  groups.checked = {1};
  EXPECT_TRUE(lists.TakeChecks());
  EXPECT_EQ(library.Groups()[0].checked, 0);
  EXPECT_EQ(library.Groups()[1].checked, 1);
  EXPECT_FALSE(LibraryLists(library, nullptr, &files).TakeChecks());  // no list, nothing can be checked
  EXPECT_FALSE(library.MarkCheckedGroups());
}

TEST_F(FileOperationsTest, DeleteKeepsProtectedRecordingsAndRegroups) {
  // Group 0: a normal recording; group 1: event, normal, normal; group 2: normal.
  Make({{100, 10}, {1000, 10, RecordingFlagEvent, "EVGS0001.AVI"}, {1010, 10}, {1020, 10}, {5000, 10}});
  library.SelectRecording(4);
  library.CheckGroup(1, true);
  EXPECT_EQ(library.DeleteChecked(), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  ASSERT_EQ(library.Recordings().size(), 3u);
  EXPECT_EQ(library.Recordings()[1].name, "EVGS0001.AVI");
  EXPECT_TRUE(PathExists(tree / "EVGS0001.AVI"));
  EXPECT_FALSE(PathExists(tree / "FILE1002.AVI"));
  EXPECT_FALSE(PathExists(tree / "FILE1003.AVI"));
  EXPECT_TRUE(PathExists(tree / "FILE1004.AVI"));
  EXPECT_EQ(GroupCounts(library), (std::vector<int32_t>{1, 1, 1}));
  lists.Fill();
  EXPECT_EQ(groups.rows.size(), 3u);
  EXPECT_EQ(files.rows.size(), 3u);
  EXPECT_EQ(files.rows[2].name, "FILE1004.AVI");
  EXPECT_EQ(library.CurrentRecording(), 4);  // left as it was
  EXPECT_EQ(library.FindGroupOf(library.CurrentRecording()), -1);
}

TEST_F(FileOperationsTest, DeleteOfOnlyProtectedRecordingsChangesNothing) {
  Make({{100, 10, RecordingFlagLocked}, {110, 10, RecordingFlagEvent, "EVGS0002.AVI"}});
  library.CheckGroup(0, true);
  EXPECT_EQ(library.DeleteChecked(), 1);
  EXPECT_EQ(library.Recordings().size(), 2u);
  EXPECT_TRUE(library.LastFailures().empty());  // protection is not a failure
  EXPECT_EQ(library.LastCounts().deleted, 0);
  EXPECT_EQ(CountFiles(tree.Path()), 2);
}

TEST_F(FileOperationsTest, DeleteReportsRecordingsItCouldNotRemove) {
  Make({{100, 10}, {110, 10, 0, "", "locked/"}, {120, 10}, {130, 10}});
  ASSERT_EQ(::chmod(tree.Path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod((tree / "locked").c_str(), 0555), 0);  // nobody may not unlink in it
  std::filesystem::remove(PathOf(2));                      // gone behind our back
  library.CheckGroup(0, true);
  library.SelectRecording(3);
  AsNobody([&] { EXPECT_EQ(library.DeleteChecked(), 1); });
  ASSERT_EQ(library.LastFailures().size(), 2u);
  EXPECT_EQ(library.LastFailures()[0].path, tree / "locked/FILE1001.AVI");
  EXPECT_EQ(library.LastFailures()[0].error, EACCES);
  EXPECT_EQ(library.LastFailures()[1].path, tree / "FILE1002.AVI");
  EXPECT_EQ(library.LastFailures()[1].error, ENOENT);
  ASSERT_EQ(library.Recordings().size(), 2u);
  EXPECT_EQ(library.Recordings()[0].name, "FILE1001.AVI");
  EXPECT_EQ(library.Recordings()[1].name, "FILE1002.AVI");
  EXPECT_EQ(library.FindGroupOf(library.CurrentRecording()), -1);  // recording 3 no longer exists
}

TEST_F(FileOperationsTest, UnlockLiftsProtectionAndClearsFlags) {
  Make({{100, 10, RecordingFlagLocked},
        {110, 10, RecordingFlagEvent, "EVGS0003.AVI"},
        {120, 10},
        {900, 5, RecordingFlagLocked}});
  library.CheckGroup(0, true);
  EXPECT_EQ(library.UnlockChecked(), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_EQ(QueryProtection(PathOf(0)), Protection::Writable);
  EXPECT_EQ(QueryProtection(PathOf(1)), Protection::Writable);
  EXPECT_EQ(ModeOf(PathOf(0)), 0644u);  // the owner may write; nothing else changed
  EXPECT_EQ(library.Recordings()[0].flags, 0);
  EXPECT_EQ(library.Recordings()[1].flags, 0);
  EXPECT_EQ(library.Groups()[0].flags, 0);
  // The unchecked group keeps its protection.
  EXPECT_EQ(QueryProtection(PathOf(3)), Protection::Protected);
  EXPECT_EQ(library.Groups()[1].flags, RecordingFlagLocked);
  // Lists refilled from the same groups.
  lists.Fill();
  ASSERT_EQ(groups.rows.size(), 2u);
  EXPECT_EQ(groups.rows[0].icon, 0);
  EXPECT_EQ(groups.rows[1].icon, RecordingFlagLocked);
  EXPECT_EQ(files.rows.size(), 4u);
}

TEST_F(FileOperationsTest, UnlockThatTheFileSystemRefusesKeepsTheFlag) {
  Make({{100, 10, RecordingFlagLocked}, {110, 10, RecordingFlagLocked}});
  if (!SetImmutable(PathOf(0), true))
    GTEST_SKIP() << "cannot make a file immutable here (need CAP_LINUX_IMMUTABLE on ext4)";
  library.CheckGroup(0, true);
  EXPECT_EQ(library.UnlockChecked(), 1);
  SetImmutable(PathOf(0), false);
  EXPECT_EQ(library.Recordings()[0].flags, RecordingFlagLocked);
  EXPECT_EQ(library.Recordings()[1].flags, 0);
  EXPECT_EQ(library.Groups()[0].flags, 0);  // the group row loses its lock anyway
  lists.Fill();
  EXPECT_EQ(groups.rows[0].icon, 0);
  EXPECT_EQ(files.rows[0].icon, RecordingFlagLocked);
  ASSERT_EQ(library.LastFailures().size(), 1u);
  EXPECT_EQ(library.LastFailures()[0].error, EPERM);
  EXPECT_EQ(ModeOf(PathOf(0)), 0444u);
}

TEST_F(FileOperationsTest, CopyAsksBeforeOverwritingAndShowsProgress) {
  Make({{100, 10}, {110, 10}, {120, 10}});
  const std::string dest = tree / "backup";
  std::filesystem::create_directory(dest);
  tree.File("backup/FILE1001.AVI", "older");
  owner.answers = {false};  // cancel the one question
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(dest, &owner), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_EQ(owner.questions, (std::vector<std::string>{dest + "/FILE1001.AVI"}));
  EXPECT_EQ(ReadText(dest + "/FILE1000.AVI"), "content of FILE1000.AVI");
  EXPECT_EQ(ReadText(dest + "/FILE1001.AVI"), "older");
  EXPECT_EQ(ReadText(dest + "/FILE1002.AVI"), "content of FILE1002.AVI");
  EXPECT_EQ(owner.percents, (std::vector<int>{0, 33, 66, 100}));
  EXPECT_EQ(owner.texts, (std::vector<std::string>{"0 %", "33 %", "66 %", "100 %"}));
  EXPECT_EQ(owner.hides, 1);
  EXPECT_FALSE(owner.shown);
  EXPECT_EQ(CountFiles(dest), 3);  // no temporary file left behind

  // OK replaces the file.
  owner.questions.clear();
  owner.answers = {true, true, true};
  EXPECT_EQ(library.CopyChecked(dest, &owner), 1);
  EXPECT_EQ(owner.questions.size(), 3u);
  EXPECT_EQ(ReadText(dest + "/FILE1001.AVI"), "content of FILE1001.AVI");
}

TEST_F(FileOperationsTest, CopyReproducesSubfoldersAndKeepsAttributes) {
  Make({{100, 10, RecordingFlagLocked, "", "2019/05/"}, {110, 10, 0, "", "2019/05/"}});
  struct timespec times[2] = {{1000000, 0}, {1200000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, PathOf(1).c_str(), times, 0), 0);
  const std::string dest = tree / "E/Backup";
  std::filesystem::create_directories(dest);
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(dest, &owner), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_EQ(ReadText(dest + "/2019/05/FILE1000.AVI"), "content of FILE1000.AVI");
  EXPECT_EQ(ReadText(dest + "/2019/05/FILE1001.AVI"), "content of FILE1001.AVI");
  EXPECT_EQ(QueryProtection(dest + "/2019/05/FILE1000.AVI"), Protection::Protected);
  EXPECT_EQ(ModeOf(dest + "/2019/05/FILE1001.AVI"), ModeOf(PathOf(1)));
  struct stat st {};
  ASSERT_EQ(::stat((dest + "/2019/05/FILE1001.AVI").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
  // The library itself is unchanged by a copy.
  EXPECT_EQ(library.Recordings()[0].folder, tree.Path() + "/");
}

TEST_F(FileOperationsTest, CopyOntoItselfLeavesTheRecordingIntact) {
  Make({{100, 10}, {110, 10, 0, "", "sub/"}});
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(tree.Path(), &owner), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_TRUE(owner.questions.empty());
  EXPECT_EQ(ReadText(PathOf(0)), "content of FILE1000.AVI");
  EXPECT_EQ(ReadText(PathOf(1)), "content of FILE1001.AVI");
  EXPECT_EQ(CountFiles(tree.Path()), 2);
  // Also through another spelling of the same folder.
  EXPECT_EQ(library.CopyChecked(tree.Path() + "/sub/..", &owner), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_EQ(ReadText(PathOf(1)), "content of FILE1001.AVI");
}

TEST_F(FileOperationsTest, FailedCopiesAreReportedAndDestroyNothing) {
  Make({{100, 10}, {110, 10}, {120, 10}, {130, 10}});
  const std::string dest = tree / "dest";
  std::filesystem::create_directory(dest);
  tree.File("dest/FILE1000.AVI", "keep me");         // source will vanish
  tree.File("dest/FILE1001.AVI", "protected copy");  // write-protected at the destination
  Protect(dest + "/FILE1001.AVI");
  std::filesystem::create_directory(dest + "/FILE1002.AVI");  // a folder in the way
  std::filesystem::remove(PathOf(0));
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(dest, &owner), 1);
  ASSERT_EQ(library.LastFailures().size(), 3u);
  EXPECT_EQ(library.LastFailures()[0].path, PathOf(0));
  EXPECT_EQ(library.LastFailures()[0].destination, dest + "/FILE1000.AVI");
  EXPECT_EQ(library.LastFailures()[0].error, ENOENT);
  EXPECT_EQ(library.LastFailures()[1].error, EACCES);
  EXPECT_EQ(library.LastFailures()[2].destination, dest + "/FILE1002.AVI");
  EXPECT_EQ(ReadText(dest + "/FILE1000.AVI"), "keep me");
  EXPECT_EQ(ReadText(dest + "/FILE1001.AVI"), "protected copy");
  EXPECT_EQ(ReadText(dest + "/FILE1003.AVI"), "content of FILE1003.AVI");
  EXPECT_EQ(owner.percents.back(), 100);
  EXPECT_EQ(CountFiles(dest), 3);

  // A destination that cannot be written to at all.
  const std::string closed = tree / "closed";
  std::filesystem::create_directory(closed);
  ASSERT_EQ(::chmod(closed.c_str(), 0555), 0);
  AsNobody([&] { EXPECT_EQ(library.CopyChecked(closed + "/sub", &owner), 1); });
  EXPECT_EQ(library.LastFailures().size(), 4u);  // recording 0 is missing, the rest cannot be written
  for (const FileOperationFailure& f : library.LastFailures()) EXPECT_NE(f.error, 0);
  EXPECT_FALSE(PathExists(closed + "/sub"));
}

TEST_F(FileOperationsTest, CopyWithoutAnOwnerNeverOverwrites) {
  Make({{100, 10}});
  const std::string dest = tree / "d";
  tree.File("d/FILE1000.AVI", "old");
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(dest, nullptr), 1);
  EXPECT_EQ(ReadText(dest + "/FILE1000.AVI"), "old");
}
