#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "views/CSpeedLabelStatic.h"
#include "clip/video/Mp4Writer.h"
#include "clip/video/PieceDecoder.h"
#include "RepairSupport.h"
#include "clip/video/ShareableClip.h"
#include "Synth.h"
#include "clip/video/TelemetryOverlay.h"
#include "TempFolder.h"

namespace {

constexpr int kWidth = 640, kHeight = 360, kFps = 25;

// Two recordings of one drive, six seconds each, the car braking in the first.
std::vector<SynthReport> SynthTrip(const std::string& folder) {
  std::vector<SynthReport> trip;
  for (int part = 0; part < 2; ++part) {
    SynthOptions options;
    options.durationMs = 6000;
    options.width = kWidth;
    options.height = kHeight;
    options.fps = kFps;
    options.second = 6 * part;
    options.driveSeconds = 60 + 6 * part;
    options.brakeAt = {4.0 - 6 * part};
    trip.push_back(WriteSynthRecording(folder + "/REC" + std::to_string(part) + ".AVI", options));
  }
  return trip;
}

// Pixels inside `area` whose brightness differs plainly (more than the
// encoder's noise) between two pictures.
int Difference(const AVFrame& a, const AVFrame& b, const QRect& area) {
  int differ = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      differ += std::abs(a.data[0][y * a.linesize[0] + x] - b.data[0][y * b.linesize[0] + x]) > 40;
  return differ;
}

// A recording with sound, made with the clip's own writer: two seconds of
// grey pictures and a mono tone.
std::string RecordingWithSound(const std::string& folder) {
  const std::string path = folder + "/SOUND.MP4";
  constexpr int kRate = 44100;
  CodecContext tone(avcodec_alloc_context3(nullptr));
  tone->sample_rate = kRate;
  av_channel_layout_default(&tone->ch_layout, 1);
  Frame sound(av_frame_alloc());
  sound->format = AV_SAMPLE_FMT_S16;
  sound->sample_rate = kRate;
  sound->nb_samples = kRate / kFps;
  av_channel_layout_default(&sound->ch_layout, 1);
  EXPECT_EQ(av_frame_get_buffer(sound.get(), 0), 0);
  auto* samples = reinterpret_cast<int16_t*>(sound->data[0]);
  for (int i = 0; i < sound->nb_samples; ++i) samples[i] = static_cast<int16_t>(8000 * std::sin(i * 0.0627));
  Mp4Writer writer;
  ClipFailure failure = ClipFailure::None;
  std::string why;
  EXPECT_TRUE(writer.Open(path, 320, 240, AVRational{kFps, 1}, tone.get(), failure, why)) << why;
  for (int i = 0; i < 2 * kFps; ++i) {
    AVFrame& picture = *writer.Picture();
    EXPECT_GE(av_frame_make_writable(&picture), 0);
    for (int plane = 0; plane < 3; ++plane)
      std::memset(picture.data[plane], 128, static_cast<std::size_t>(picture.linesize[plane]) * (plane ? 120 : 240));
    EXPECT_TRUE(writer.WriteVideo() && writer.WriteSound(sound.get(), 0, sound->nb_samples)) << writer.Failure();
  }
  EXPECT_TRUE(writer.Finish(why)) << why;
  return path;
}

}  // namespace

TEST(ClipShareable, TripAcrossRecordingsKeepsItsFramesAndShowsEachRecordsSpeed) {
  TempFolder folder;
  const std::vector<SynthReport> trip = SynthTrip(folder.Path());
  const std::vector<ClipPiece> pieces = {{trip[0].path, 3.0, 6.0}, {trip[1].path, 0.0, 3.0}};
  const std::string clip = folder.Path() + "/clip.mp4";
  double reported = 0;
  const ClipResult result = WriteShareableClip(pieces, clip, 0, [&](double done, const std::string&) {
    reported = done;
    return true;
  });
  ASSERT_TRUE(result.Ok()) << result.detail;
  EXPECT_EQ(result.files, std::vector<std::string>{clip});
  EXPECT_DOUBLE_EQ(reported, 1.0);

  int status = -1;
  const std::string probe = ShellOutput(
      "ffprobe -v error -count_frames -show_entries "
      "stream=codec_name,pix_fmt,nb_read_frames -of csv=p=0 '" +
          clip + "' 2>&1",
      &status);
  EXPECT_EQ(status, 0);
  // One video stream (the synthesized recordings have no sound), decoded without a complaint.
  int frames = 0;
  char codec[16] = {}, format[16] = {};
  ASSERT_EQ(std::sscanf(probe.c_str(), "%15[^,],%15[^,],%d\n", codec, format, &frames), 3) << probe;
  EXPECT_STREQ(codec, "h264");
  EXPECT_STREQ(format, "yuv420p");
  EXPECT_NEAR(frames, 6 * kFps, 1);
  EXPECT_EQ(probe.find('\n'), probe.size() - 1) << probe;
  const std::string bytes = ReadText(clip);
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));  // the index first: plays while it loads

  // Each picture's speed area is that of every other picture showing the
  // same figures from the GPS record of its moment, and differs from the others.
  PieceDecoder decoder;
  std::string why;
  ASSERT_TRUE(decoder.Open(clip, why)) << why;
  const QRect area = TelemetryOverlay::SpeedArea(QSize(kWidth, kHeight));
  std::map<QString, Frame> shown;
  int pictures = 0;
  for (PieceDecoder::Got got; (got = decoder.Next()) != PieceDecoder::Got::End;) {
    ASSERT_EQ(got, PieceDecoder::Got::Picture);
    const double t = decoder.DecodedTime();
    const SynthReport& source = trip[t < 3.0 ? 0 : 1];
    const GpsSample& record = source.gps.at(static_cast<std::size_t>(t < 3.0 ? t + 3.0 : t - 3.0));
    const QString figures = IsUsableGpsSample(record) ? SpeedFigures(record.speed, SpeedUnit::Kph) : "none";
    for (auto& [other, picture] : shown)
      if (other == figures)
        EXPECT_LE(Difference(*decoder.Decoded(), *picture, area), 2) << t;
      else
        EXPECT_GE(Difference(*decoder.Decoded(), *picture, area), 5) << t << figures.toStdString();
    if (!shown.count(figures)) shown[figures].reset(av_frame_clone(decoder.Decoded()));
    ++pictures;
  }
  EXPECT_EQ(pictures, frames);
  EXPECT_GE(shown.size(), 3u);  // the braking shows more than two readings
}

TEST(ClipShareable, CancelOrUnreadableSourceLeavesNothing) {
  TempFolder folder;
  const std::vector<SynthReport> trip = SynthTrip(folder.Path());
  const std::string bad = folder.File("BAD.AVI", "RIFF, but no recording");
  const struct {
    ClipPiece piece;
    bool cancel;
    ClipFailure failure;
  } rows[] = {
      {{trip[0].path, 0.0, 6.0}, true, ClipFailure::Cancelled},
      {{bad, 0.0, 6.0}, false, ClipFailure::SourceUnreadable},
      {{trip[0].path, 4.0, 9.0}, false, ClipFailure::SourceUnreadable},  // ends before the span does
      {{trip[0].path, 2.0, 2.0}, false, ClipFailure::EmptySpan},
      {{trip[0].path, 0.0, 6.0}, false, ClipFailure::DestinationUnwritable},
  };
  for (const auto& row : rows) {
    const auto before = std::distance(std::filesystem::directory_iterator(folder.Path()), {});
    const bool noFolder = row.failure == ClipFailure::DestinationUnwritable;
    const std::string destination = folder.Path() + (noFolder ? "/no/clip.mp4" : "/clip.mp4");
    const ClipResult result =
        WriteShareableClip({row.piece}, destination, 1, [&](double, const std::string&) { return !row.cancel; });
    EXPECT_EQ(result.failure, row.failure) << result.detail;
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), before);
  }
}

TEST(ClipShareable, SoundOfTheSpanBecomesAac) {
  TempFolder folder;
  const std::string clip = folder.Path() + "/clip.mp4";
  const ClipResult result = WriteShareableClip({{RecordingWithSound(folder.Path()), 0.5, 1.5}}, clip, 0, nullptr);
  ASSERT_TRUE(result.Ok()) << result.detail;
  int status = -1;
  const std::string probe = ShellOutput(
      "ffprobe -v error -count_frames -show_entries stream=codec_name,duration "
      "-of csv=p=0 '" +
          clip + "' 2>&1",
      &status);
  EXPECT_EQ(status, 0);
  double video = 0, sound = 0;
  ASSERT_EQ(std::sscanf(probe.c_str(), "h264,%lf\naac,%lf", &video, &sound), 2) << probe;
  EXPECT_NEAR(video, 1.0, 1.0 / kFps);
  EXPECT_NEAR(sound, 1.0, 0.05);
}
