// Copies and deletions that fail half-way: a destination that runs out of
// space, writes the system refuses, a read-only destination, an overwrite the
// user confirmed that then fails, a copy onto the source itself, deletions in
// a folder the user may not change. After each: no source recording changed
// or lost, no partial file under a recording's name, every failure reported.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>

#include "FaultSupport.h"

namespace {

constexpr std::size_t kLarge = 400 * 1024;  // recordings big enough to fill a small medium

// A card with three recordings in one group below 2019/05, remembered byte
// for byte.
class FileOperationFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      const std::string name = "2019/05/R" + std::to_string(i) + ".AVI";
      m_sources[name] = Recording(i, kLarge);
      WriteBytes(tree / ("card/" + name), m_sources[name]);
    }
    ::chmod((tree / "card/2019").c_str(), 0755);
    ::chmod((tree / "card/2019/05").c_str(), 0755);
    c.Open(tree / "card");
    ASSERT_EQ(c.library.Recordings().size(), 3u);
    ASSERT_EQ(c.library.Groups().size(), 1u);
  }

  // Every source recording is still there, unchanged, and no stray file
  // appeared beside them.
  void ExpectSourcesIntact() const {
    std::set<std::string> names;
    for (const auto& [name, bytes] : m_sources) {
      EXPECT_EQ(ReadBytes(tree / ("card/" + name)), bytes) << name << " changed or lost";
      names.insert(name);
    }
    EXPECT_EQ(FilesBelow(tree / "card"), names);
  }

  // Every file at the destination is a complete copy of its source or the
  // untouched file that was there before; nothing else (no temporary file).
  void ExpectNoPartialFiles(const std::string& destination, const std::map<std::string, Bytes>& before) const {
    for (const std::string& relative : FilesBelow(destination)) {
      const Bytes bytes = ReadBytes(destination + "/" + relative);
      const auto source = m_sources.find(relative);
      const auto previous = before.find(relative);
      const bool complete = source != m_sources.end() && bytes == source->second;
      const bool untouched = previous != before.end() && bytes == previous->second;
      EXPECT_TRUE(complete || untouched) << relative << " is neither a full copy nor the file that was there";
    }
  }

  FaultTree tree;
  CheckedLibrary c;
  std::map<std::string, Bytes> m_sources;
};

}  // namespace

TEST_F(FileOperationFaults, CopyOntoAMediumThatRunsOutOfSpace) {
  if (!tree.MountTmpfs("full", "size=1m"))
    GTEST_SKIP() << "cannot mount a 1 MiB tmpfs here (needs root and mount rights); "
                    "CopyWhereEveryWriteFails covers failing writes without a mount";
  const std::string dest = tree / "full";
  // An older copy of the last recording is there; the user agrees to replace it.
  const Bytes old = {'o', 'l', 'd'};
  WriteBytes(dest + "/2019/05/R2.AVI", old);
  const std::map<std::string, Bytes> before = {{"2019/05/R2.AVI", old}};

  EXPECT_EQ(c.library.CopyChecked(dest, &c.owner), 1);
  EXPECT_EQ(c.owner.asked, (std::vector<std::string>{dest + "/2019/05/R2.AVI"}));
  ASSERT_FALSE(c.library.LastFailures().empty()) << "1 MiB cannot hold three 400 KiB recordings";
  for (const FileOperationFailure& f : c.library.LastFailures()) {
    EXPECT_EQ(f.error, ENOSPC) << f.destination;
    EXPECT_NE(ReadBytes(f.destination), ReadBytes(f.path)) << "reported as failed but copied";
  }
  // The space ran out before the third copy: the old file is still whole.
  EXPECT_EQ(ReadBytes(dest + "/2019/05/R2.AVI"), old);
  EXPECT_EQ(ReadBytes(dest + "/2019/05/R0.AVI"), m_sources["2019/05/R0.AVI"]);
  ExpectNoPartialFiles(dest, before);
  ExpectSourcesIntact();
  EXPECT_EQ(c.owner.percents.back(), 100);
  EXPECT_TRUE(c.owner.hidden);
}

// The file-size limit makes every write past 256 KiB fail (EFBIG), on any
// file system and without mount rights.
TEST_F(FileOperationFaults, CopyWhereEveryWriteFails) {
  const std::string dest = tree.Folder("dest", 0777);
  const Bytes old = {'k', 'e', 'e', 'p'};
  WriteBytes(dest + "/2019/05/R1.AVI", old, 0666);
  ::chmod((dest + "/2019").c_str(), 0777);
  ::chmod((dest + "/2019/05").c_str(), 0777);

  const std::optional<std::string> report = RunInChild(
      [&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {256 * 1024, 256 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("setrlimit failed");
        c.library.CopyChecked(dest, &c.owner);
        return Report(c.library) + "A " + std::to_string(c.owner.asked.size()) + "\n";
      },
      false);
  ASSERT_TRUE(report.has_value());
  const std::vector<std::string> failures = LinesStartingWith(*report, 'F');
  ASSERT_EQ(failures.size(), 3u) << *report;
  for (const std::string& f : failures) EXPECT_EQ(f.rfind(std::to_string(EFBIG) + " ", 0), 0u) << f;
  EXPECT_EQ(LinesStartingWith(*report, 'A'), (std::vector<std::string>{"1"}));  // asked for R1, and agreed
  EXPECT_EQ(ReadBytes(dest + "/2019/05/R1.AVI"), old);
  EXPECT_EQ(FilesBelow(dest), (std::set<std::string>{"2019/05/R1.AVI"}));
  ExpectSourcesIntact();
}

TEST_F(FileOperationFaults, CopyOntoAReadOnlyMedium) {
  if (!tree.MountTmpfs("ro", "ro"))
    GTEST_SKIP() << "cannot mount a read-only tmpfs here (needs root and mount rights); "
                    "CopyIntoAFolderTheUserMayNotWrite covers refused writes without a mount";
  EXPECT_EQ(c.library.CopyChecked(tree / "ro", &c.owner), 1);
  ASSERT_EQ(c.library.LastFailures().size(), 3u);
  for (const FileOperationFailure& f : c.library.LastFailures()) EXPECT_EQ(f.error, EROFS) << f.destination;
  EXPECT_TRUE(FilesBelow(tree / "ro").empty());
  ExpectSourcesIntact();
}

TEST_F(FileOperationFaults, CopyIntoAFolderTheUserMayNotWrite) {
  const std::string dest = tree.Folder("closed/2019/05", 0755);
  const Bytes old = {'o', 'l', 'd'};
  WriteBytes(dest + "/R0.AVI", old, 0666);  // writable itself, in folders nobody may change
  for (const char* folder : {"closed", "closed/2019", "closed/2019/05"}) ::chmod((tree / folder).c_str(), 0555);

  const std::optional<std::string> report = RunInChild([&] {
    c.library.CopyChecked(tree / "closed", &c.owner);
    return Report(c.library) + "A " + std::to_string(c.owner.asked.size()) + "\n";
  });
  ASSERT_TRUE(report.has_value());
  const std::vector<std::string> failures = LinesStartingWith(*report, 'F');
  ASSERT_EQ(failures.size(), 3u) << *report;
  for (const std::string& f : failures) EXPECT_EQ(f.rfind(std::to_string(EACCES) + " ", 0), 0u) << f;
  EXPECT_EQ(LinesStartingWith(*report, 'A'), (std::vector<std::string>{"1"}));
  EXPECT_EQ(ReadBytes(dest + "/R0.AVI"), old);
  EXPECT_EQ(FilesBelow(tree / "closed"), (std::set<std::string>{"2019/05/R0.AVI"}));
  ExpectSourcesIntact();

  // Below a folder that may not be changed, the subfolders cannot be made:
  // the failure names that refusal, not the missing folders after it.
  const std::optional<std::string> deeper = RunInChild([&] {
    c.library.CopyChecked(tree / "closed/new", &c.owner);
    return Report(c.library);
  });
  ASSERT_TRUE(deeper.has_value());
  const std::vector<std::string> refused = LinesStartingWith(*deeper, 'F');
  ASSERT_EQ(refused.size(), 3u) << *deeper;
  for (const std::string& f : refused) EXPECT_EQ(f.rfind(std::to_string(EACCES) + " ", 0), 0u) << f;
  EXPECT_FALSE(std::filesystem::exists(tree / "closed/new"));
}

TEST_F(FileOperationFaults, CopyOntoTheSourceItself) {
  // The opened folder itself, the same folder through a link, and a
  // destination whose file is a hard link of the source: each recording is
  // already where it is to go, so it is left exactly as it is.
  ASSERT_EQ(::symlink((tree / "card").c_str(), (tree / "alias").c_str()), 0);
  std::filesystem::create_directories(tree / "linked/2019/05");
  ASSERT_EQ(::link((tree / "card/2019/05/R1.AVI").c_str(), (tree / "linked/2019/05/R1.AVI").c_str()), 0);
  for (const std::string& dest : {tree / "card", tree / "alias", tree / "card/", tree / "linked"}) {
    SCOPED_TRACE(dest);
    c.owner.asked.clear();
    EXPECT_EQ(c.library.CopyChecked(dest, &c.owner), 1);
    EXPECT_TRUE(c.library.LastFailures().empty());
    ExpectSourcesIntact();
  }
  EXPECT_TRUE(c.owner.asked.empty()) << "nobody needs to be asked to overwrite a file with itself";
  EXPECT_EQ(ReadBytes(tree / "linked/2019/05/R0.AVI"), m_sources["2019/05/R0.AVI"]);
  EXPECT_EQ(ReadBytes(tree / "linked/2019/05/R1.AVI"), m_sources["2019/05/R1.AVI"]);
}

TEST_F(FileOperationFaults, CopyOfARecordingReplacedByAPipeSinceTheScan) {
  // Opening a pipe for reading waits for a writer that never comes: the copy
  // must refuse it without opening it that way, and go on with the rest.
  std::filesystem::remove(tree / "card/2019/05/R1.AVI");
  ASSERT_EQ(::mkfifo((tree / "card/2019/05/R1.AVI").c_str(), 0644), 0);
  const std::string dest = tree.Folder("dest", 0777);
  const std::optional<std::string> report = RunInChild(
      [&] {
        ::alarm(20);  // a copy that hangs ends the child, which fails the test
        c.library.CopyChecked(dest, &c.owner);
        return Report(c.library);
      },
      false);
  ASSERT_TRUE(report.has_value()) << "the copy hung on the pipe";
  const std::vector<std::string> failures = LinesStartingWith(*report, 'F');
  ASSERT_EQ(failures.size(), 1u) << *report;
  EXPECT_NE(failures[0].find("R1.AVI"), std::string::npos);
  EXPECT_EQ(FilesBelow(dest), (std::set<std::string>{"2019/05/R0.AVI", "2019/05/R2.AVI"}));
  EXPECT_EQ(ReadBytes(dest + "/2019/05/R2.AVI"), m_sources["2019/05/R2.AVI"]);
}

TEST_F(FileOperationFaults, DeleteInAFolderTheUserMayNotChange) {
  // Writable recordings in a folder nobody may change, and one more recording
  // in a folder that anybody may change.
  WriteBytes(tree / "card/open/R9.AVI", Recording(3), 0666);
  ::chmod((tree / "card/open").c_str(), 0777);
  for (const auto& [name, bytes] : m_sources) ::chmod((tree / ("card/" + name)).c_str(), 0666);
  ::chmod((tree / "card/2019/05").c_str(), 0555);
  c.Open(tree / "card");
  ASSERT_EQ(c.library.Recordings().size(), 4u);
  ASSERT_EQ(c.library.Groups().size(), 1u);

  const std::optional<std::string> report = RunInChild([&] {
    c.library.DeleteChecked();
    return Report(c.library);
  });
  ASSERT_TRUE(report.has_value());
  const std::vector<std::string> failures = LinesStartingWith(*report, 'F');
  ASSERT_EQ(failures.size(), 3u) << *report;
  for (const std::string& f : failures) EXPECT_EQ(f.rfind(std::to_string(EACCES) + " ", 0), 0u) << f;
  std::vector<std::string> remaining = LinesStartingWith(*report, 'R');
  std::sort(remaining.begin(), remaining.end());
  EXPECT_EQ(remaining, (std::vector<std::string>{"2019/05/R0.AVI", "2019/05/R1.AVI", "2019/05/R2.AVI"}));
  EXPECT_FALSE(std::filesystem::exists(tree / "card/open/R9.AVI"));
  ExpectSourcesIntact();
}

TEST_F(FileOperationFaults, DeleteOfARecordingThatVanishedIsReported) {
  std::filesystem::remove(tree / "card/2019/05/R1.AVI");
  m_sources.erase("2019/05/R1.AVI");
  EXPECT_EQ(c.library.DeleteChecked(), 1);
  ASSERT_EQ(c.library.LastFailures().size(), 1u);
  EXPECT_EQ(c.library.LastFailures()[0].path, tree / "card/2019/05/R1.AVI");
  EXPECT_EQ(c.library.LastFailures()[0].error, ENOENT);
  // The others are gone; the vanished one stays listed (it could not be removed).
  ASSERT_EQ(c.library.Recordings().size(), 1u);
  EXPECT_EQ(c.library.Recordings()[0].name, "R1.AVI");
  EXPECT_TRUE(FilesBelow(tree / "card").empty());
}
