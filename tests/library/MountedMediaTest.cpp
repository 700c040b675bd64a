// File operations and the walk on media that behave unlike a plain folder: a
// read-only medium (a read-only bind mount) and a FAT file system (a
// loop-mounted mkfs.vfat image). Both need the right to mount; without it the
// tests are skipped.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "fileio/FileAttributes.h"
#include "fileio/FolderPath.h"
#include "fileio/FolderWalk.h"
#include "LibraryBuilders.h"
#include "LibraryFakes.h"
#include "LibraryTestTree.h"

namespace {

bool RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Unmounts in its destructor.
class MountPoint {
 public:
  explicit MountPoint(std::string path) : m_path(std::move(path)) {}
  ~MountPoint() {
    if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
  }
  bool BindReadOnly(const std::string& source) {
    if (!RunQuietly("mount --bind " + Quote(source) + " " + Quote(m_path))) return false;
    m_mounted = true;
    return RunQuietly("mount -o remount,ro,bind " + Quote(m_path));
  }
  bool LoopFat(const std::string& image) {
    m_mounted = RunQuietly("mount -t vfat -o loop " + Quote(image) + " " + Quote(m_path));
    return m_mounted;
  }

 private:
  std::string m_path;
  bool m_mounted = false;
};

bool SetFatAttributes(const std::string& path, uint32_t attributes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  __u32 value = attributes;
  const bool ok = ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &value) == 0;
  ::close(fd);
  return ok;
}

uint32_t FatAttributesOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  uint32_t attributes = 0xFFFFFFFF;
  if (fd >= 0) {
    ReadFatAttributes(fd, attributes);
    ::close(fd);
  }
  return attributes;
}

int Collect(const std::string&, const std::string& relative, const std::string& name, const FolderEntryData&,
            int isFolder, void* context) {
  static_cast<std::vector<std::string>*>(context)->push_back(relative + name + (isFolder ? "/" : ""));
  return 1;
}

}  // namespace

TEST(ReadOnlyMedium, OperationsFailSoundlyAndReportEveryRecording) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  TempFolder tree;
  RecordingLibrary library;
  FakeOwner owner;
  const std::string medium = tree / "medium";
  std::filesystem::create_directories(medium);
  Fill(library, {{100, 10, RecordingFlagLocked}, {110, 10}, {120, 10}}, medium + "/");
  tree.File("source/FILE1000.AVI", "locked");
  tree.File("source/FILE1001.AVI", "normal");
  tree.File("source/FILE1002.AVI", "normal");
  Protect(tree / "source/FILE1000.AVI");
  MountPoint mount(medium);
  if (!mount.BindReadOnly(tree / "source"))
    GTEST_SKIP() << "cannot make a read-only bind mount here (no mount rights in this container)";
  library.CheckGroup(0, true);

  EXPECT_EQ(library.UnlockChecked(), 1);
  EXPECT_EQ(library.Recordings()[0].flags, RecordingFlagLocked);  // the attribute change failed
  EXPECT_EQ(library.Groups()[0].flags, 0);                        // the row loses its lock anyway
  ASSERT_EQ(library.LastFailures().size(), 1u);
  EXPECT_EQ(library.LastFailures()[0].error, EROFS);

  EXPECT_EQ(library.DeleteChecked(), 1);
  EXPECT_EQ(library.Recordings().size(), 3u);
  ASSERT_EQ(library.LastFailures().size(), 2u);  // the protected one is skipped in silence
  EXPECT_EQ(library.LastFailures()[0].path, medium + "/FILE1001.AVI");
  EXPECT_EQ(library.LastFailures()[0].error, EROFS);

  // The medium as a copy destination.
  Fill(library, {{100, 10}}, tree.Path() + "/source/");
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(medium + "/backup", &owner), 1);
  ASSERT_EQ(library.LastFailures().size(), 1u);
  EXPECT_EQ(library.LastFailures()[0].error, EROFS);
  EXPECT_EQ(owner.percents.back(), 100);
}

TEST(FatImage, AttributesDecideHiddenSystemAndProtection) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  TempFolder tree;
  const std::string image = tree / "card.img";
  const std::string card = tree / "card";
  std::filesystem::create_directories(card);
  if (!RunQuietly("truncate -s 16M " + Quote(image)) || !RunQuietly("mkfs.vfat " + Quote(image)))
    GTEST_SKIP() << "mkfs.vfat is not available (package dosfstools)";
  MountPoint mount(card);
  if (!mount.LoopFat(image))
    GTEST_SKIP() << "cannot loop-mount a FAT image here (no vfat in this kernel or no mount rights)";

  std::filesystem::create_directories(card + "/DCIM/HIDDEN");
  std::filesystem::create_directories(card + "/DCIM/SYSTEM");
  for (const char* f : {"DCIM/A.AVI", "DCIM/EVGS0001.AVI", "DCIM/FILE0001.AVI", "DCIM/SYS.AVI", "DCIM/HIDDEN/B.AVI",
                        "DCIM/SYSTEM/C.AVI"})
    std::ofstream(card + "/" + f) << "x";
  ASSERT_TRUE(SetFatAttributes(card + "/DCIM/HIDDEN", ATTR_DIR | kFatAttrHidden));
  ASSERT_TRUE(SetFatAttributes(card + "/DCIM/SYSTEM", ATTR_DIR | kFatAttrSystem));
  ASSERT_TRUE(SetFatAttributes(card + "/DCIM/SYS.AVI", kFatAttrSystem | kFatAttrArchive));
  ASSERT_TRUE(SetFatAttributes(card + "/DCIM/EVGS0001.AVI", kFatAttrReadOnly | kFatAttrArchive));
  ASSERT_TRUE(SetFatAttributes(card + "/DCIM/FILE0001.AVI", kFatAttrReadOnly));

  std::vector<std::string> seen;
  EXPECT_EQ(EnumerateFolder(card, &seen, &Collect), 1);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"DCIM/", "DCIM/A.AVI", "DCIM/EVGS0001.AVI", "DCIM/FILE0001.AVI"}));

  bool event = false;
  bool locked = false;
  EXPECT_TRUE(RecordingLibrary::IsAviRecording("EVGS0001.AVI", card + "/DCIM/", event, locked));
  EXPECT_TRUE(event);
  EXPECT_FALSE(locked);
  event = locked = false;
  EXPECT_TRUE(RecordingLibrary::IsAviRecording("FILE0001.AVI", card + "/DCIM/", event, locked));
  EXPECT_TRUE(locked);
  event = locked = false;
  EXPECT_TRUE(RecordingLibrary::IsAviRecording("A.AVI", card + "/DCIM/", event, locked));
  EXPECT_FALSE(event || locked);

  // Unlocking clears the read-only and archive attributes and nothing else.
  int error = 0;
  EXPECT_TRUE(RemoveWriteProtection(card + "/DCIM/EVGS0001.AVI", error));
  EXPECT_EQ(FatAttributesOf(card + "/DCIM/EVGS0001.AVI") & (kFatAttrReadOnly | kFatAttrArchive), 0u);
  EXPECT_EQ(QueryProtection(card + "/DCIM/EVGS0001.AVI"), Protection::Writable);

  // A copy onto the card keeps the protection as the FAT attribute.
  RecordingLibrary library;
  Fill(library, {{100, 10, RecordingFlagLocked, "LOCK.AVI", "2019/05/"}}, tree.Path() + "/");
  tree.File("2019/05/LOCK.AVI", "locked recording");
  Protect(tree / "2019/05/LOCK.AVI");
  library.CheckGroup(0, true);
  EXPECT_EQ(library.CopyChecked(card + "/BACKUP", nullptr), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_EQ(ReadText(card + "/BACKUP/2019/05/LOCK.AVI"), "locked recording");
  EXPECT_EQ(FatAttributesOf(card + "/BACKUP/2019/05/LOCK.AVI") & kFatAttrReadOnly, kFatAttrReadOnly);
}
