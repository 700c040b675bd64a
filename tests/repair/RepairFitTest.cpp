// What a QuickTime repair takes as its reference and what bytes become
// frames: only a healthy recording of the same coding and frame size, the
// next one when the nearest does not fit, none rather than a wrong one; stale
// bytes of the card after the cut and absurd sizes never make a frame.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "CutRepair.h"
#include "RepairSupport.h"
#include "TempFolder.h"

namespace {

// A healthy recording by ffmpeg, dated `minutesAgo` (its only time). H.265
// without B-frames: the repair orders pictures by H.264 slice headers only.
void Encode(const std::string& path, const std::string& codec, const std::string& size, int minutesAgo) {
  int status = 0;
  ShellOutput("ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=" + size + ":rate=10:duration=3 -c:v " + codec +
                  " -preset veryfast -pix_fmt yuv420p -f mov '" + path + "'",
              &status);
  ASSERT_EQ(status, 0) << path;
  std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
}

std::string DecodeErrors(const std::string& path) {
  return ShellOutput("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1");
}

uint64_t InsideFrame(const SynthReport&, const std::vector<uint64_t>& ends) { return ends[ends.size() * 6 / 10] - 10; }

}  // namespace

TEST(RepairFit, OnlyAReferenceOfTheSameCodingAndFrameSizeIsTaken) {
  struct Healthy {
    const char* name;
    const char* codec;
    const char* size;
    int minutesAgo;
  };
  struct Row {
    const char* what;
    std::vector<Healthy> healthy;
    Healthy cut;
    const char* expected;  // nullptr: no reference fits
  };
  const std::vector<Row> rows = {
      {"H.265 cut, an H.264 recording nearest",
       {{"FILE0001.MOV", "libx265 -bf 0", "320x180", 3}, {"FILE0002.MOV", "libx264", "320x180", 2}},
       {"FILE0003.MOV", "libx265 -bf 0", "320x180", 1}, "FILE0001.MOV"},
      {"H.265 cut, only H.264 recordings", {{"FILE0002.MOV", "libx264", "320x180", 2}},
       {"FILE0003.MOV", "libx265 -bf 0", "320x180", 1}, nullptr},
      {"640x360 cut, a 1280x720 recording nearest",
       {{"FILE0001.MOV", "libx264", "640x360", 3}, {"FILE0002.MOV", "libx264", "1280x720", 2}},
       {"FILE0003.MOV", "libx264", "640x360", 1}, "FILE0001.MOV"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder card, out;
    for (const Healthy& h : row.healthy) Encode(card / h.name, h.codec, h.size, h.minutesAgo);
    Encode(card / "WHOLE.tmp", row.cut.codec, row.cut.size, 0);
    const std::vector<uint8_t> whole = FileBytes(card / "WHOLE.tmp");
    WriteBytes(card / row.cut.name, std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() * 6 / 10));
    std::filesystem::last_write_time(card / row.cut.name, std::filesystem::file_time_type::clock::now() -
                                                               std::chrono::minutes(row.cut.minutesAgo));

    const RepairResult r = RepairCutRecording(card / row.cut.name, out.Path());
    if (!row.expected) {
      EXPECT_EQ(r.failure, RepairFailure::NoReference) << r.detail;
      EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
      continue;
    }
    ASSERT_TRUE(r.Repaired()) << r.detail;
    EXPECT_EQ(r.reference, card / row.expected);
    EXPECT_GT(DecodedFrames(r.output), 10);
    EXPECT_EQ(DecodeErrors(r.output), "");
  }
}

TEST(RepairFit, StaleBytesAfterTheCutAndHugeSizesNeverBecomeFrames) {
  const std::string mdat64 = "ftyp,idit,gpsa,gsea,gps0,gsen,mdat64,moov";
  struct Row {
    const char* what;
    const char* file;
    std::string layout;
    uint64_t largesize;  // written over the mdat's 64-bit size (0: as it is)
    std::size_t stale;   // random bytes after the cut
  };
  const std::vector<Row> rows = {
      {"AVI, then stale bytes", "FILE0001.AVI", "", 0, 3u << 20},
      {"MOV whose mdat runs to the end, then stale bytes", "FILE0001.MOV", mdat64, uint64_t{1} << 63, 3u << 20},
      {"MOV with the largest 64-bit mdat size", "FILE0001.MOV", mdat64, ~uint64_t{0}, 0},
  };
  std::mt19937 random(27);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder card, plain, out;
    if (std::string(row.file).ends_with(".MOV")) WriteSynthRecording(card / "FILE0000.MOV", SmallCamera(10, 6000, 10, row.layout));
    WriteCut(card / row.file, SmallCamera(20, 6000, 10, row.layout), InsideFrame);
    const RepairResult before = RepairCutRecording(card / row.file, plain.Path());
    ASSERT_TRUE(before.Repaired()) << before.detail;

    std::vector<uint8_t> bytes = FileBytes(card / row.file);
    if (row.largesize != 0) {
      const auto mdat = std::search(bytes.begin(), bytes.end(), std::begin("mdat"), std::end("mdat") - 1);
      ASSERT_NE(mdat, bytes.end());
      for (int i = 0; i < 8; ++i) mdat[4 + i] = static_cast<uint8_t>(row.largesize >> (56 - 8 * i));
    }
    for (std::size_t i = 0; i < row.stale; ++i) bytes.push_back(static_cast<uint8_t>(random()));
    WriteBytes(card / row.file, bytes);

    const RepairResult r = RepairCutRecording(card / row.file, out.Path());
    ASSERT_TRUE(r.Repaired()) << r.detail;
    EXPECT_EQ(r.frames, before.frames);
    EXPECT_EQ(DecodedFrames(r.output), DecodedFrames(before.output));
    EXPECT_EQ(DecodeErrors(r.output), "");
  }
}
