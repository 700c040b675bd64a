// Repaired copies of recordings cut at several points: the library takes
// them, ffmpeg decodes the frames that lay before the cut, the camera's data
// up to the cut is there, and the cut original is unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <cstring>

#include "container/ByteOrder.h"
#include "repair/CutRepair.h"
#include "library/RecordingLibrary.h"
#include "RepairSupport.h"
#include "container/SampleLoader.h"
#include "TempFolder.h"

namespace {

SynthOptions Camera(int minute, const std::string& layout = {}) { return SmallCamera(minute, 6000, 10, layout); }

// Records of `bytes` each wholly before `cut` in a block at `offset`.
std::size_t WholeRecordsBefore(uint64_t cut, uint64_t offset, std::size_t bytes, std::size_t count) {
  if (cut <= offset) return 0;
  return std::min<std::size_t>(count, static_cast<std::size_t>((cut - offset) / bytes));
}

struct Case {
  const char* name;
  const char* file;
  std::string layout;
  CutPoint point;
  bool wideGps = false;  // the gps0 atom with a 64-bit size
};

uint64_t InsideFrame(const SynthReport&, const std::vector<uint64_t>& ends) { return ends[ends.size() * 6 / 10] - 10; }
uint64_t BetweenFrames(const SynthReport&, const std::vector<uint64_t>& ends) { return ends[ends.size() * 6 / 10]; }
uint64_t InsideGps(const SynthReport& whole, const std::vector<uint64_t>&) {
  return whole.gpsOffset + 2 * kGpsRecordSize + 7;
}

}  // namespace

TEST(CutRepair, CopiesOfRecordingsCutAtSeveralPointsPlayUpToTheCut) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  const std::vector<Case> cases = {
      {"AVI cut inside a video chunk", "FILE0001.AVI", "", InsideFrame},
      {"AVI cut between chunks", "FILE0002.AVI", "", BetweenFrames},
      {"AVI cut inside the camera blocks after movi", "FILE0003.AVI", "hdrl,gpsa,gsea,movi,gps0,gsen,idx1", InsideGps},
      {"MOV cut inside a video sample", "FILE0004.MOV", "", InsideFrame},
      {"MOV cut between samples", "FILE0005.MOV", "", BetweenFrames},
      {"MOV cut inside the camera blocks after mdat", "FILE0006.MOV", "ftyp,idit,gpsa,gsea,mdat,gps0,gsen,moov",
       InsideGps},
      {"MOV with a 64-bit gps0 after mdat", "FILE0007.MOV", "ftyp,idit,gpsa,gsea,mdat,gps0,gsen,moov", InsideGps, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder card, out;
    const bool mov = std::string(c.file).ends_with(".MOV");
    // A healthy recording of the same camera, earlier in the same folder.
    if (mov) WriteSynthRecording(card / "FILE0000.MOV", Camera(10, c.layout));
    const CutFile cut = WriteCut(card / c.file, Camera(20, c.layout), c.point);
    ASSERT_GT(cut.framesBefore, 5);
    if (c.wideGps) {  // size 1, the type, then the size in 64 bits: 8 bytes more
      std::vector<uint8_t> bytes = FileBytes(card / c.file);
      const auto at = bytes.begin() + static_cast<long>(cut.whole.gpsOffset - 8);
      uint8_t size[8] = {};
      PutBe32(size + 4, ReadBe32(&*at) + 8);
      PutBe32(&*at, 1);
      bytes.insert(at + 8, std::begin(size), std::end(size));
      WriteBytes(card / c.file, bytes);
    }
    const std::vector<uint8_t> original = FileBytes(card / c.file);

    const RepairResult r = RepairCutRecording(card / c.file, out.Path());
    ASSERT_TRUE(r.Repaired()) << RepairFailureName(r.failure) << ": " << r.detail;
    EXPECT_EQ(r.output, out / c.file);
    EXPECT_EQ(r.reference, mov ? card / "FILE0000.MOV" : "");
    EXPECT_FALSE(r.hadAudio);
    EXPECT_GE(r.frames, static_cast<uint32_t>(std::ceil(cut.framesBefore * 0.95)));
    EXPECT_LE(r.frames, static_cast<uint32_t>(cut.framesBefore));
    EXPECT_NEAR(r.seconds, r.frames / 10.0, 1e-6);

    EXPECT_EQ(FileBytes(card / c.file), original) << "the cut original was changed";

    RecordingLibrary library;
    ASSERT_EQ(library.OpenRecordings(out.Path()), 1);
    ASSERT_EQ(library.Recordings().size(), 1u);
    EXPECT_TRUE(library.CutRecordings().empty());
    const RecordingSummary& s = library.Recordings()[0].summary;
    EXPECT_EQ(s.width, 160);
    EXPECT_EQ(s.height, 120);
    EXPECT_EQ(s.startTime, cut.whole.startTime);
    EXPECT_NEAR(s.durationMs, r.frames * 100.0, 1000.0);

    EXPECT_GE(DecodedFrames(r.output), static_cast<int>(std::ceil(cut.framesBefore * 0.95)));
    // Timestamps in order (the H.264 clip has B-frames): ffmpeg has nothing to say.
    EXPECT_EQ(ShellOutput("ffmpeg -nostdin -v error -i '" + r.output + "' -f null - 2>&1"), "");

    // The records before the cut that fall in the video kept: every display
    // of the copy follows its video.
    const LoadedBlocks blocks = LoadRecordingBlocks(r.output, s);
    auto span = [&](uint32_t rate) { return static_cast<std::size_t>(std::ceil(r.seconds * rate)); };
    const std::size_t gps =
        std::min(span(GpsRateOf(cut.whole.gpsaValue)),
                 WholeRecordsBefore(cut.cutAt, cut.whole.gpsOffset, kGpsRecordSize, cut.whole.gps.size()));
    const std::size_t gsensor =
        std::min(span(GSensorRateByteOf(cut.whole.gseaValue)),
                 WholeRecordsBefore(cut.cutAt, cut.whole.gsensorOffset, kGSensorRecordSize, cut.whole.gsensor.size()));
    ASSERT_EQ(blocks.gps.size(), gps);
    for (std::size_t i = 0; i < gps; ++i) {
      uint8_t a[kGpsRecordSize], b[kGpsRecordSize];
      EncodeGpsSample(blocks.gps[i], a);
      EncodeGpsSample(cut.whole.gps[i], b);
      EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << "GPS record " << i;
    }
    ASSERT_EQ(blocks.gsensor.size(), gsensor);
    for (std::size_t i = 0; i < gsensor; ++i) {
      EXPECT_EQ(blocks.gsensor[i].x, cut.whole.gsensor[i].x) << i;
      EXPECT_EQ(blocks.gsensor[i].y, cut.whole.gsensor[i].y) << i;
      EXPECT_EQ(blocks.gsensor[i].z, cut.whole.gsensor[i].z) << i;
    }
  }
}

TEST(CutRepair, ProbeRepairPrintsOneLineAndFailsWhenNothingCouldBeRepaired) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  TempFolder card, out, other;
  const SynthReport reference = WriteSynthRecording(other / "HEALTHY.MOV", Camera(10));
  SynthOptions o = Camera(20);
  o.cutAt = 0.5;
  WriteSynthRecording(card / "FILE0001.MOV", o);
  const std::string probe = std::string(TRK_BIN_DIR) + "/trk-probe --repair ";

  // Alone in its folder, the cut file has no reference: reported, no file.
  int status = 0;
  std::string line = ShellOutput(probe + "'" + card / "FILE0001.MOV" + "' '" + out.Path() + "'", &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(line.find("\"repaired\":false"), std::string::npos) << line;
  EXPECT_NE(line.find("\"reason\":\"no reference\""), std::string::npos) << line;
  EXPECT_TRUE(std::filesystem::is_empty(out.Path()));

  // With the healthy recording given as the reference.
  line = ShellOutput(
      probe + "'" + card / "FILE0001.MOV" + "' --reference '" + reference.path + "' '" + out.Path() + "'", &status);
  EXPECT_EQ(status, 0) << line;
  EXPECT_NE(line.find("\"output\":\"" + out / "FILE0001.MOV" + "\""), std::string::npos) << line;
  EXPECT_NE(line.find("\"audio\":\"none\""), std::string::npos) << line;
  EXPECT_NE(line.find("\"frames\":"), std::string::npos) << line;
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
}

TEST(CutRepair, SoundIsKeptWhereTheReferenceStoresItInFixedChunksElseLeftOutAndSaid) {
  struct Sound {
    const char* codec;
    bool kept;
  };
  for (const Sound& sound : {Sound{"pcm_s16le", true}, Sound{"aac", false}}) {
    SCOPED_TRACE(sound.codec);
    TempFolder card, out;
    // A camera recording with sound, video and audio chunks interleaved.
    const std::string healthy = card / "FILE0001.MOV";
    int status = 0;
    ShellOutput(
        "ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=160x120:rate=10:duration=4 -f lavfi "
        "-i sine=frequency=440:duration=4:sample_rate=16000 -c:v libx264 -preset veryfast -c:a " +
            std::string(sound.codec) + " -f mov '" + healthy + "'",
        &status);
    ASSERT_EQ(status, 0);
    // The next one, cut: the same bytes up to 60 %, no moov.
    const std::vector<uint8_t> bytes = FileBytes(healthy);
    const uint64_t cutAt = bytes.size() * 6 / 10;
    std::ofstream(card / "FILE0002.MOV", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), cutAt);
    int before = 0;
    for (uint64_t end : VideoPacketEnds(healthy)) before += end <= cutAt;

    const RepairResult r = RepairCutRecording(card / "FILE0002.MOV", out.Path());
    ASSERT_TRUE(r.Repaired()) << r.detail;
    EXPECT_EQ(r.reference, healthy);
    EXPECT_TRUE(r.hadAudio);
    EXPECT_EQ(r.audioKept, sound.kept);
    EXPECT_EQ(r.detail.empty(), sound.kept) << r.detail;
    EXPECT_GE(DecodedFrames(r.output), static_cast<int>(std::ceil(before * 0.95)));
    const std::string streams =
        ShellOutput("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" + r.output + "'");
    EXPECT_EQ(streams, sound.kept ? "video\naudio\n" : "video\n");
    if (sound.kept) {
      // The sound kept is the start of the original's, byte for byte.
      const std::string pcm = "ffmpeg -nostdin -v error -i '%s' -map 0:a -f s16le -";
      auto decode = [&](const std::string& file) {
        std::string command = pcm;
        command.replace(command.find("%s"), 2, file);
        return ShellOutput(command);
      };
      const std::string repaired = decode(r.output), original = decode(healthy);
      EXPECT_GT(repaired.size(), original.size() / 3);
      EXPECT_EQ(original.compare(0, repaired.size(), repaired), 0);
    }
  }
}
