// Track and position functions against recording doubles of map, owner and curve.
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
  void SetUp() override {
    library.SetGSensorView(&curve);
    library.SetMapView(&map);
    library.SetOwnerView(&owner);
    LastShownSample = 0;
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
  OwnerDouble owner;
  CurveDouble curve;
};

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

  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
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

  const std::vector<std::string> expectedCurve = {
      "Clear()",          "SetScale(2.000000,5.000000)", "Clear()",         "LoadSamples(4)",
      "UpdateTimeAxis()", "SetSamplesPerMs(0.050000)",   "UpdateTimeAxis()"};
  EXPECT_EQ(curve.calls, expectedCurve);
  EXPECT_EQ(curve.firstX, 10);
}

TEST_F(TrackTest, DrawLoadedTrackSendsTheSameLineAgainFromMemory) {
  RecordingPlan plan = MinuteDrive();
  RecordingInfo info = WriteRecording(dir.Folder(), plan);
  FillLibrary(library, {info}, true);
  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
  const auto first = Plots("path_plot(");
  std::filesystem::remove(dir.Folder() + info.name);  // no file access is needed
  map.calls.clear();
  DrawLoadedTrack(library);
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
  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
  EXPECT_EQ(curve.calls[1], "SetScale(0.000000,5.000000)");
  EXPECT_EQ(curve.calls[5], "SetSamplesPerMs(0.005000)");  // 300 / 60000 ms
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
  library.SetGpsRate(3.0);

  EXPECT_EQ(LoadRecordingTrack(library, -1), 0);
  EXPECT_EQ(LoadRecordingTrack(library, 2), 0);
  EXPECT_TRUE(map.calls.empty());
  EXPECT_EQ(library.CurrentRecording(), -1);

  // A GPS block ending beyond the file is not read; the G-sensor block still is.
  ASSERT_EQ(LoadRecordingTrack(library, 1), 1);
  EXPECT_EQ(library.GpsBytes(), 0u);
  EXPECT_TRUE(library.GpsSamples().empty());
  EXPECT_DOUBLE_EQ(library.GpsRate(), 3.0);  // no block: the rate stays
  EXPECT_EQ(library.GSensorBytes(), 3u);
  EXPECT_TRUE(Plots("path_plot(").empty());

  // A missing file: lines deleted, arrays empty, the curve untouched, index kept.
  map.calls.clear();
  curve.calls.clear();
  EXPECT_EQ(LoadRecordingTrack(library, 0), 0);
  EXPECT_EQ(map.calls, (std::vector<std::string>{"pathdrived_delete()", "path_delete()"}));
  EXPECT_TRUE(curve.calls.empty());
  EXPECT_EQ(library.CurrentRecording(), 0);
  EXPECT_EQ(library.GSensorBytes(), 0u);
  EXPECT_TRUE(library.GSensorSamples().empty());
  // ...and the instruments show no data at every time.
  owner.calls.clear();
  EXPECT_EQ(UpdatePosition(library, 0, true, true), 0);
  EXPECT_EQ(UpdatePosition(library, 5000, true, true), 0);
  EXPECT_EQ(owner.calls,
            (std::vector<std::string>{"ClearHeading()", "SetSpeed(0,0)", "ClearHeading()", "SetSpeed(0,0)"}));
}

TEST_F(TrackTest, RedrawDrivenPathHoldsTheUsableSamplesBeforeTheTime) {
  FillLibrary(library, {WriteRecording(dir.Folder(), MinuteDrive())}, true);
  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
  const auto recording = Plots("path_plot(");
  map.calls.clear();

  RedrawDrivenPath(library, 30000);
  ASSERT_FALSE(map.calls.empty());
  EXPECT_EQ(map.calls[0], "pathdrived_delete()");
  const auto driven = Plots("pathdrived_plot(");
  ASSERT_EQ(driven.size(), 27u);  // samples 0-29 less 5, 7 and 9
  for (std::size_t i = 0; i < driven.size(); ++i) EXPECT_EQ(driven[i], "pathdrived_" + recording[i].substr(5)) << i;

  // Beyond the end: every usable sample; a zero rate counts as one per second.
  map.calls.clear();
  library.SetGpsRate(0.0);
  RedrawDrivenPath(library, 4000000000u);
  EXPECT_DOUBLE_EQ(library.GpsRate(), 1.0);
  EXPECT_EQ(Plots("pathdrived_plot(").size(), 57u);

  map.calls.clear();
  RedrawDrivenPath(library, 0);
  EXPECT_EQ(map.calls, std::vector<std::string>{"pathdrived_delete()"});

  library.SetMapView(nullptr);
  RedrawDrivenPath(library, 30000);
}

TEST_F(TrackTest, UpdatePositionMapsTimesToSamples) {
  RecordingPlan plan;
  for (int i = 0; i < 100; ++i) plan.gps.push_back(DriveFix(i));
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);

  map.calls.clear();
  EXPECT_EQ(UpdatePosition(library, 59999, false, true), 1);
  EXPECT_EQ(LastShownSample, 59);
  EXPECT_EQ(UpdatePosition(library, 60000, false, true), 1);
  EXPECT_EQ(LastShownSample, 60);
  ASSERT_EQ(map.calls.size(), 2u);
  EXPECT_EQ(map.calls[1], "MovePosition(120," + FormatFixed6(plan.gps[60].latitude / 100.0) + "," +
                              FormatFixed6(plan.gps[60].longitude / 100.0) + ")");
  EXPECT_EQ(owner.calls.back(), "SetSpeed(1,60)");
  EXPECT_EQ(owner.calls[owner.calls.size() - 2], "SetHeading(120)");

  library.SetGpsRate(10.0);
  EXPECT_EQ(UpdatePosition(library, 5250, false, true), 1);
  EXPECT_EQ(LastShownSample, 52);
}

TEST_F(TrackTest, UpdatePositionMovesOncePerNewSampleButAlwaysForSampleZero) {
  RecordingPlan plan;
  for (int i = 0; i < 10; ++i) plan.gps.push_back(DriveFix(i));
  plan.gsensor = {{1, 2, 3}};
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
  map.calls.clear();
  curve.calls.clear();

  EXPECT_EQ(UpdatePosition(library, 2100, true, true), 1);
  EXPECT_EQ(UpdatePosition(library, 2900, true, true), 1);  // still sample 2: no move
  EXPECT_EQ(map.calls.size(), 1u);
  EXPECT_EQ(UpdatePosition(library, 100, true, true), 1);
  EXPECT_EQ(UpdatePosition(library, 200, true, true), 1);  // sample 0 is shown every time
  EXPECT_EQ(map.calls.size(), 3u);
  // Map disabled: instruments follow, the map does not.
  EXPECT_EQ(UpdatePosition(library, 4000, true, false), 1);
  EXPECT_EQ(map.calls.size(), 3u);
  EXPECT_EQ(owner.calls.back(), "SetSpeed(1,4)");
  // The curve's cursor follows every report (low 32 bits of the time).
  ASSERT_GE(curve.calls.size(), 3u);
  EXPECT_EQ(curve.calls[0], "SetIdle(0)");
  EXPECT_EQ(curve.calls[1], "Repaint()");
  EXPECT_EQ(curve.calls[2], "SetCursor(2100)");
  curve.calls.clear();
  EXPECT_EQ(UpdatePosition(library, (int64_t{1} << 32) + 500, true, true), 0);
  EXPECT_EQ(curve.calls.back(), "SetCursor(500)");
  curve.calls.clear();
  UpdatePosition(library, 500, false, true);
  EXPECT_TRUE(curve.calls.empty());
}

TEST_F(TrackTest, UpdatePositionNoDataStates) {
  FillLibrary(library, {WriteRecording(dir.Folder(), MinuteDrive())}, true);
  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
  map.calls.clear();

  // Invalid status and the zero rule: no-data state.
  for (int64_t t : {5000, 7000, 60000, 999999999, -1000}) {
    owner.calls.clear();
    EXPECT_EQ(UpdatePosition(library, t, false, true), 0) << t;
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"ClearHeading()", "SetSpeed(0,0)"})) << t;
  }
  // Out of range: no fix, and the instruments are not touched, at every report.
  owner.calls.clear();
  EXPECT_EQ(UpdatePosition(library, 9000, false, true), 0);
  EXPECT_EQ(UpdatePosition(library, 9500, false, true), 0);
  EXPECT_TRUE(owner.calls.empty());
  EXPECT_TRUE(map.calls.empty());
  // Times that would overflow an index.
  library.SetGpsRate(255.0);
  EXPECT_EQ(UpdatePosition(library, INT64_MAX, false, true), 0);
  EXPECT_EQ(UpdatePosition(library, INT64_MIN, false, true), 0);
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

  ClearGroupPaths(library);
  DrawGroupPath(library, 0);
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
  EXPECT_EQ(DrawRecordingPath(library, 2, &fix), 0);  // missing file
  EXPECT_EQ(fix.found, 0);
  EXPECT_EQ(DrawRecordingPath(library, 5, &fix), 0);
  EXPECT_EQ(DrawRecordingPath(library, -1, nullptr), 0);
  EXPECT_EQ(DrawRecordingPath(library, 4, &fix), 1);  // no GPS block
  EXPECT_EQ(DrawRecordingPath(library, 1, &fix), 1);
  EXPECT_EQ(fix.found, 1);
  EXPECT_DOUBLE_EQ(fix.latitude, 35.41);
  EXPECT_DOUBLE_EQ(fix.longitude, 139.475);

  map.calls.clear();
  DrawGroupPath(library, -1);
  DrawGroupPath(library, 1);
  EXPECT_TRUE(map.calls.empty());

  // Without a map nothing is sent and nothing fails.
  library.SetMapView(nullptr);
  ClearGroupPaths(library);
  DrawGroupPath(library, 0);
  EXPECT_EQ(LoadRecordingTrack(library, 1), 1);
  EXPECT_EQ(UpdatePosition(library, 1000, true, true), 1);
}
