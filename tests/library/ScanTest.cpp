// OpenRecordings on real recordings written by the synthesizer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>

#include "LibraryBuilders.h"
#include "LibraryFakes.h"
#include "library/LibraryLists.h"
#include "LibraryTestTree.h"
#include "library/RecordingLibrary.h"
#include "Synth.h"

namespace {

// Small, quickly encoded recordings.
SynthOptions Small(int hour, int minute, int second, uint32_t durationMs = 10000) {
  SynthOptions o;
  o.hour = hour;
  o.minute = minute;
  o.second = second;
  o.durationMs = durationMs;
  o.width = 160;
  o.height = 120;
  o.fps = 5;
  return o;
}

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    library.SetScanCountCallback([this](int32_t count) { counts.push_back(count); });
  }
  std::string Write(const std::string& relative, const SynthOptions& options) {
    const std::string path = tree / relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteSynthRecording(path, options);
    return path;
  }
  // The scan as the window shows it: the lists filled afresh.
  bool Open(const std::string& folder) {
    const bool found = library.OpenRecordings(folder);
    lists.Fill();
    return found;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const RecordingInfo& r : library.Recordings()) names.push_back(r.subfolder + r.name);
    return names;
  }

  TempFolder tree;
  RecordingLibrary library;
  FakeGroupList groups;
  FakeFileList files;
  LibraryLists lists{library, &groups, &files};
  FakeOwner owner;
  std::vector<int32_t> counts;
};

}  // namespace

TEST_F(ScanTest, ExtensionsMatchInAnyCaseAndEveryFileCounts) {
  Write("A.AVI", Small(10, 0, 0));
  Write("b.avi", Small(10, 1, 0));
  Write("C.MOV", Small(10, 2, 0));
  Write("d.Mp4", Small(10, 3, 0));
  tree.File("notes.txt", "x");
  tree.File("BROKEN.AVI", "not a recording at all");
  tree.File("empty.mp4", "");
  ASSERT_EQ(::mkfifo((tree / "PIPE.AVI").c_str(), 0644), 0);  // must not block the scan

  EXPECT_EQ(Open(tree.Path()), 1);
  EXPECT_EQ(library.ScanCount(), 8);
  EXPECT_EQ(counts, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.AVI", "b.avi", "C.MOV", "d.Mp4"}));
  EXPECT_EQ(library.UnreadableCount(), 2);
  bool event = false, locked = false;  // what opening one file directly asks
  EXPECT_TRUE(RecordingLibrary::IsMovRecording("FILE0002.MP4", tree.Path(), event, locked));
  const RecordingInfo& a = library.Recordings()[0];
  EXPECT_EQ(a.folder, tree.Path() + "/");
  EXPECT_EQ(a.subfolder, "");
  EXPECT_EQ(a.summary.width, 160);
  EXPECT_EQ(a.summary.durationMs / 1000, 10u);
  EXPECT_GT(a.summary.gpsSize, 0u);
  EXPECT_EQ(library.GetRecordingPath(2), tree / "C.MOV");
  EXPECT_EQ(library.Recordings()[3].summary.durationMs / 1000, 10u);
  EXPECT_EQ(files.rows.size(), 4u);
  EXPECT_EQ(files.rows[0].folder, tree.Path() + "/");
  EXPECT_EQ(groups.rows.size(), 4u);
  EXPECT_EQ(groups.rows[0].resolution, "160x120");
}

TEST_F(ScanTest, ProtectionAndNameDecideEventAndLocked) {
  Protect(Write("EVGS0001.AVI", Small(9, 0, 0)));
  Protect(Write("FILE0001.AVI", Small(9, 0, 10)));
  Write("EVGS0002.AVI", Small(9, 0, 20));
  Protect(Write("EVGS0003.MOV", Small(9, 0, 30)));
  ASSERT_EQ(Open(tree.Path() + "/"), 1);
  std::map<std::string, int> flags;
  for (const RecordingInfo& r : library.Recordings()) flags[r.name] = r.flags;
  EXPECT_EQ(flags["EVGS0001.AVI"], RecordingFlagEvent);
  EXPECT_EQ(flags["FILE0001.AVI"], RecordingFlagLocked);
  EXPECT_EQ(flags["EVGS0002.AVI"], 0);
  EXPECT_EQ(flags["EVGS0003.MOV"], RecordingFlagEvent);
  ASSERT_EQ(library.Groups().size(), 1u);  // 10 s each, back to back
  EXPECT_EQ(library.Groups()[0].flags, RecordingFlagEvent | RecordingFlagLocked);
  EXPECT_EQ(groups.rows[0].icon, RecordingFlagEvent | RecordingFlagLocked);
}

TEST_F(ScanTest, SortsByStartTimeAndGroupsByGaps) {
  // 10:00:00 + 10 s, 10:00:11 + 10 s (1 s after the end), 10:00:24 (3 s after).
  Write("x/3.AVI", Small(10, 0, 24));
  Write("1.MOV", Small(10, 0, 0));
  Write("y/z/2.AVI", Small(10, 0, 11));
  SynthOptions noTime = Small(7, 0, 0);
  noTime.idit = SynthIdit::None;
  noTime.gpsClock = false;
  Write("untimed/0.AVI", noTime);
  Write(".hidden/H.AVI", Small(10, 0, 5));

  ASSERT_EQ(Open(tree.Path()), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"untimed/0.AVI", "1.MOV", "y/z/2.AVI", "x/3.AVI"}));
  EXPECT_EQ(library.Recordings()[0].summary.startTime, 0);
  EXPECT_EQ(library.ScanCount(), 4);  // nothing inside the hidden folder is examined
  EXPECT_EQ(GroupCounts(library), (std::vector<int32_t>{1, 2, 1}));
  EXPECT_EQ(library.Recordings()[2].subfolder, "y/z/");
  EXPECT_EQ(library.GetRecordingPath(2), tree / "y/z/2.AVI");
  EXPECT_EQ(files.rows[2].folder, tree.Path() + "/y/z/");
  for (std::size_t i = 0; i < library.Entries().size(); ++i)
    EXPECT_EQ(library.Entries()[i].recording, static_cast<int32_t>(i));
}

TEST_F(ScanTest, MissingFolderLeavesAnEmptyLibrary) {
  Write("A.AVI", Small(10, 0, 0));
  ASSERT_EQ(Open(tree.Path()), 1);
  ASSERT_EQ(library.Recordings().size(), 1u);
  library.SelectRecording(0);
  EXPECT_EQ(Open(tree / "gone"), 0);
  EXPECT_TRUE(library.Recordings().empty());
  EXPECT_TRUE(library.Groups().empty());
  EXPECT_TRUE(library.Entries().empty());
  EXPECT_EQ(library.CurrentRecording(), -1);
  EXPECT_TRUE(files.rows.empty());
  EXPECT_TRUE(groups.rows.empty());
  // An empty folder is not missing.
  std::filesystem::create_directory(tree / "empty");
  EXPECT_EQ(Open(tree / "empty"), 1);
  EXPECT_EQ(library.ScanCount(), 0);
}

TEST_F(ScanTest, FileNamesThatAreNotUtf8AreKept) {
  const std::string name = "\xff\xfe\x80 drive.AVI";
  Write("sub\xc3/" + name, Small(10, 0, 0));
  ASSERT_EQ(Open(tree.Path()), 1);
  ASSERT_EQ(library.Recordings().size(), 1u);
  EXPECT_EQ(library.Recordings()[0].name, name);
  EXPECT_EQ(library.Recordings()[0].subfolder, "sub\xc3/");
  EXPECT_TRUE(std::filesystem::exists(library.GetRecordingPath(0)));
}

TEST_F(ScanTest, TheDemoCardIsListedAsWritten) {
  const std::vector<SynthCardFile> written = WriteSynthCard(tree.Path(), SynthCardOptions{});
  ASSERT_EQ(Open(tree.Path()), 1);
  std::map<std::string, const SynthCardFile*> expected;
  std::set<int> drives;
  int visibleFiles = 0;
  for (const SynthCardFile& f : written) {
    if (f.hidden) continue;
    ++visibleFiles;
    if (!f.recording) continue;
    expected[f.relativePath] = &f;
    drives.insert(f.drive);
  }
  EXPECT_EQ(library.ScanCount(), visibleFiles);
  ASSERT_EQ(library.Recordings().size(), expected.size());
  EXPECT_EQ(library.Groups().size(), drives.size());
  std::map<int, int32_t> groupOfDrive;
  for (std::size_t i = 0; i < library.Recordings().size(); ++i) {
    const RecordingInfo& r = library.Recordings()[i];
    const auto it = expected.find(r.subfolder + r.name);
    ASSERT_NE(it, expected.end()) << r.subfolder + r.name;
    const SynthCardFile& f = *it->second;
    EXPECT_EQ(r.summary.startTime, f.startTime) << f.relativePath;
    EXPECT_EQ((r.flags & RecordingFlagEvent) != 0, f.event) << f.relativePath;
    EXPECT_EQ((r.flags & RecordingFlagLocked) != 0, f.locked) << f.relativePath;
    if (i > 0) {
      EXPECT_LE(library.Recordings()[i - 1].summary.startTime, r.summary.startTime);
    }
    // A drive is exactly one group.
    const int32_t group = library.Entries()[i].group;
    const auto [where, inserted] = groupOfDrive.emplace(f.drive, group);
    EXPECT_EQ(where->second, group) << f.relativePath;
  }
}

TEST_F(ScanTest, OperationsOnAScannedCard) {
  Protect(Write("DCIM/EVGS0001.AVI", Small(10, 0, 0)));
  Write("DCIM/FILE0002.AVI", Small(10, 0, 10));
  Write("DCIM/FILE0003.MOV", Small(10, 0, 20));
  Write("DCIM/later/FILE0004.AVI", Small(12, 0, 0));
  ASSERT_EQ(Open(tree.Path()), 1);
  ASSERT_EQ(GroupCounts(library), (std::vector<int32_t>{3, 1}));

  // Copy the first group elsewhere, then delete it: the event recording stays.
  library.CheckGroup(0, true);
  const std::string backup = tree / "backup";
  ASSERT_EQ(library.CopyChecked(backup, &owner), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  ASSERT_EQ(library.DeleteChecked(), 1);
  EXPECT_TRUE(library.LastFailures().empty());
  EXPECT_EQ(GroupCounts(library), (std::vector<int32_t>{1, 1}));

  // The copies are recordings with the same facts, below the same subfolder.
  RecordingLibrary copies;
  ASSERT_EQ(copies.OpenRecordings(backup), 1);
  ASSERT_EQ(copies.Recordings().size(), 3u);
  EXPECT_EQ(copies.Recordings()[0].name, "EVGS0001.AVI");
  EXPECT_EQ(copies.Recordings()[0].subfolder, "DCIM/");
  EXPECT_EQ(copies.Recordings()[0].flags, RecordingFlagEvent);
  EXPECT_EQ(copies.Recordings()[2].summary.startTime, LocalCalendarToTime(2024, 4, 12, 10, 0, 20));

  // Unlock the rest; a new scan agrees with the library.
  library.CheckGroup(0, true);
  ASSERT_EQ(library.UnlockChecked(), 1);
  EXPECT_EQ(library.Recordings()[0].flags, 0);
  RecordingLibrary again;
  ASSERT_EQ(again.OpenRecordings(tree / "DCIM"), 1);
  ASSERT_EQ(again.Recordings().size(), 2u);
  EXPECT_EQ(again.Recordings()[0].flags, 0);
}

TEST_F(ScanTest, ProbeListsTheLibraryAsJson) {
  Write("A.AVI", Small(10, 0, 0));
  Protect(Write("sub/EVGS0001.MOV", Small(10, 0, 10)));
  const std::string command = std::string(TRK_BIN_DIR) + "/trk-probe --library '" + tree.Path() + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  EXPECT_EQ(::pclose(pipe), 0);
  EXPECT_NE(out.find("\"result\":1,\"scanCount\":2,"), std::string::npos) << out;
  EXPECT_NE(out.find("\"groupStart\":1,\"flags\":0,\"name\":\"A.AVI\",\"folder\":\"" + tree.Path() +
                     "/\",\"subfolder\":\"\",\"summary\":{"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\"groupStart\":0,\"flags\":1,\"name\":\"EVGS0001.MOV\""), std::string::npos) << out;
  EXPECT_NE(out.find("\"groups\":[{\"number\":0,\"first\":0,\"count\":2,"), std::string::npos) << out;
  EXPECT_NE(out.find("\"entries\":[{\"group\":0,\"position\":0,\"recording\":0,"), std::string::npos) << out;
  EXPECT_EQ(out.back(), '\n');
}

// The scan index lists a card as a scan without it does; a recording changed
// on disk is read again, a protection changed by LOCK is seen, a recording
// listed under another time zone is reckoned again, and an index file that is
// not one is made anew.
TEST_F(ScanTest, TheScanIndexListsAsAScanWithoutIt) {
  Write("A.AVI", Small(10, 0, 0));
  const std::string mov = Write("DIR/C.MOV", Small(10, 0, 10));
  tree.File("CUT.MOV", std::string("\0\0\0\x10mdat", 8) + std::string(8, 'x'));
  TempFolder cache;
  const std::string index = cache / "scan-index.sqlite";
  auto listing = [&](bool withIndex) {
    library.SetScanIndexFile(withIndex ? index : "");
    Open(tree.Path());
    std::string text;
    for (const RecordingInfo& r : library.Recordings())
      text += r.name + " " + std::to_string(r.flags) + " " + std::to_string(r.summary.startTime) + " " +
              std::to_string(r.summary.durationMs) + " " + std::to_string(r.summary.width) + " " +
              std::to_string(r.summary.gpsOffset) + " " + std::to_string(r.summary.fileSize) + "\n";
    for (const CutRecording& c : library.CutRecordings()) text += c.path + " " + c.reason + "\n";
    return text;
  };
  const std::string plain = listing(false);
  EXPECT_NE(plain.find("mdat without moov"), std::string::npos);
  EXPECT_EQ(listing(true), plain);  // written
  EXPECT_EQ(listing(true), plain);  // read back

  WriteSynthRecording(mov, Small(12, 0, 0));
  Protect(tree / "A.AVI");
  const std::string changed = listing(false);
  EXPECT_NE(changed, plain);
  EXPECT_EQ(listing(true), changed);

  // The camera's clock is local time: another zone reckons other start times.
  ::setenv("TZ", "JST-9", 1);
  ::tzset();
  const std::string inTokyo = listing(false);
  EXPECT_NE(inTokyo, changed);
  EXPECT_EQ(listing(true), inTokyo);
  ::setenv("TZ", "UTC", 1);
  ::tzset();

  cache.File("scan-index.sqlite", std::string(4096, 'x'));
  EXPECT_EQ(listing(true), changed);
  EXPECT_EQ(ReadText(index).substr(0, 15), "SQLite format 3");
}
