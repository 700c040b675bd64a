// The track as a value and its drawing, against a recording double of the map.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <cstdio>
#include <locale>
#include <random>

#include "map/ScriptText.h"
#include "map/TrackDrawing.h"
#include "TrackFixtures.h"
#include "ViewDoubles.h"

using namespace trk_test;

namespace {

class TrackTest : public ::testing::Test {
 protected:
  // What the window does with a recording's track: the map's side of it.
  bool Load(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= library.Recordings().size()) return false;
    drawing.ClearTrack();
    const RecordingTrack* track = library.LoadTrack(index);
    if (track) drawing.PlotTrack(*track);
    return track != nullptr;
  }
  TrackPosition::Kind At(int64_t timeMs, bool mapEnabled = true) {
    return drawing.PositionAt(library.Track(), timeMs, mapEnabled).kind;
  }
  std::vector<std::string> Plots(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& call : map.calls)
      if (call.rfind(prefix, 0) == 0) out.push_back(call);
    return out;
  }
  TempFolder dir;
  RecordingLibrary library;
  MapDouble map;
  TrackDrawing drawing{&map};
};

using Kind = TrackPosition::Kind;

// 60 fixes at one per second, fix 5 without the valid bit, fix 7 at (0, 0)
// with the valid bit, fix 9 beyond the pole (latitude 9530.0, 95.5 degrees).
RecordingPlan MinuteDrive() {
  RecordingPlan plan;
  for (int i = 0; i < 60; ++i) plan.gps.push_back(DriveFix(i));
  plan.gps[5].status = 0;
  plan.gps[7] = Fix(0.0, 0.0);
  plan.gps[9].latitude = 9530.0;
  return plan;
}

}  // namespace

TEST(ScriptText, FixedNotationMatchesPrintfInTheCLocale) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> any(-400.0, 400.0);
  for (int i = 0; i < 20000; ++i) {
    const double value = i < 10000 ? any(random) : std::ldexp(any(random), -(i % 40));
    char expected[64];
    std::snprintf(expected, sizeof expected, "%f", value);
    ASSERT_EQ(FormatFixed6(value), expected) << value;
  }
  EXPECT_EQ(FormatFixed6(35.679916), "35.679916");
  EXPECT_EQ(FormatFixed6(0.0), "0.000000");
  EXPECT_EQ(MovPosCall(35.679916, 139.766833), "movpos(35.679916, 139.766833)");
  EXPECT_EQ(PlotCall("path_plot", 24.791667, 121.025), "path_plot(24.791667,121.025000)");
}

TEST(ScriptText, DecimalPointIgnoresTheLocale) {
  struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const char* cLocale = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = cLocale ? cLocale : "C";
  // Any installed locale with a decimal comma makes this sharper; C.utf8 at least runs the path.
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.utf8"})
    if (std::setlocale(LC_NUMERIC, name)) break;
  EXPECT_EQ(PlotCall("pathdrived_plot", 1.5, -2.25), "pathdrived_plot(1.500000,-2.250000)");
  std::setlocale(LC_NUMERIC, saved.c_str());
  std::locale::global(previous);
}

TEST_F(TrackTest, LoadRecordingTrackPlotsEveryUsableSampleInOrder) {
  RecordingPlan plan = MinuteDrive();
  plan.gpsaValue = 0x0105;  // low byte: 5 records per second
  plan.extraGpsBytes = 4;   // not a whole record: ignored
  plan.gsensor = {{10, -20, 30}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  plan.gseaValue = 0x0200 | 50;  // range byte 2, 50 records per second
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);

  ASSERT_TRUE(Load(0));
  EXPECT_EQ(library.CurrentRecording(), 0);
  EXPECT_EQ(library.GpsBytes(), 60u * 32u + 4u);
  ASSERT_EQ(library.GpsSamples().size(), 60u);
  EXPECT_DOUBLE_EQ(library.GpsRate(), 5.0);
  // The zero rule has been applied to the library's array.
  EXPECT_EQ(library.GpsSamples()[7].status, 0);
  EXPECT_EQ(library.GSensorBytes(), 12u);
  EXPECT_EQ(library.GSensorSamples().size(), 4u);

  ASSERT_GE(map.calls.size(), 2u);
  EXPECT_EQ(map.calls[0], "pathdrived_delete()");
  EXPECT_EQ(map.calls[1], "path_delete()");
  const auto plots = Plots("path_plot(");
  ASSERT_EQ(plots.size(), 57u);  // 60 less the invalid, the zero and the out-of-range fix
  EXPECT_EQ(map.calls.size(), 2u + 57u);
  EXPECT_EQ(plots[0], "path_plot(35.666667,139.766667)");
  std::size_t k = 0;
  for (int i = 0; i < 60; ++i) {
    if (i == 5 || i == 7 || i == 9) continue;
    ASSERT_EQ(plots[k++], PlotCall("path_plot", Degrees(plan.gps[i].latitude), Degrees(plan.gps[i].longitude)));
  }

  // What the curve draws: range byte 2, 50 records per second.
  EXPECT_DOUBLE_EQ(library.Track().gsensorFullScale, 2.0);
  EXPECT_DOUBLE_EQ(library.Track().gsensorSamplesPerMs, 0.05);
  EXPECT_EQ(library.Track().gsensor[0].x, 10);
}

TEST_F(TrackTest, DrawLoadedTrackSendsTheSameLineAgainFromMemory) {
  RecordingPlan plan = MinuteDrive();
  RecordingInfo info = WriteRecording(dir.Folder(), plan);
  FillLibrary(library, {info}, true);
  ASSERT_TRUE(Load(0));
  const auto first = Plots("path_plot(");
  std::filesystem::remove(dir.Folder() + info.name);  // no file access is needed
  map.calls.clear();
  drawing.DrawLoadedTrack(library.Track());
  ASSERT_FALSE(map.calls.empty());
  EXPECT_EQ(map.calls[0], "path_delete()");
  EXPECT_EQ(Plots("path_plot("), first);
  EXPECT_EQ(map.calls.size(), first.size() + 1);
}

TEST_F(TrackTest, GSensorRateFallsBackToTheEvenSpread) {
  RecordingPlan plan;
  plan.gsensor.assign(300, GSensorSample{1, 1, 1});
  plan.gseaValue = 0;  // no rate, no range byte: the range goes as 0, the curve makes it 8
  plan.durationMs = 60000;
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
  ASSERT_TRUE(Load(0));
  EXPECT_DOUBLE_EQ(library.Track().gsensorFullScale, 0.0);
  EXPECT_DOUBLE_EQ(library.Track().gsensorSamplesPerMs, 0.005);  // 300 / 60000 ms
  EXPECT_EQ(library.GpsBytes(), 0u);
  EXPECT_TRUE(Plots("path_plot(").empty());
}

TEST_F(TrackTest, LoadRecordingTrackFailures) {
  RecordingPlan missing = MinuteDrive();
  missing.writeFile = false;
  RecordingPlan cut = MinuteDrive();
  cut.name = "FILE0002.AVI";
  cut.gsensor = {{1, 2, 3}};
  RecordingInfo cutInfo = WriteRecording(dir.Folder(), cut);
  cutInfo.summary.gpsSize += 4096;  // the block would end beyond the file
  FillLibrary(library, {WriteRecording(dir.Folder(), missing), cutInfo}, true);

  EXPECT_FALSE(Load(-1));
  EXPECT_FALSE(Load(2));
  EXPECT_TRUE(map.calls.empty());
  EXPECT_EQ(library.CurrentRecording(), -1);

  // A GPS block ending beyond the file is not read; the G-sensor block still is.
  ASSERT_TRUE(Load(1));
  EXPECT_EQ(library.GpsBytes(), 0u);
  EXPECT_TRUE(library.GpsSamples().empty());
  EXPECT_EQ(library.GSensorBytes(), 3u);
  EXPECT_TRUE(Plots("path_plot(").empty());

  // A missing file: lines deleted, arrays empty, index kept.
  map.calls.clear();
  EXPECT_FALSE(Load(0));
  EXPECT_EQ(map.calls, (std::vector<std::string>{"pathdrived_delete()", "path_delete()"}));
  EXPECT_EQ(library.CurrentRecording(), 0);
  EXPECT_EQ(library.GSensorBytes(), 0u);
  EXPECT_TRUE(library.GSensorSamples().empty());
  // ...and the instruments show no data at every time.
  EXPECT_EQ(At(0), Kind::NoData);
  EXPECT_EQ(At(5000), Kind::NoData);
}

TEST_F(TrackTest, RedrawDrivenPathHoldsTheUsableSamplesBeforeTheTime) {
  FillLibrary(library, {WriteRecording(dir.Folder(), MinuteDrive())}, true);
  ASSERT_TRUE(Load(0));
  const auto recording = Plots("path_plot(");
  map.calls.clear();

  drawing.RedrawDrivenPath(library.Track(), 30000);
  ASSERT_FALSE(map.calls.empty());
  EXPECT_EQ(map.calls[0], "pathdrived_delete()");
  const auto driven = Plots("pathdrived_plot(");
  ASSERT_EQ(driven.size(), 27u);  // samples 0-29 less 5, 7 and 9
  for (std::size_t i = 0; i < driven.size(); ++i) EXPECT_EQ(driven[i], "pathdrived_" + recording[i].substr(5)) << i;

  // Beyond the end: every usable sample; a zero rate counts as one per second.
  map.calls.clear();
  library.SetGpsRate(0.0);
  drawing.RedrawDrivenPath(library.Track(), 4000000000u);
  EXPECT_EQ(Plots("pathdrived_plot(").size(), 57u);

  map.calls.clear();
  drawing.RedrawDrivenPath(library.Track(), 0);
  EXPECT_EQ(map.calls, std::vector<std::string>{"pathdrived_delete()"});

  drawing.SetMap(nullptr);
  drawing.RedrawDrivenPath(library.Track(), 30000);
}

TEST_F(TrackTest, UpdatePositionMapsTimesToSamples) {
  RecordingPlan plan;
  for (int i = 0; i < 100; ++i) plan.gps.push_back(DriveFix(i));
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
  ASSERT_TRUE(Load(0));

  map.calls.clear();
  EXPECT_EQ(At(59999), Kind::NewFix);
  const TrackPosition at60 = drawing.PositionAt(library.Track(), 60000, true);
  EXPECT_EQ(at60.kind, Kind::NewFix);
  ASSERT_EQ(map.calls.size(), 2u);
  EXPECT_EQ(map.calls[1], "MovePosition(120," + FormatFixed6(plan.gps[60].latitude / 100.0) + "," +
                              FormatFixed6(plan.gps[60].longitude / 100.0) + ")");
  EXPECT_EQ(at60.heading, 120);
  EXPECT_EQ(at60.speed, 60);
  EXPECT_EQ(At(60999), Kind::ShownLast);

  library.SetGpsRate(10.0);
  EXPECT_EQ(drawing.PositionAt(library.Track(), 5250, true).speed, 52);
}

TEST_F(TrackTest, UpdatePositionMovesOncePerNewSampleButAlwaysForSampleZero) {
  RecordingPlan plan;
  for (int i = 0; i < 10; ++i) plan.gps.push_back(DriveFix(i));
  plan.gsensor = {{1, 2, 3}};
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
  ASSERT_TRUE(Load(0));
  map.calls.clear();

  EXPECT_EQ(At(2100), Kind::NewFix);
  EXPECT_EQ(At(2900), Kind::ShownLast);  // still sample 2: no move
  EXPECT_EQ(map.calls.size(), 1u);
  EXPECT_EQ(At(100), Kind::NewFix);
  EXPECT_EQ(At(200), Kind::NewFix);  // sample 0 is shown every time
  EXPECT_EQ(map.calls.size(), 3u);
  // Map disabled: instruments follow, the map does not.
  EXPECT_EQ(drawing.PositionAt(library.Track(), 4000, false).speed, 4);
  EXPECT_EQ(map.calls.size(), 3u);
  // A new track forgets the sample shown last.
  ASSERT_TRUE(Load(0));
  map.calls.clear();
  EXPECT_EQ(At(4500), Kind::NewFix);
  EXPECT_EQ(map.calls.size(), 1u);
}

TEST_F(TrackTest, UpdatePositionNoDataStates) {
  FillLibrary(library, {WriteRecording(dir.Folder(), MinuteDrive())}, true);
  ASSERT_TRUE(Load(0));
  map.calls.clear();

  // Invalid status and the zero rule: no-data state.
  for (int64_t t : {5000, 7000, 60000, 999999999, -1000}) EXPECT_EQ(At(t), Kind::NoData) << t;
  // Out of range: no fix, and the instruments are not touched, at every report.
  EXPECT_EQ(At(9000), Kind::Unusable);
  EXPECT_EQ(At(9500), Kind::Unusable);
  EXPECT_TRUE(map.calls.empty());
  // Times that would overflow an index.
  library.SetGpsRate(255.0);
  EXPECT_EQ(At(INT64_MAX), Kind::NoData);
  EXPECT_EQ(At(INT64_MIN), Kind::NoData);
}

TEST_F(TrackTest, GroupPathsAndTheFirstFix) {
  RecordingPlan noFix;
  noFix.name = "A.AVI";
  noFix.gps = {Fix(0.0, 0.0), Fix(3540.0, 13946.0, 0)};
  RecordingPlan second;
  second.name = "B.AVI";
  second.gps = {Fix(0.0, 0.0), Fix(3541.0, 13947.5), Fix(3542.0, 13948.0)};
  RecordingPlan missing;
  missing.name = "C.AVI";
  missing.gps = {Fix(3541.0, 13947.5)};
  missing.writeFile = false;
  RecordingPlan third;
  third.name = "D.AVI";
  third.gps = {Fix(3600.0, 14000.0)};
  RecordingPlan noGps;
  noGps.name = "E.AVI";
  FillLibrary(
      library,
      {WriteRecording(dir.Folder(), noFix), WriteRecording(dir.Folder(), second), WriteRecording(dir.Folder(), missing),
       WriteRecording(dir.Folder(), third), WriteRecording(dir.Folder(), noGps)},
      true);

  drawing.ClearGroupPaths();
  drawing.DrawGroupPath(library, 0);
  const std::vector<std::string> expected = {"draw_file_path_clear_all()",
                                             "draw_file_path_begin()",
                                             "draw_file_path_end()",
                                             "draw_file_path_begin()",
                                             "draw_file_path_plot(35.683333,139.791667)",
                                             "draw_file_path_plot(35.700000,139.800000)",
                                             "draw_file_path_end()",
                                             "draw_file_path_begin()",
                                             "draw_file_path_plot(36.000000,140.000000)",
                                             "draw_file_path_end()",
                                             "MovePosition(0,35.410000,139.475000)"};
  EXPECT_EQ(map.calls, expected);
  // The library's own arrays are not touched by group drawing.
  EXPECT_TRUE(library.GpsSamples().empty());

  FirstFix fix;
  fix.found = 7;
  EXPECT_EQ(drawing.DrawRecordingPath(library, 2, &fix), 0);  // missing file
  EXPECT_EQ(fix.found, 0);
  EXPECT_EQ(drawing.DrawRecordingPath(library, 5, &fix), 0);
  EXPECT_EQ(drawing.DrawRecordingPath(library, -1, nullptr), 0);
  EXPECT_EQ(drawing.DrawRecordingPath(library, 4, &fix), 1);  // no GPS block
  EXPECT_EQ(drawing.DrawRecordingPath(library, 1, &fix), 1);
  EXPECT_EQ(fix.found, 1);
  EXPECT_DOUBLE_EQ(fix.latitude, 35.41);
  EXPECT_DOUBLE_EQ(fix.longitude, 139.475);

  map.calls.clear();
  drawing.DrawGroupPath(library, -1);
  drawing.DrawGroupPath(library, 1);
  EXPECT_TRUE(map.calls.empty());

  // Without a map nothing is sent and nothing fails.
  drawing.SetMap(nullptr);
  drawing.ClearGroupPaths();
  drawing.DrawGroupPath(library, 0);
  EXPECT_TRUE(Load(1));
  EXPECT_EQ(At(1000), Kind::NewFix);
}
