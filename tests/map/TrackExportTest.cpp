// GPX and CSV exports and trip figures on recordings written by the fixtures:
// what gpsbabel and a CSV reader get back, records without clock or fix,
// escaping, failed writes, the menu's commands and their messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>

#include "ExportReadBack.h"
#include "export/KmlExport.h"
#include "export/TrackExport.h"
#include "TrackFixtures.h"

using namespace trk_test;

namespace {

// A record at degrees + minutes with its own clock (local calendar fields).
GpsSample Clocked(GpsSample sample, int year, int month, int day, int hour, int minute, int second) {
  sample.year = static_cast<uint8_t>(year - 2000);
  sample.month = static_cast<uint8_t>(month);
  sample.day = static_cast<uint8_t>(day);
  sample.hour = static_cast<uint8_t>(hour);
  sample.minute = static_cast<uint8_t>(minute);
  sample.second = static_cast<uint8_t>(second);
  return sample;
}

class TrackExportTest : public ::testing::Test {
 protected:
  TrackPart Part(const RecordingPlan& plan) {
    TrackPart part;
    const RecordingInfo info = WriteRecording(input.Folder(), plan);
    EXPECT_TRUE(LoadTrackPart(info, input.Folder() + plan.subfolder + plan.name, part));
    return part;
  }
  // Nine hours east of UTC: a record's clock is local time, the files' times UTC.
  ScopedTimeZone japan{"JST-9"};
  TempFolder input;
  TempFolder output;
  RecordingLibrary library;
};

// 35 deg 40' N, 139 deg 46' E moved north by `metres`, in the stored form.
GpsSample North(double metres, uint16_t kmh) {
  const double minutes = metres / (3.14159265358979323846 * 6371008.8 / 180.0) * 60.0;
  return Fix(3540.0 + minutes, 13946.0, GpsStatusValid, 0, kmh, 0);
}

}  // namespace

TEST_F(TrackExportTest, GpxAndCsvOfRecordsWithAndWithoutClockAndFix) {
  RecordingPlan plan;
  plan.name = "A&B <1>.AVI";
  plan.startTime = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  plan.gpsaValue = 2;  // two records a second
  plan.gsensor = {{1, 2, 3}};
  plan.gps = {Clocked(Fix(2447.5, 12101.5, GpsStatusValid, 35, 72, 135), 2024, 4, 12, 8, 30, 0),
              Fix(2447.6, 12101.5, GpsStatusValid, 36, 36, 1),                                    // no clock
              Clocked(Fix(2447.7, 12101.5, 0, 37, 0, 0), 2024, 4, 12, 8, 30, 1),                  // no fix
              Clocked(Fix(2447.8, 12101.5, GpsStatusValid, 38, 18, 2), 2024, 13, 12, 8, 30, 1)};  // month 13
  std::vector<TrackPart> parts = {Part(plan)};
  std::vector<std::string> paths;
  std::string failed;
  ASSERT_TRUE(ExportTrack(TrackFormat::Gpx, parts, false, output.Folder(), paths, failed)) << failed;
  ASSERT_EQ(paths, std::vector<std::string>{output.Folder() + "A&B <1>_2024_04_12_08-30-00.GPX"});

  const std::string text = ReadFile(paths[0]);
  EXPECT_NE(text.find("<gpx version=\"1.1\" creator=\"trk-viewer "), std::string::npos);
  EXPECT_NE(text.find("<name>A&amp;B &lt;1&gt;.AVI</name>"), std::string::npos);
  const BabelTrack track = ReadGpxWithGpsbabel(paths[0]);
  ASSERT_EQ(track.status, 0);
  EXPECT_EQ(track.name, "A&amp;B &lt;1&gt;.AVI");
  EXPECT_EQ(track.desc, EscapeXmlText(TripFiguresText(ComputeTripFigures(parts))));
  EXPECT_EQ(track.segments, 1);
  // The record without fix is left out; only the valid clock gives a time (JST 08:30 is 23:30 UTC).
  ASSERT_EQ(track.points.size(), 3u);
  const struct {
    double latitude;
    std::string time, speed, course;
  } expected[] = {
      {24.791667, "2024-04-11T23:30:00Z", "20.000", "270"},
      {24.793333, "", "10.000", "2"},
      {24.796667, "", "5.000", "4"},
  };
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(track.points[i].latitude, expected[i].latitude, 1e-6) << i;
    EXPECT_NEAR(track.points[i].longitude, 121.025, 1e-6) << i;
    EXPECT_EQ(track.points[i].time, expected[i].time) << i;
    EXPECT_EQ(track.points[i].speed, expected[i].speed) << i;
    EXPECT_EQ(track.points[i].course, expected[i].course) << i;
  }

  // The CSV keeps every record; seconds follow the time base (two a second).
  ASSERT_TRUE(ExportTrack(TrackFormat::Csv, parts, false, output.Folder(), paths, failed)) << failed;
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], output.Folder() + "A&B <1>_2024_04_12_08-30-00_GPS.CSV");
  EXPECT_EQ(paths[1], output.Folder() + "A&B <1>_2024_04_12_08-30-00_GSENSOR.CSV");
  const std::vector<std::vector<std::string>> rows = CsvRows(ReadFile(paths[0]));
  const std::vector<std::vector<std::string>> expectedRows = {
      {"utc_time", "seconds_from_start", "latitude", "longitude", "speed_kmh", "course_deg", "fix"},
      {"2024-04-11T23:30:00Z", "0.000", "24.791667", "121.025000", "72", "270", "1"},
      {"", "0.500", "24.793333", "121.025000", "36", "2", "1"},
      {"2024-04-11T23:30:01Z", "1.000", "", "", "0", "0", "0"},
      {"", "1.500", "24.796667", "121.025000", "18", "4", "1"},
  };
  EXPECT_EQ(rows, expectedRows);
}

TEST_F(TrackExportTest, FailedWritesLeaveNoFileAndHarmNoEarlierExport) {
  RecordingPlan plan;
  plan.startTime = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  for (int i = 0; i < 20; ++i) plan.gps.push_back(DriveFix(i));
  for (int i = 0; i < 200; ++i) plan.gsensor.push_back({1, 2, 3});
  const std::vector<TrackPart> parts = {Part(plan)};
  std::vector<std::string> paths;
  std::string failed;
  const std::string stem = output.Folder() + "FILE0001_2024_04_12_08-30-00";
  const std::string kml = stem + ".KML";  // the KML button writes over its earlier file
  ASSERT_TRUE(WriteExportFile(kml, [](std::ostream& file) { return static_cast<bool>(file << "good"); }));

  // An export never writes over a file: the second of each gets a name of its own.
  for (int copy = 1; copy <= 2; ++copy) {
    const std::string suffix = copy == 1 ? "" : " (2)";
    ASSERT_TRUE(ExportTrack(TrackFormat::Gpx, parts, true, output.Folder(), paths, failed)) << failed;
    EXPECT_EQ(paths, std::vector<std::string>{stem + "_TRIP" + suffix + ".GPX"});
    ASSERT_TRUE(ExportTrack(TrackFormat::Csv, parts, false, output.Folder(), paths, failed)) << failed;
    EXPECT_EQ(paths, (std::vector<std::string>{stem + suffix + "_GPS.CSV", stem + suffix + "_GSENSOR.CSV"}));
  }
  const auto Listing = [&] {
    std::map<std::string, std::size_t> files;  // name and a hash of the content
    for (const auto& entry : std::filesystem::directory_iterator(output.Folder()))
      files[entry.path().string()] = std::hash<std::string>{}(ReadFile(entry.path().string()));
    return files;
  };
  const auto before = Listing();

  // At most 4 KiB a file: the GPX needs more, the GPS CSV fits but its G-sensor CSV does not.
  const struct {
    TrackFormat format;
    std::string failed;
  } cases[] = {{TrackFormat::Gpx, stem + "_TRIP (3).GPX"}, {TrackFormat::Csv, stem + " (3)_GSENSOR.CSV"}};
  for (const auto& c : cases) {
    EXPECT_FALSE(WithFileSizeLimit(4096, [&] {
      return ExportTrack(c.format, parts, c.format == TrackFormat::Gpx, output.Folder(), paths, failed);
    }));
    EXPECT_EQ(failed, c.failed);
  }
  EXPECT_FALSE(WithFileSizeLimit(4096, [&] {
    return WriteExportFile(kml, [](std::ostream& file) { return static_cast<bool>(file << std::string(8192, 'x')); });
  }));
  // Nothing was removed, changed (the KML still says "good") or left behind half-written.
  EXPECT_EQ(Listing(), before);
}

TEST_F(TrackExportTest, RecordTimesAcrossTheAutumnClockChangeAndImpossibleDates) {
  ScopedTimeZone newYork{"EST5EDT,M3.2.0,M11.1.0"};
  // The recording starts at 00:50 EDT; 70 minutes later the clock repeats 01:00 to 01:59.
  const struct {
    int offset, year, month, day, hour, minute, second;
    std::string utc;
  } cases[] = {
      {600, 2024, 11, 3, 1, 0, 0, "2024-11-03T05:00:00Z"},  // 01:00 EDT
      {4199, 2024, 11, 3, 1, 59, 59, "2024-11-03T05:59:59Z"},
      {4200, 2024, 11, 3, 1, 0, 0, "2024-11-03T06:00:00Z"},  // 01:00 EST
      {4, 2024, 2, 29, 8, 30, 2, "2024-02-29T13:30:02Z"},
      {4, 2023, 2, 29, 8, 30, 2, ""},
      {4, 2024, 2, 31, 8, 30, 2, ""},
      {4, 2024, 4, 31, 8, 30, 2, ""},
  };
  for (const auto& c : cases) {
    TrackPart part;
    part.recording.summary.startTime = LocalCalendarToTime(2024, 11, 3, 0, 50, 0);
    part.gps.resize(static_cast<std::size_t>(c.offset) + 1);
    part.gps.back() = Clocked(DriveFix(1), c.year, c.month, c.day, c.hour, c.minute, c.second);
    std::ostringstream csv;
    ASSERT_TRUE(WriteGpsCsv(csv, {part}));
    EXPECT_EQ(CsvRows(csv.str()).back()[0], c.utc) << c.offset << " " << c.day;
  }
}

TEST_F(TrackExportTest, ForbiddenCharactersValuesOutsideTheWorldAndSpeedGlitches) {
  RecordingPlan plan;
  plan.name = "\xEF\xBF\xBE\xEF\xBF\xBF.AVI";  // U+FFFE U+FFFF
  plan.subfolder = "\xEF\xBF\xBF/";
  plan.startTime = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  for (int i = 0; i < 10; ++i) plan.gps.push_back(North(10.0 * i, 36));
  plan.gps[2].latitude = 9530.0;     // 95.5 degrees
  plan.gps[3].longitude = -25000.0;  // -250 degrees
  plan.gps[4].heading = 200;         // 400 degrees
  plan.gps[5].speed = 900;           // a glitch of the receiver
  const std::vector<TrackPart> parts = {Part(plan)};
  const TripFigures figures = ComputeTripFigures(parts);
  EXPECT_EQ(figures.fixes, 7u);
  EXPECT_EQ(figures.maxSpeedKmh, 36.0);
  EXPECT_EQ(figures.meanSpeedKmh, 36.0);

  std::vector<std::string> paths;
  std::string failed;
  for (const TrackFormat format : {TrackFormat::Kml, TrackFormat::Gpx}) {
    ASSERT_TRUE(ExportTrack(format, parts, true, output.Folder(), paths, failed)) << failed;
    int status = -1;
    const std::string lint = RunCommand("xmllint --noout '" + paths[0] + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << lint;
  }
  EXPECT_EQ(ReadGpxWithGpsbabel(paths[0]).points.size(), 7u);
  ASSERT_TRUE(ExportTrack(TrackFormat::Csv, parts, false, output.Folder(), paths, failed)) << failed;
  std::string fixes;
  for (const auto& row : CsvRows(ReadFile(paths[0]))) fixes += row.back();
  EXPECT_EQ(fixes, "fix1100011111");
}

TEST_F(TrackExportTest, TripFiguresOfADriveOfKnownLength) {
  // Two recordings of one drive north at 36 km/h (10 m a second): 300 + 300
  // steps of 10 m, one receiver jump of 50 km, then a minute standing.
  RecordingPlan first;
  first.startTime = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  for (int i = 0; i < 300; ++i) first.gps.push_back(North(10.0 * i, 36));
  first.gps[150] = North(50000.0, 36);
  RecordingPlan second;
  second.name = "FILE0002.AVI";
  second.startTime = first.startTime + 300;
  for (int i = 300; i <= 600; ++i) second.gps.push_back(North(10.0 * i, 36));
  for (int i = 0; i < 60; ++i) second.gps.push_back(North(6000.0, 0));
  const TripFigures figures = ComputeTripFigures({Part(first), Part(second)});

  // The jump costs the two steps around it: 5 980 m of the 6 000 driven.
  EXPECT_NEAR(figures.distanceMetres, 5980.0, 1.0);
  EXPECT_NEAR(figures.distanceMetres, 6000.0, 60.0);  // within 1 %
  EXPECT_NEAR(figures.drivingSeconds, 601.0, 1e-9);
  EXPECT_EQ(figures.maxSpeedKmh, 36.0);
  EXPECT_EQ(figures.meanSpeedKmh, 36.0);
  EXPECT_EQ(figures.fixes, 661u);
  EXPECT_EQ(TripFiguresText(figures).substr(0, 19), "distance 5.98 km, d");
}

TEST_F(TrackExportTest, MenuCommandsAndTheirMessages) {
  ExportCommandResult result = RunExportCommand(library, output.Folder(), ExportChoice::GpxRecording);
  EXPECT_EQ(result.textId, 136);  // no recordings
  EXPECT_EQ(result.captionId, 145);

  RecordingPlan plan;
  plan.startTime = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  plan.gps = {DriveFix(1), DriveFix(2)};
  plan.gsensor = {{1, 2, 3}, {4, 5, 6}};
  RecordingPlan second = plan;
  second.name = "FILE0002.AVI";
  second.startTime += 60;
  second.gps = {DriveFix(3)};
  FillLibrary(library, {WriteRecording(input.Folder(), plan), WriteRecording(input.Folder(), second)}, true);

  // Nothing current yet: the failure names the folder, as for KML.
  result = RunExportCommand(library, output.Folder(), ExportChoice::Csv);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.textId, kCsvFailedText);
  EXPECT_EQ(result.captionId, kCsvCaption);
  EXPECT_EQ(result.path, output.Folder());

  ASSERT_NE(library.LoadTrack(1), nullptr);
  const struct {
    ExportChoice choice;
    int textId, captionId;
    std::string files;
    int segments;
  } cases[] = {
      {ExportChoice::Kml, 125, 127, "FILE0002_2024_04_12_08-31-00.KML", 0},
      {ExportChoice::GpxRecording, kGpxSavedText, kGpxCaption, "FILE0002_2024_04_12_08-31-00.GPX", 1},
      {ExportChoice::GpxTrip, kGpxSavedText, kGpxCaption, "FILE0001_2024_04_12_08-30-00_TRIP.GPX", 2},
      {ExportChoice::Csv, kCsvSavedText, kCsvCaption,
       "FILE0002_2024_04_12_08-31-00_GPS.CSV, " + output.Folder() + "FILE0002_2024_04_12_08-31-00_GSENSOR.CSV", 0},
  };
  for (const auto& c : cases) {
    result = RunExportCommand(library, output.Folder(), c.choice);
    EXPECT_TRUE(result.saved) << c.files;
    EXPECT_EQ(result.textId, c.textId) << c.files;
    EXPECT_EQ(result.captionId, c.captionId) << c.files;
    EXPECT_EQ(result.path, output.Folder() + c.files);
    if (c.segments != 0) {
      EXPECT_EQ(ReadGpxWithGpsbabel(output.Folder() + c.files).segments, c.segments) << c.files;
    }
  }
  // The whole trip holds the first recording's points before the playing one's.
  const BabelTrack trip = ReadGpxWithGpsbabel(output.Folder() + "FILE0001_2024_04_12_08-30-00_TRIP.GPX");
  ASSERT_EQ(trip.points.size(), 3u);
  EXPECT_EQ(trip.name, "FILE0001.AVI - FILE0002.AVI");
  EXPECT_EQ(trip.points[2].segment, 1);
  EXPECT_NEAR(trip.points[2].latitude, Degrees(DriveFix(3).latitude), 1e-6);

  // A recording of the trip that cannot be read is named.
  std::filesystem::remove(input.Folder() + "FILE0001.AVI");
  result = RunExportCommand(library, output.Folder(), ExportChoice::GpxTrip);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.textId, kRecordingUnreadableText);
  EXPECT_EQ(result.path, input.Folder() + "FILE0001.AVI");
}
