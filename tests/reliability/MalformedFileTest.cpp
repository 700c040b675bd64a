// Whole files on disk, read through the path-based entry points the library
// uses: files too short to hold a header, a sparse 5 GiB recording whose
// blocks lie past 4 GiB, and random bytes under recording names.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "CheckedSource.h"
#include "container/SampleLoader.h"
#include "TempFolder.h"

namespace {

const int64_t kRecordTime = Local(2019, 5, 1, 8, 30, 0);

// Writes `bytes` at `offset` of a file of `size` bytes that holds nothing else
// (the rest is a hole: reads give zeros and the disk stores nothing).
class SparseFile {
 public:
  SparseFile(const std::string& path, uint64_t size) : m_path(path) {
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(m_fd, 0);
    EXPECT_EQ(::ftruncate(m_fd, static_cast<off_t>(size)), 0);
  }
  ~SparseFile() {
    if (m_fd >= 0) ::close(m_fd);
  }
  void Put(uint64_t offset, const Bytes& bytes) {
    EXPECT_EQ(::pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
  }

 private:
  std::string m_path;
  int m_fd = -1;
};

struct PathOutcome {
  int result;
  std::string reason;
  RecordingSummary summary;
};

PathOutcome RunPath(Walk walk, const std::string& path) {
  PathOutcome out{-2, {}, MarkedSummary()};
  RecordingFile file(&out.summary);
  out.result = walk == Walk::Avi ? file.ParseAvi(path) : walk == Walk::Mov ? file.ParseMov(path) : file.ScanMov(path);
  if (file.FailureReason()) out.reason = file.FailureReason();
  return out;
}

constexpr uint64_t kGiB = uint64_t{1} << 30;

}  // namespace

TEST(MalformedFiles, FilesOfZeroThreeAndSevenBytes) {
  TempFolder dir;
  const Bytes contents[] = {Bytes{}, Bytes{'R', 'I', 'F'}, Bytes{'R', 'I', 'F', 'F', 0x10, 0, 0}};
  const char* aviReasons[] = {"not a RIFF file", "not a RIFF file", "no video frame size"};
  for (int i = 0; i < 3; ++i) {
    const Bytes& bytes = contents[i];
    SCOPED_TRACE(std::to_string(bytes.size()) + " bytes");
    WriteBytes(dir / "SHORT.AVI", bytes);
    WriteBytes(dir / "SHORT.MOV", bytes);

    const PathOutcome avi = RunPath(Walk::Avi, dir / "SHORT.AVI");
    EXPECT_EQ(avi.result, -1);
    EXPECT_EQ(avi.reason, aviReasons[i]);
    EXPECT_EQ(avi.summary.fileSize, 0xDEADBEEFu);

    for (Walk walk : {Walk::Mov, Walk::Scan}) {
      const PathOutcome mov = RunPath(walk, dir / "SHORT.MOV");
      if (bytes.empty()) {
        EXPECT_EQ(mov.result, -1);
        EXPECT_EQ(mov.reason, "empty file");
        EXPECT_EQ(mov.summary.fileSize, 0xDEADBEEFu);
      } else {
        // A non-empty file without known atoms is a recording with all facts 0.
        EXPECT_EQ(mov.result, 0) << mov.reason;
        EXPECT_EQ(mov.summary.fileSize, bytes.size());
        EXPECT_EQ(mov.summary.width, 0);
        EXPECT_EQ(mov.summary.startTime, 0);
        EXPECT_EQ(mov.summary.gpsSize, 0u);
      }
    }

    RecordingSummary claimed;
    claimed.gpsOffset = 0;
    claimed.gpsSize = 32;
    claimed.gsensorOffset = 0;
    claimed.gsensorSize = 3;
    const LoadedBlocks blocks = LoadRecordingBlocks(dir / "SHORT.MOV", claimed);
    EXPECT_TRUE(blocks.opened);
    EXPECT_FALSE(blocks.gpsRead);
    EXPECT_EQ(blocks.gsensorRead, bytes.size() >= 3);
  }
}

namespace {

// A source of `size` bytes with no memory behind it: every read gives 'A's.
class ClaimedSource final : public ByteSource {
 public:
  explicit ClaimedSource(uint64_t size) : m_size(size) {}
  uint64_t Size() const override { return m_size; }
  int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override {
    if (offset >= m_size) return 0;
    const auto n = static_cast<std::size_t>(std::min<uint64_t>(size, m_size - offset));
    std::memset(buffer, 'A', n);
    return static_cast<int64_t>(n);
  }
  bool ModificationTime(int64_t*) override { return false; }

 private:
  uint64_t m_size;
};

uint64_t AddressSpaceInUse() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

enum LoadBits { GpsRead = 1, GpsWhole = 2, GpsEmpty = 4, GsensorRead = 8, GsensorWhole = 16, GsensorEmpty = 32 };

// Loads the blocks in a child process whose address space may grow by
// `headroom` bytes only. The child's exit code holds LoadBits; -1 when it did
// not exit (an exception ended it).
int LoadInLimitedMemory(const RecordingSummary& summary, uint64_t headroom) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlim_t limit = AddressSpaceInUse() + headroom;
    const rlimit lim{limit, limit};
    if (::setrlimit(RLIMIT_AS, &lim) != 0) ::_exit(100);
    ClaimedSource source(8ull << 30);
    const LoadedBlocks b = LoadRecordingBlocks(source, summary);
    int bits = 0;
    if (b.gpsRead) bits |= GpsRead;
    if (b.gpsRead && b.gps.size() == summary.gpsSize / kGpsRecordSize) bits |= GpsWhole;
    if (b.gps.empty()) bits |= GpsEmpty;
    if (b.gsensorRead) bits |= GsensorRead;
    if (b.gsensorRead && b.gsensor.size() == summary.gsensorSize / kGSensorRecordSize) bits |= GsensorWhole;
    if (b.gsensor.empty()) bits |= GsensorEmpty;
    ::_exit(bits);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// A byte scan can take any four bytes inside a large mdat for the size of a
// GPS or G-sensor block, up to 4 GiB, and such a block lies inside a file
// larger than that. Loading it must never end the program: the block is read
// when memory allows, else dropped.
TEST(MalformedFiles, HugeClaimedBlocksLoadOrAreDroppedButNeverEndTheProgram) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit allows";
#endif
#endif
  constexpr uint32_t kBlock = 96u << 20;  // a multiple of both record sizes
  RecordingSummary gps;
  gps.gpsOffset = 5ull << 30;
  gps.gpsSize = kBlock;
  RecordingSummary gsensor;
  gsensor.gsensorOffset = 5ull << 30;
  gsensor.gsensorSize = kBlock;
  struct Case {
    const char* what;
    RecordingSummary summary;
    uint64_t headroom;
    int expected;
  };
  const Case cases[] = {
      // Room for the decoded records once, not twice.
      {"GPS block, room for it once", gps, 160u << 20, GpsRead | GpsWhole | GsensorEmpty},
      {"G-sensor block, room for it once", gsensor, 160u << 20, GsensorRead | GsensorWhole | GpsEmpty},
      // No room at all: nothing is shown, nothing half-loaded is kept.
      {"GPS block, no room", gps, 48u << 20, GpsEmpty | GsensorEmpty},
      {"G-sensor block, no room", gsensor, 48u << 20, GpsEmpty | GsensorEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LoadInLimitedMemory(c.summary, c.headroom), c.expected);
  }
}

TEST(MalformedFiles, MissingFilesAndFoldersFailToOpen) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "FOLDER.AVI");
  for (const std::string& path : {dir / "NONE.AVI", dir / "FOLDER.AVI"}) {
    for (Walk walk : {Walk::Avi, Walk::Mov, Walk::Scan}) {
      const PathOutcome out = RunPath(walk, path);
      EXPECT_EQ(out.result, -1);
      EXPECT_EQ(out.reason, "cannot open");
      EXPECT_EQ(out.summary.fileSize, 0xDEADBEEFu);
    }
    EXPECT_FALSE(LoadRecordingBlocks(path, RecordingSummary{}).opened);
  }
}

// A sparse 5 GiB AVI: a 2 GiB JUNK chunk and a movi list carry the walk past
// 4 GiB, where the GPS and G-sensor blocks lie.
TEST(MalformedFiles, Sparse5GiBAviWithBlocksPast4GiB) {
  TempFolder dir;
  const std::string path = dir / "BIG.AVI";
  const uint64_t size = 5 * kGiB;
  const Bytes head = Concat({ByteWriter().Raw("RIFF").U32LE(0xFFFFFFFF).Raw("AVI ").Take(), AviHeaderList(),
                             ByteWriter().Raw("JUNK").U32LE(0x80000000).Take()});
  const uint64_t moviAt = head.size() + 0x80000000ull;
  const uint64_t blocksAt = 4 * kGiB + kGiB / 2;
  const uint64_t moviSize = blocksAt - moviAt - 8;
  ASSERT_LT(moviSize, uint64_t{1} << 32);
  const Bytes blocks = Concat({AviChunk("gps0", GpsRecords(3)), AviChunk("gsen", GSensorRecords(10))});
  {
    SparseFile file(path, size);
    file.Put(0, head);
    file.Put(moviAt, ByteWriter().Raw("LIST").U32LE(static_cast<uint32_t>(moviSize)).Raw("movi").Take());
    file.Put(blocksAt, blocks);
  }
  ASSERT_EQ(std::filesystem::file_size(path), size);

  const PathOutcome out = RunPath(Walk::Avi, path);
  ASSERT_EQ(out.result, 0) << out.reason;
  EXPECT_EQ(out.summary.fileSize, size);
  EXPECT_EQ(out.summary.width, 1920);
  EXPECT_EQ(out.summary.gpsOffset, blocksAt + 8);
  EXPECT_EQ(out.summary.gpsSize, 96u);
  EXPECT_EQ(out.summary.gsensorOffset, blocksAt + 8 + 96 + 8);
  EXPECT_EQ(out.summary.gsensorSize, 30u);
  EXPECT_EQ(out.summary.startTime, kRecordTime);

  const LoadedBlocks loaded = LoadRecordingBlocks(path, out.summary);
  ASSERT_TRUE(loaded.gpsRead);
  ASSERT_EQ(loaded.gps.size(), 3u);
  EXPECT_DOUBLE_EQ(loaded.gps[2].latitude, 2502.5 + 0.02);
  EXPECT_EQ(loaded.gps[2].second, 2);
  ASSERT_TRUE(loaded.gsensorRead);
  ASSERT_EQ(loaded.gsensor.size(), 10u);
  EXPECT_EQ(loaded.gsensor[9].x, 9);
}

// A sparse 5 GiB QuickTime file: two mdat atoms carry both walks past 4 GiB.
TEST(MalformedFiles, Sparse5GiBMovWithBlocksPast4GiB) {
  TempFolder dir;
  const std::string path = dir / "BIG.MOV";
  const uint64_t size = 5 * kGiB;
  const Bytes ftyp = Atom("ftyp", ByteWriter().Raw("qt  ").U32BE(0).Raw("qt  ").Get());
  const Bytes head = Concat({ftyp, Moov(), ByteWriter().U32BE(0xFFFFFFF0).Raw("mdat").Take()});
  const uint64_t secondMdatAt = ftyp.size() + Moov().size() + 0xFFFFFFF0ull;
  const uint64_t blocksAt = size - 4096;
  const Bytes blocks = Concat({ValueAtom("gpsa", 1), Atom("gps0", GpsRecords(3)), Atom("gsen", GSensorRecords(10))});
  {
    SparseFile file(path, size);
    file.Put(0, head);
    file.Put(secondMdatAt, ByteWriter().U32BE(static_cast<uint32_t>(blocksAt - secondMdatAt)).Raw("mdat").Take());
    file.Put(blocksAt, blocks);
  }
  for (Walk walk : {Walk::Mov, Walk::Scan}) {
    const PathOutcome out = RunPath(walk, path);
    ASSERT_EQ(out.result, 0) << out.reason;
    EXPECT_EQ(out.summary.fileSize, size);
    EXPECT_EQ(out.summary.width, 1920);
    EXPECT_EQ(out.summary.durationSeconds, 60);
    EXPECT_EQ(out.summary.gpsaValue, 1u);
    EXPECT_EQ(out.summary.gpsOffset, blocksAt + 12 + 8);
    EXPECT_EQ(out.summary.gpsSize, 96u);
    EXPECT_EQ(out.summary.gsensorOffset, blocksAt + 12 + 104 + 8);
    if (walk == Walk::Mov) {
      EXPECT_EQ(out.summary.startTime, kRecordTime);
    } else {
      // The scan looks for a date text before the gpsa atom and, finding
      // none, takes the file time less the duration before the GPS clock.
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(out.summary.startTime, FromFileTime(st.st_mtime - 60));
    }
    const LoadedBlocks loaded = LoadRecordingBlocks(path, out.summary);
    ASSERT_TRUE(loaded.gpsRead);
    EXPECT_EQ(loaded.gps.size(), 3u);
    EXPECT_TRUE(loaded.gsensorRead);
  }
}

// Random bytes under recording names: the AVI walk refuses them, the
// QuickTime walks accept them with what little they find, and the file and the
// in-memory reading paths agree.
TEST(MalformedFiles, RandomBytesWithRecordingNames) {
  TempFolder dir;
  std::mt19937 random(20190501);
  int n = 0;
  for (std::size_t size : {1u, 4u, 9u, 100u, 4096u, 65537u, 300000u}) {
    for (bool riff : {false, true}) {
      Bytes bytes(size);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      if (riff && size >= 4) std::copy_n("RIFF", 4, bytes.begin());
      SCOPED_TRACE(std::to_string(size) + (riff ? " bytes after RIFF" : " random bytes"));
      const std::string name = "R" + std::to_string(++n);
      WriteBytes(dir / (name + ".AVI"), bytes);
      WriteBytes(dir / (name + ".MOV"), bytes);

      const PathOutcome avi = RunPath(Walk::Avi, dir / (name + ".AVI"));
      const WalkOutcome aviMemory = RunWalk(Walk::Avi, bytes);
      EXPECT_WALK_ENDS_INSIDE(aviMemory);
      EXPECT_EQ(avi.result, aviMemory.result);
      if (!(riff && size >= 4)) {
        EXPECT_EQ(avi.result, -1);
        EXPECT_EQ(avi.reason, "not a RIFF file");
      }
      if (avi.result == 0) {
        EXPECT_NE(avi.summary.width, 0);
      }

      for (Walk walk : {Walk::Mov, Walk::Scan}) {
        const PathOutcome mov = RunPath(walk, dir / (name + ".MOV"));
        const WalkOutcome movMemory = RunWalk(walk, bytes, std::nullopt);
        EXPECT_WALK_ENDS_INSIDE(movMemory);
        // Far fewer reads than bytes: the walks step over what they skip.
        EXPECT_LT(movMemory.requests, size / 2 + 64);
        EXPECT_EQ(mov.result, 0) << mov.reason;
        EXPECT_EQ(mov.summary.fileSize, size);
        if (movMemory.result == 0) {
          EXPECT_EQ(movMemory.summary.gpsOffset, mov.summary.gpsOffset);
        }
      }
    }
  }
}
