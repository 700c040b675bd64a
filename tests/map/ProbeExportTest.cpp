// trk-probe --gpx, --csv and --export on synthesized recordings and cards:
// gpsbabel reads points, times and speeds back, every group gives its file,
// failures give their reasons and a non-zero status, and the card is never
// written to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>

#include "ExportReadBack.h"
#include "export/KmlExport.h"
#include "Synth.h"
#include "TrackFixtures.h"
#include "export/TrackPart.h"

using namespace trk_test;

namespace {

const std::string kProbe = std::string(TRK_BIN_DIR) + "/trk-probe";

std::string Utc(int64_t time) {
  const std::time_t value = static_cast<std::time_t>(time);
  std::tm fields{};
  gmtime_r(&value, &fields);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &fields);
  return text;
}

// Every file below `dir` with its size and modification time.
std::map<std::string, std::pair<uintmax_t, int64_t>> Snapshot(const std::string& dir) {
  std::map<std::string, std::pair<uintmax_t, int64_t>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    struct stat info {};
    stat(entry.path().c_str(), &info);
    files[entry.path().string()] = {entry.is_regular_file() ? entry.file_size() : 0,
                                    static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
  }
  return files;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

class ProbeExport : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "JST-9", 1); }  // the probe inherits it
  TempFolder dir;
};

}  // namespace

TEST_F(ProbeExport, TripGpxReadsBackInGpsbabelWithTimesAndSpeeds) {
  tzset();
  // One drive in two recordings, AVI then QuickTime, two records a second.
  std::vector<SynthReport> reports;
  std::filesystem::create_directories(dir.Folder() + "card");
  for (int i = 0; i < 2; ++i) {
    SynthOptions options;
    options.durationMs = 10000;  // the video as long: the container gives the length
    options.width = 160;
    options.height = 120;
    options.gpsRate = 2;
    options.hour = 9;
    options.minute = 5;
    options.second = 7 + 10 * i;
    options.driveSeconds = 10.0 * i;
    options.noFixRecords = i == 0 ? 2 : 0;
    reports.push_back(
        WriteSynthRecording(dir.Folder() + "card/" + (i == 0 ? "FILE0001.AVI" : "MOV_0002.MOV"), options));
  }
  int status = -1;
  const std::string output =
      RunCommand(kProbe + " --export gpx '" + dir.Folder() + "card' '" + dir.Folder() + "out'", &status);
  ASSERT_EQ(status, 0) << output;
  const std::string gpx = dir.Folder() + "out/FILE0001_2024_04_12_09-05-07_TRIP.GPX";
  EXPECT_NE(output.find("\"file\":\"" + gpx + "\""), std::string::npos) << output;

  const BabelTrack track = ReadGpxWithGpsbabel(gpx);
  ASSERT_EQ(track.status, 0);
  EXPECT_EQ(track.name, "FILE0001.AVI - MOV_0002.MOV");
  EXPECT_EQ(track.segments, 2);
  std::vector<BabelPoint> expected;
  for (int r = 0; r < 2; ++r) {
    for (std::size_t i = 0; i < reports[r].gps.size(); ++i) {
      GpsSample sample = reports[r].gps[i];
      ApplyZeroRule(sample);
      BabelPoint point;
      if (!ExportedPosition(sample, point.latitude, point.longitude)) continue;
      point.segment = r;
      point.time = Utc(reports[r].startTime + static_cast<int64_t>(i / 2));  // the clock is local time
      char speed[32];
      std::snprintf(speed, sizeof speed, "%.3f", sample.speed / 3.6);
      point.speed = speed;
      expected.push_back(point);
    }
  }
  EXPECT_EQ(expected.size(), reports[0].gps.size() + reports[1].gps.size() - 2);
  ASSERT_EQ(track.points.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(track.points[i].segment, expected[i].segment) << i;
    EXPECT_NEAR(track.points[i].latitude, expected[i].latitude, 5e-7) << i;
    EXPECT_NEAR(track.points[i].longitude, expected[i].longitude, 5e-7) << i;
    EXPECT_EQ(track.points[i].time, expected[i].time) << i;
    EXPECT_EQ(track.points[i].speed, expected[i].speed) << i;
  }

  // The one-recording modes name their files like the KML button does.
  const std::string one = RunCommand(kProbe + " --csv '" + reports[1].path + "' '" + dir.Folder() + "one'", &status);
  EXPECT_EQ(status, 0) << one;
  const auto rows = CsvRows(ReadFile(dir.Folder() + "one/MOV_0002_2024_04_12_09-05-17_GPS.CSV"));
  EXPECT_EQ(rows.size(), reports[1].gps.size() + 1);
  EXPECT_EQ(CsvRows(ReadFile(dir.Folder() + "one/MOV_0002_2024_04_12_09-05-17_GSENSOR.CSV")).size(),
            reports[1].gsensor.size() + 1);
  RunCommand(kProbe + " --gpx '" + reports[1].path + "' '" + dir.Folder() + "one'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadGpxWithGpsbabel(dir.Folder() + "one/MOV_0002_2024_04_12_09-05-17.GPX").points.size(),
            reports[1].gps.size());
}

TEST_F(ProbeExport, WholeCardOneFilePerGroupAndNothingWrittenIntoTheCard) {
  SynthCardOptions options;
  options.recordings = 20;  // two drives of ten
  options.cheapVideo = true;
  options.width = 160;
  options.height = 120;
  const std::string card = dir.Folder() + "card";
  WriteSynthCard(card, options);
  const auto before = Snapshot(card);

  int status = -1;
  std::string output =
      RunCommand(kProbe + " --export csv '" + card + "' '" + dir.Folder() + "out' 2>/dev/null", &status);
  EXPECT_EQ(status, 0) << output;
  std::vector<std::string> lines = Lines(output);
  ASSERT_EQ(lines.size(), 4u) << output;  // a GPS and a G-sensor file per group
  for (const std::string& line : lines) EXPECT_NE(line.find("\"records\":"), std::string::npos) << line;
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Folder() + "out")) {
    ++files;
    const auto rows = CsvRows(ReadFile(entry.path().string()));
    ASSERT_GT(rows.size(), 10u) << entry.path();  // ten recordings' records
    const bool gps = entry.path().string().ends_with("_TRIP_GPS.CSV");
    EXPECT_TRUE(gps || entry.path().string().ends_with("_TRIP_GSENSOR.CSV")) << entry.path();
    EXPECT_EQ(rows[0].size(), gps ? 7u : 4u) << entry.path();
  }
  EXPECT_EQ(files, 4u);

  // The library shows each group's trip figures.
  output = RunCommand(kProbe + " --library '" + card + "'", &status);
  EXPECT_EQ(status, 0);
  std::size_t trips = 0;
  for (std::size_t at = output.find("\"trip\":{\"distanceMetres\":"); at != std::string::npos;
       at = output.find("\"trip\":{\"distanceMetres\":", at + 1))
    ++trips;
  EXPECT_EQ(trips, 2u) << output;

  // Exported again, each trip takes a name of its own beside the earlier files, and its line says which.
  const std::string blocked = dir.Folder() + "blocked";
  for (const std::string copy : {".KML", " (2).KML"}) {
    output = RunCommand(kProbe + " --export kml '" + card + "' '" + blocked + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << output;
    lines = Lines(output);
    ASSERT_EQ(lines.size(), 2u) << output;
    for (const std::string& line : lines) EXPECT_NE(line.find("_TRIP" + copy + "\","), std::string::npos) << line;
  }
  // A trip that cannot be written fails with its reason and harms no earlier file.
  const auto exported = Snapshot(blocked);
  EXPECT_EQ(exported.size(), 4u);
  output = RunCommand("sh -c \"trap '' XFSZ; ulimit -f 1; exec " + kProbe + " --export kml '" + card + "' '" + blocked +
                          "'\" 2>&1 >/dev/null",
                      &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(output.find("_TRIP (3).KML failed"), std::string::npos) << output;
  EXPECT_EQ(Snapshot(blocked), exported);

  // Exports never go into the card, and nothing there changed.
  output = RunCommand(kProbe + " --export gpx '" + card + "' '" + card + "/exports' 2>&1", &status);
  EXPECT_EQ(status, 2) << output;
  EXPECT_EQ(Snapshot(card), before);
}
