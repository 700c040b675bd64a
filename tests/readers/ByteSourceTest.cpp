#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "fileio/ByteSource.h"
#include "container/RecordingFile.h"
#include "container/SampleLoader.h"
#include "TempFolder.h"
#include "TestBytes.h"

namespace {

std::string WriteFile(const TempFolder& tmp, const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = tmp / name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<uint8_t> RandomBytes(std::size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

}  // namespace

TEST(ByteSource, FileReadsMatchTheFileAcrossWindows) {
  TempFolder tmp;
  const auto bytes = RandomBytes(3 * 1024 * 1024 + 17, 1);
  const std::string path = WriteFile(tmp, "data.bin", bytes);
  FileByteSource source;
  ASSERT_TRUE(source.Open(path));
  EXPECT_EQ(source.Size(), bytes.size());
  std::mt19937 rng(2);
  std::vector<uint8_t> buf(FileByteSource::kCapacity + 100);
  for (int i = 0; i < 500; ++i) {
    const uint64_t offset = rng() % (bytes.size() + 10);
    const std::size_t n = i % 50 == 0 ? FileByteSource::kCapacity + 50 : rng() % 5000;
    const int64_t got = source.ReadAt(offset, buf.data(), n);
    const uint64_t expected = offset >= bytes.size() ? 0 : std::min<uint64_t>(n, bytes.size() - offset);
    ASSERT_EQ(got, static_cast<int64_t>(expected)) << offset << " " << n;
    ASSERT_EQ(0, std::memcmp(buf.data(), bytes.data() + std::min<uint64_t>(offset, bytes.size()), expected));
  }
  const uint8_t* data = nullptr;
  const int64_t got = source.Window(bytes.size() - 10, 4096, &data);
  ASSERT_EQ(got, 10);
  EXPECT_EQ(0, std::memcmp(data, bytes.data() + bytes.size() - 10, 10));
  EXPECT_EQ(source.Window(bytes.size(), 16, &data), 0);
}

TEST(ByteSource, RefusesWhatIsNotARegularFile) {
  TempFolder tmp;
  FileByteSource source;
  EXPECT_FALSE(source.Open(tmp.Path()));
  const std::string fifo = tmp.Path() + "/pipe.MOV";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(source.Open(fifo));  // and does not hang waiting for a writer
  EXPECT_FALSE(source.Open(tmp.Path() + "/missing.AVI"));
  RecordingFile reader;
  EXPECT_EQ(reader.ParseMov(fifo), -1);
  EXPECT_EQ(reader.ParseAvi(tmp.Path() + "/missing.AVI"), -1);
}

TEST(ByteSource, ScanDoesNotReadPerOffset) {
  // 8 MiB without a single known type: the byte scan tests 8 million offsets.
  TempFolder tmp;
  std::vector<uint8_t> bytes(8 * 1024 * 1024, 'x');
  const std::string path = WriteFile(tmp, "big.MOV", bytes);
  FileByteSource source;
  ASSERT_TRUE(source.Open(path));
  RecordingSummary s;
  RecordingFile reader(&s);
  ASSERT_EQ(reader.ScanMov(source), 0);
  EXPECT_LT(source.ReadCalls(), 64u);
  EXPECT_EQ(s.fileSize, bytes.size());
}

TEST(ByteSource, FileTimeIsTheModificationTime) {
  TempFolder tmp;
  const std::string path = WriteFile(tmp, "t.AVI", {1, 2, 3});
  const struct timespec times[2] = {{1234567890, 0}, {1234567890, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  FileByteSource source;
  ASSERT_TRUE(source.Open(path));
  int64_t t = 0;
  ASSERT_TRUE(source.ModificationTime(&t));
  EXPECT_EQ(t, 1234567890);
  MemoryByteSource memory(std::vector<uint8_t>{1});
  EXPECT_FALSE(memory.ModificationTime(&t));
}

TEST(SampleLoader, ReadsBlocksOnlyInsideTheFile) {
  ByteWriter f;
  f.Zeros(8);
  const std::size_t gpsAt = f.Size();
  f.Append(GpsRecords({ClockRecord(2019, 5, 1, 8, 30, 0), GpsSample{}, ClockRecord(2019, 5, 1, 8, 30, 2)}));
  f.Zeros(4);  // a 100-byte block holds 3 records
  const std::size_t gsenAt = f.Size();
  f.Raw("\x01\x02\x03\xfd\xfe\xff\x10\x20\x30\x40", 10);  // 10 bytes hold 3 records
  MemoryByteSource source(f.Get());
  RecordingSummary s;
  s.gpsOffset = gpsAt;
  s.gpsSize = 100;
  s.gsensorOffset = gsenAt;
  s.gsensorSize = 10;
  LoadedBlocks b = LoadRecordingBlocks(source, s);
  ASSERT_TRUE(b.gpsRead);
  ASSERT_EQ(b.gps.size(), 3u);
  EXPECT_EQ(b.gps[2].second, 2);
  EXPECT_EQ(b.gps[1].status, 0);
  ASSERT_TRUE(b.gsensorRead);
  ASSERT_EQ(b.gsensor.size(), 3u);
  EXPECT_EQ(b.gsensor[1].x, -3);
  EXPECT_EQ(b.gsensor[2].z, 0x30);

  // Past the end, or an offset + size that would wrap: not read.
  s.gsensorSize = 11;
  s.gpsOffset = ~uint64_t{0} - 10;
  b = LoadRecordingBlocks(source, s);
  EXPECT_FALSE(b.gpsRead);
  EXPECT_FALSE(b.gsensorRead);
  EXPECT_TRUE(b.gps.empty());
  // Only what is asked for.
  s.gsensorSize = 10;
  b = LoadRecordingBlocks(source, s, true, false);
  EXPECT_FALSE(b.gsensorRead);
  EXPECT_FALSE(LoadRecordingBlocks("/nonexistent/FILE.AVI", s).opened);
}
