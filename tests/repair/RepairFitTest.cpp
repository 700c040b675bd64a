// What a QuickTime repair takes as its reference and what bytes become
// frames: only a healthy recording of the same coding and frame size, the
// next one when the nearest does not fit, none rather than a wrong one; stale
// bytes of the card after the cut and absurd sizes never make a frame.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "repair/CutRepair.h"
#include "RepairSupport.h"
#include "TempFolder.h"

namespace {

using Clock = std::filesystem::file_time_type::clock;

// A healthy recording by ffmpeg, dated `minutesAgo` (its only time). H.265
// without B-frames: the repair orders pictures by H.264 slice headers only.
void Encode(const std::string& path, const std::string& codec, const std::string& size, int minutesAgo) {
  ShellOutput("ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=" + size + ":rate=10:duration=3 -c:v " + codec +
              " -preset veryfast -pix_fmt yuv420p -f mov '" + path + "'");
  std::filesystem::last_write_time(path, Clock::now() - std::chrono::minutes(minutesAgo));
}

std::string DecodeErrors(const std::string& path) {
  return ShellOutput("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1");
}

uint64_t InsideFrame(const SynthReport&, const std::vector<uint64_t>& ends) { return ends[ends.size() * 6 / 10] - 10; }

}  // namespace

TEST(RepairFit, OnlyAReferenceOfTheSameCodingAndFrameSizeIsTaken) {
  struct Row {
    const char* what;
    std::vector<std::pair<std::string, std::string>> earlier;  // codec, size; the nearest last
    std::string codec, size;                                   // of the cut one
    bool fits;                                                 // the first earlier one is its reference
  };
  const std::string h265 = "libx265 -bf 0";
  const std::vector<Row> rows = {
      {"H.265 cut, an H.264 recording nearest", {{h265, "320x180"}, {"libx264", "320x180"}}, h265, "320x180", true},
      {"H.265 cut, only H.264 recordings", {{"libx264", "320x180"}}, h265, "320x180", false},
      {"640x360 cut, a 1280x720 recording nearest",
       {{"libx264", "640x360"}, {"libx264", "1280x720"}},
       "libx264",
       "640x360",
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder card, out;
    for (std::size_t i = 0; i < row.earlier.size(); ++i)
      Encode(card / ("FILE000" + std::to_string(i) + ".MOV"), row.earlier[i].first, row.earlier[i].second,
             10 - static_cast<int>(i));
    Encode(card / "WHOLE.tmp", row.codec, row.size, 0);
    const std::vector<uint8_t> whole = FileBytes(card / "WHOLE.tmp");
    WriteBytes(card / "FILE0009.MOV", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() * 6 / 10));

    const RepairResult r = RepairCutRecording(card / "FILE0009.MOV", out.Path());
    EXPECT_EQ(r.failure, row.fits ? RepairFailure::None : RepairFailure::NoReference) << r.detail;
    EXPECT_EQ(r.reference, row.fits ? card / "FILE0000.MOV" : "");
    EXPECT_EQ(std::filesystem::is_empty(out.Path()), !row.fits);
    if (row.fits) {
      EXPECT_GT(DecodedFrames(r.output), 10);
      EXPECT_EQ(DecodeErrors(r.output), "");
    }
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
    if (std::string(row.file).ends_with(".MOV"))
      WriteSynthRecording(card / "FILE0000.MOV", SmallCamera(10, 6000, 10, row.layout));
    WriteCut(card / row.file, SmallCamera(20, 6000, 10, row.layout), InsideFrame);
    const RepairResult before = RepairCutRecording(card / row.file, plain.Path());
    ASSERT_TRUE(before.Repaired()) << before.detail;

    std::vector<uint8_t> bytes = FileBytes(card / row.file);
    if (row.largesize != 0) {
      const auto size = std::search(bytes.begin(), bytes.end(), std::begin("mdat"), std::end("mdat") - 1) + 4;
      for (int i = 0; i < 8; ++i) size[i] = static_cast<uint8_t>(row.largesize >> (56 - 8 * i));
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
