// Folder scans over trees that fight back: link loops, folders and files the
// user may not read, a tree 200 levels deep, files that vanish or change
// between listing and reading, names that are not UTF-8, a recording past
// 4 GiB and files that only look like recordings. Every scan must end, list
// each readable recording once and list nothing it could not read.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "FaultSupport.h"
#include "container/SampleLoader.h"

namespace {

using Names = std::vector<std::string>;

Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

int OpenDescriptors() {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)e;
    ++n;
  }
  return n;
}

// The order in which the file system lists a folder (the scan sees the same).
Names ListingOrder(const std::string& folder) {
  Names names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* e = ::readdir(dir))
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  ::closedir(dir);
  return names;
}

// Runs an action after the scan has examined its n-th file.
class HookedProgress {
 public:
  void ShowScanCount(int32_t count) {
    if (count == at && action) action();
    last = count;
  }
  int32_t at = 0;
  std::function<void()> action;
  int32_t last = -1;
};

}  // namespace

TEST(ScanFaults, FolderLinkLoopsEndAndEveryRecordingIsListedOnce) {
  FaultTree tree;
  WriteBytes(tree / "card/A.AVI", Recording(0));
  WriteBytes(tree / "card/sub/B.AVI", Recording(1));
  WriteBytes(tree / "card/sub/deeper/C.AVI", Recording(2));
  ASSERT_EQ(::symlink("..", (tree / "card/sub/up").c_str()), 0);
  ASSERT_EQ(::symlink(".", (tree / "card/sub/deeper/self").c_str()), 0);
  ASSERT_EQ(::symlink((tree / "card").c_str(), (tree / "card/sub/deeper/root").c_str()), 0);
  ASSERT_EQ(::symlink("sub", (tree / "card/alias").c_str()), 0);
  ASSERT_EQ(::symlink("loop2", (tree / "card/loop1").c_str()), 0);  // a link cycle: resolves nowhere
  ASSERT_EQ(::symlink("loop1", (tree / "card/loop2").c_str()), 0);

  const int descriptors = OpenDescriptors();
  CheckedLibrary c;
  c.Open(tree / "card");
  EXPECT_EQ(Sorted(c.Names()), (Names{"A.AVI", "sub/B.AVI", "sub/deeper/C.AVI"}));
  EXPECT_EQ(c.library.Groups().size(), 1u);
  EXPECT_EQ(c.files.rows, 3);
  EXPECT_EQ(OpenDescriptors(), descriptors) << "the walk left folders open";
}

TEST(ScanFaults, FoldersAndFilesTheUserMayNotReadContributeNothing) {
  FaultTree tree;
  WriteBytes(tree / "card/open/A.AVI", Recording(0));
  WriteBytes(tree / "card/closed/B.AVI", Recording(1));
  WriteBytes(tree / "card/listonly/C.AVI", Recording(2));  // the folder may be listed, not entered
  WriteBytes(tree / "card/D.AVI", Recording(3), 0000);     // a file nobody may read
  WriteBytes(tree / "card/later/E.AVI", Recording(4));
  WriteBytes(tree / "card/closed/inner/F.AVI", Recording(5));
  ASSERT_EQ(::chmod((tree / "card/closed").c_str(), 0000), 0);
  ASSERT_EQ(::chmod((tree / "card/listonly").c_str(), 0444), 0);

  const std::optional<std::string> report = RunInChild([&] {
    CheckedLibrary c;
    c.Open(tree / "card");
    std::string out = Report(c.library);
    out += "C " + std::to_string(c.library.ScanCount()) + "\n";
    return out;
  });
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(Sorted(LinesStartingWith(*report, 'R')), (Names{"later/E.AVI", "open/A.AVI"}));
  // Examined: A, D, E and the name C that the list-only folder gave away.
  EXPECT_EQ(LinesStartingWith(*report, 'C'), (Names{"4"}));
}

TEST(ScanFaults, TreeTwoHundredLevelsDeepEnds) {
  FaultTree tree;
  const int depths[] = {0, 1, 20, 39, 40, 41, 100, 199, 200};
  std::string relative;
  Names reachable;
  for (int depth = 0, next = 0; depth <= 200; ++depth) {
    if (depth > 0) relative += "d/";
    if (next < 9 && depths[next] == depth) {
      const std::string name = relative + "R" + std::to_string(depth) + ".AVI";
      WriteBytes(tree / ("card/" + name), Recording(depth % 60));
      // The walk keeps 40 listings open: the root and 39 levels below it.
      if (depth <= 39) reachable.push_back(name);
      ++next;
    }
  }
  const int descriptors = OpenDescriptors();
  CheckedLibrary c;
  c.Open(tree / "card");
  EXPECT_EQ(Sorted(c.Names()), Sorted(reachable));
  EXPECT_EQ(OpenDescriptors(), descriptors) << "the walk left folders open";
}

TEST(ScanFaults, FilesThatVanishOrChangeBetweenListingAndReading) {
  FaultTree tree;
  const std::string card = tree / "card";
  for (int i = 0; i < 6; ++i) WriteBytes(card + "/F" + std::to_string(i) + ".AVI", Recording(i));
  WriteBytes(card + "/zz/G.AVI", Recording(10));
  const Names order = ListingOrder(card);
  ASSERT_EQ(order.size(), 7u);

  // Once the first entry has been examined, the next ones change under the
  // scan: one vanishes, one becomes a FIFO, one is cut to nothing, one is
  // replaced by a folder; a folder not yet entered vanishes with its content.
  // Whatever comes after them stays as it was.
  Names expected;
  std::vector<std::function<void(const std::string&)>> changes = {
      [](const std::string& p) { std::filesystem::remove_all(p); },
      [](const std::string& p) {
        std::filesystem::remove_all(p);
        ::mkfifo(p.c_str(), 0644);
      },
      [](const std::string& p) {
        if (std::filesystem::is_regular_file(p))
          ::truncate(p.c_str(), 0);
        else
          std::filesystem::remove_all(p);
      },
      [](const std::string& p) {
        std::filesystem::remove_all(p);
        std::filesystem::create_directory(p);
      },
  };
  HookedProgress progress;
  progress.at = 0;
  progress.action = [&] {
    for (std::size_t k = 1; k < order.size() && k <= changes.size(); ++k) changes[k - 1](card + "/" + order[k]);
  };
  if (order[0] == "zz")
    expected.push_back("zz/G.AVI");
  else
    expected.push_back(order[0]);
  for (std::size_t k = changes.size() + 1; k < order.size(); ++k)
    expected.push_back(order[k] == "zz" ? "zz/G.AVI" : order[k]);

  CheckedLibrary c;
  c.library.SetScanCountCallback([&progress](int32_t count) { progress.ShowScanCount(count); });
  c.Open(card);
  EXPECT_EQ(Sorted(c.Names()), Sorted(expected));
  EXPECT_GE(progress.last, 1);
}

TEST(ScanFaults, NamesThatAreNotUtf8AreKeptByteForByte) {
  FaultTree tree;
  const std::string odd = "\xff\xfe.AVI";
  const std::string folder = "\xc3\x28-\x80";
  const std::string inner = "REC\xe9.AVI";
  WriteBytes(tree / ("card/" + odd), Recording(0));
  WriteBytes(tree / ("card/" + folder + "/" + inner), Recording(1));

  CheckedLibrary c;
  c.Open(tree / "card");
  ASSERT_EQ(Sorted(c.Names()), Sorted(Names{odd, folder + "/" + inner}));
  for (int32_t i = 0; i < 2; ++i) {
    const std::string path = c.library.GetRecordingPath(i);
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    const LoadedBlocks blocks = LoadRecordingBlocks(path, c.library.Recordings()[static_cast<std::size_t>(i)].summary);
    EXPECT_TRUE(blocks.gpsRead);
    EXPECT_EQ(blocks.gps.size(), 4u);
  }
}

TEST(ScanFaults, RecordingLargerThan4GiBIsListedWithItsBlocks) {
  FaultTree tree;
  const std::string path = tree / "card/BIG.AVI";
  std::filesystem::create_directories(tree / "card");
  // A sparse 5 GiB recording: a 4.5 GiB movi list, then the blocks.
  const uint64_t size = uint64_t{5} << 30;
  const Bytes head = Concat({ByteWriter().Raw("RIFF").U32LE(0xFFFFFFFF).Raw("AVI ").Take(), AviHeaderList()});
  ByteWriter junk;
  junk.Raw("JUNK").U32LE(0x80000000);
  const uint64_t moviAt = head.size() + 8 + 0x80000000ull;
  const uint64_t blocksAt = (uint64_t{9} << 29);  // 4.5 GiB
  {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    const Bytes start = Concat({head, junk.Get()});
    const Bytes movi = ByteWriter().Raw("LIST").U32LE(static_cast<uint32_t>(blocksAt - moviAt - 8)).Raw("movi").Take();
    const Bytes blocks = Concat({AviChunk("gps0", GpsRecords(5)), AviChunk("gsen", GSensorRecords(9))});
    ASSERT_EQ(::pwrite(fd, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));
    ASSERT_EQ(::pwrite(fd, movi.data(), movi.size(), static_cast<off_t>(moviAt)), static_cast<ssize_t>(movi.size()));
    ASSERT_EQ(::pwrite(fd, blocks.data(), blocks.size(), static_cast<off_t>(blocksAt)),
              static_cast<ssize_t>(blocks.size()));
    ::close(fd);
  }
  WriteBytes(tree / "card/SMALL.AVI", Recording(31));  // 08:31, right after BIG's minute

  CheckedLibrary c;
  c.Open(tree / "card");
  ASSERT_EQ(Sorted(c.Names()), (Names{"BIG.AVI", "SMALL.AVI"}));
  const auto big = std::find_if(c.library.Recordings().begin(), c.library.Recordings().end(),
                                [](const RecordingInfo& r) { return r.name == "BIG.AVI"; });
  EXPECT_EQ(big->summary.fileSize, size);
  EXPECT_EQ(big->summary.gpsOffset, blocksAt + 8);
  ASSERT_EQ(c.library.Groups().size(), 1u);  // no date: it starts at its GPS clock, 08:30
  EXPECT_EQ(c.library.Groups()[0].size, size + Recording(31).size());
  const LoadedBlocks blocks = LoadRecordingBlocks(path, big->summary);
  EXPECT_TRUE(blocks.gpsRead);
  EXPECT_EQ(blocks.gps.size(), 5u);
  EXPECT_EQ(blocks.gsensor.size(), 9u);
}

TEST(ScanFaults, FilesThatOnlyLookLikeRecordingsAreNotListed) {
  FaultTree tree;
  const std::string card = tree / "card";
  WriteBytes(card + "/GOOD.AVI", Recording(0));
  std::mt19937 random(7);
  Bytes noise(100000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  WriteBytes(card + "/NOISE.AVI", noise);
  WriteBytes(card + "/EMPTY.AVI", Bytes{});
  WriteBytes(card + "/EMPTY.MOV", Bytes{});
  Bytes cut = Recording(1);
  cut.resize(cut.size() - 30);  // cut off in the middle of the movi list
  WriteBytes(card + "/CUT.AVI", cut);
  ASSERT_EQ(::mkfifo((card + "/PIPE.AVI").c_str(), 0644), 0);
  std::filesystem::create_directory(card + "/FOLDER.AVI");
  ASSERT_EQ(::symlink("nowhere.AVI", (card + "/DANGLING.AVI").c_str()), 0);
  // A link to a good recording elsewhere: DEL would remove only the link and
  // LOCK would change the mode of its target.
  WriteBytes(tree / "elsewhere/REAL.AVI", Recording(2));
  ASSERT_EQ(::symlink((tree / "elsewhere/REAL.AVI").c_str(), (card + "/LINK.AVI").c_str()), 0);

  CheckedLibrary c;
  c.Open(card);
  EXPECT_EQ(c.Names(), (Names{"GOOD.AVI"}));
}
