// Lossless clips of a synthesized trip across a recording boundary: ffprobe
// decodes the pictures from the key picture before the start, the library
// reads the GPS records of exactly the span; bad input leaves nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "clip/LosslessClip.h"
#include "container/RecordingFile.h"
#include "RepairSupport.h"
#include "container/SampleLoader.h"
#include "TempFolder.h"

namespace {

constexpr double kFps = 10;

// The latest key picture at or before `t` seconds, by ffprobe.
double KeyPictureBefore(const std::string& path, double t) {
  std::istringstream lines(
      ShellOutput("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags "
                  "-of csv=p=0 '" +
                  path + "'"));
  double best = 0, pts = 0;
  char key = 0;
  for (std::string line; std::getline(lines, line);)
    if (std::sscanf(line.c_str(), "%lf,%c", &pts, &key) == 2 && key == 'K' && pts <= t + 1e-6)
      best = std::max(best, pts);
  return best;
}

// Recordings of one drive, 10 s each, each going on from the one before;
// the camera records the third in another frame size.
std::vector<SynthReport> Trip(const TempFolder& card, const std::string& extension) {
  std::vector<SynthReport> trip;
  for (int i = 0; i < 3; ++i) {
    SynthOptions o = SmallCamera(30, 10000, static_cast<uint32_t>(kFps));
    if (i == 2) o.width = 320;
    o.second = 10 * i;
    o.driveSeconds = 10 * i;
    o.noFixRecords = 0;
    trip.push_back(WriteSynthRecording(card / ("FILE000" + std::to_string(i) + extension), o));
  }
  return trip;
}

// Where a stream's last packet ends, by ffprobe ("v" or "a").
double StreamEnd(const std::string& path, const char* stream) {
  std::istringstream lines(ShellOutput(std::string("ffprobe -v error -select_streams ") + stream +
                                       " -show_entries packet=pts_time,duration_time -of csv=p=0 '" + path + "'"));
  double end = 0, pts = 0, duration = 0;
  for (std::string line; std::getline(lines, line);)
    if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) == 2) end = std::max(end, pts + duration);
  return end;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(clip_lossless, ClipAcrossARecordingBoundaryHoldsItsPicturesAndRecords) {
  for (const std::string extension : {".AVI", ".MOV"}) {
    SCOPED_TRACE(extension);
    TempFolder card, out;
    const std::vector<SynthReport> trip = Trip(card, extension);
    const std::vector<uint8_t> before = FileBytes(trip[0].path);
    const std::vector<ClipPiece> pieces = {{trip[0].path, 6.5, 10.0}, {trip[1].path, 0.0, 4.2}};
    const std::string clip = out / ("CLIP" + extension);

    const ClipResult r = WriteLosslessClip(pieces, clip, {});
    ASSERT_TRUE(r.Ok()) << r.detail;
    const double key = KeyPictureBefore(trip[0].path, 6.5);
    EXPECT_GT(key, 0.0);  // the start moved back to a key picture, not to the recording's start
    EXPECT_NEAR(r.spanStart, key, 1e-6);
    // H.264 ends after the pictures shown before the last one decoded.
    EXPECT_GE(r.spanEnd, 14.2 - 1e-6);
    EXPECT_LE(r.spanEnd, 14.2 + 0.3);
    EXPECT_EQ(r.files, std::vector<std::string>{clip});
    EXPECT_TRUE(r.notes.empty());
    EXPECT_EQ(DecodedFrames(clip), std::lround((r.spanEnd - key) * kFps));

    RecordingSummary summary;
    RecordingFile reader(&summary);
    ASSERT_EQ(extension == ".AVI" ? reader.ParseAvi(clip) : reader.ParseMov(clip), 0) << reader.FailureReason();
    EXPECT_EQ(summary.startTime, trip[0].startTime + std::lround(key));
    const LoadedBlocks blocks = LoadRecordingBlocks(clip, summary);
    // One record a second: those of [key, 10) of the first and [0, 4.2) of the second.
    std::vector<GpsSample> expected(trip[0].gps.begin() + static_cast<long>(std::ceil(key)), trip[0].gps.end());
    expected.insert(expected.end(), trip[1].gps.begin(), trip[1].gps.begin() + 5);
    ASSERT_EQ(blocks.gps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(blocks.gps[i].latitude, expected[i].latitude) << i;
      EXPECT_EQ(blocks.gps[i].second, expected[i].second) << i;
    }
    EXPECT_EQ(blocks.gsensor.size(), static_cast<std::size_t>(std::lround((r.spanEnd - key) * 10)));
    EXPECT_EQ(FileBytes(trip[0].path), before);

    // Another frame size does not join: the clip ends at the boundary.
    const ClipResult cut =
        WriteLosslessClip({{trip[1].path, 8.0, 10.0}, {trip[2].path, 0, 2.0}}, out / ("CUT" + extension), {});
    ASSERT_TRUE(cut.Ok()) << cut.detail;
    ASSERT_EQ(cut.notes.size(), 1u);
    EXPECT_TRUE(cut.notes[0].starts_with("cut at the recording boundary: " + trip[2].path)) << cut.notes[0];
    EXPECT_EQ(DecodedFrames(out / ("CUT" + extension)), std::lround((cut.spanEnd - cut.spanStart) * kFps));
    EXPECT_NEAR(cut.spanEnd, 10.0, 1e-6);
  }
}

TEST(clip_lossless, BadInputGetsAReasonAndLeavesNothing) {
  ::setenv("TZ", "UTC", 1);
  TempFolder card, out;
  const SynthReport whole = WriteSynthRecording(card / "FILE0001.AVI", SmallCamera(30, 6000, 10));
  const SynthReport cut = WriteSynthRecording(card / "FILE0002.MOV", SmallCamera(31, 6000, 10, {}, 0.6));
  SynthOptions shortVideo = SmallCamera(32, 6000, 10);
  shortVideo.videoMs = 2000;
  const SynthReport gap = WriteSynthRecording(card / "FILE0003.MOV", shortVideo);
  out.File("TAKEN.AVI", "mine");
  out.File("file", "not a folder");
  struct Case {
    const char* name;
    std::string source, destination;
    bool cancel;
    ClipFailure failure;
  };
  const std::vector<Case> cases = {
      {"cut source", cut.path, out / "CUT.MOV", false, ClipFailure::SourceUnreadable},
      {"missing source", card / "NONE.AVI", out / "NONE.AVI", false, ClipFailure::SourceUnreadable},
      {"video ending before the span", gap.path, out / "GAP.MOV", false, ClipFailure::SourceUnreadable},
      {"cancel", whole.path, out / "CANCEL.AVI", true, ClipFailure::Cancelled},
      {"unwritable destination", whole.path, out / "file/CLIP.AVI", false, ClipFailure::DestinationUnwritable},
      {"name taken", whole.path, out / "TAKEN.AVI", false, ClipFailure::NameExists},
      {"span without pictures", whole.path, out / "EMPTY.AVI", false, ClipFailure::EmptySpan},
  };
  const std::vector<std::string> outBefore = Listing(out.Path()), cardBefore = Listing(card.Path());
  const std::vector<uint8_t> cutBytes = FileBytes(cut.path);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double from = c.failure == ClipFailure::EmptySpan ? 7.0 : 1.0;
    const ClipResult r = WriteLosslessClip({{c.source, from, from + 2}}, c.destination,
                                           [&](double, const std::string&) { return !c.cancel; });
    EXPECT_EQ(r.failure, c.failure) << r.detail;
    EXPECT_FALSE(r.detail.empty());
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(Listing(out.Path()), outBefore);
  }
  EXPECT_EQ(Listing(card.Path()), cardBefore);
  EXPECT_EQ(FileBytes(cut.path), cutBytes);
}

TEST(clip_lossless, SoundOfTheSpanGoesWithThePictures) {
  const std::vector<std::pair<std::string, std::string>> cameras = {
      {"FILE0001.AVI", "-c:v mjpeg -c:a pcm_s16le"},  // every picture a key picture
      {"FILE0002.MOV", "-c:v libx264 -preset veryfast -g 10 -c:a aac"},
  };
  for (const auto& [name, codecs] : cameras) {
    SCOPED_TRACE(name);
    TempFolder card, out;
    ShellOutput("ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=sample_rate=48000 -t 4 " +
                codecs + " '" + card / name + "'");
    const ClipResult r = WriteLosslessClip({{card / name, 1.3, 3.1}}, out / name, {});
    ASSERT_TRUE(r.Ok()) << r.detail;
    EXPECT_NEAR(r.spanStart, KeyPictureBefore(card / name, 1.3), 1e-6);
    EXPECT_NEAR(StreamEnd(out / name, "v"), r.spanEnd - r.spanStart, 0.05);
    EXPECT_NEAR(StreamEnd(out / name, "a"), r.spanEnd - r.spanStart, 0.05);
  }
}
