// trk-probe --kml on real synthesized recordings: the file is where and what
// the KML button would write, and gpsbabel reads the usable fixes back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ExportReadBack.h"
#include "map/ScriptText.h"
#include "Synth.h"
#include "TrackFixtures.h"

using namespace trk_test;

namespace {

const std::string kProbe = std::string(TRK_BIN_DIR) + "/trk-probe";

// The points gpsbabel reads from a KML file, as "lat,lon" texts with six decimals.
std::vector<std::string> BabelPoints(const std::string& kml) {
  int status = -1;
  const std::string csv = RunCommand("gpsbabel -t -i kml -f '" + kml + "' -o unicsv -F - 2>&1", &status);
  EXPECT_EQ(status, 0) << csv;
  std::vector<std::string> points;
  std::size_t start = csv.find('\n');
  while (start != std::string::npos && start + 1 < csv.size()) {
    const std::size_t end = csv.find('\n', start + 1);
    const std::string line = csv.substr(start + 1, end - start - 1);
    int number = 0;
    double latitude = 0, longitude = 0;
    if (std::sscanf(line.c_str(), "%d,%lf,%lf", &number, &latitude, &longitude) == 3)
      points.push_back(FormatFixed6(latitude) + "," + FormatFixed6(longitude));
    start = end;
  }
  return points;
}

}  // namespace

TEST(ProbeKml, ExportsASynthesizedRecordingThatGpsbabelReads) {
  setenv("TZ", "UTC", 1);
  TempFolder dir;
  for (const char* name : {"FILE0001.AVI", "MOV_0002.MOV"}) {
    SynthOptions options;
    options.durationMs = 20000;
    options.videoMs = 1000;
    options.width = 160;
    options.height = 120;
    options.gpsRate = 2;
    options.hour = 9;
    options.minute = 5;
    options.second = 7;
    const SynthReport report = WriteSynthRecording(dir.Folder() + name, options);

    int status = -1;
    const std::string output = RunCommand(kProbe + " --kml '" + report.path + "' '" + dir.Folder() + "out'", &status);
    EXPECT_EQ(status, 0) << output;
    const std::string stem = std::string(name).substr(0, 8);
    const std::string kml = dir.Folder() + "out/" + stem + "_2024_04_12_09-05-07.KML";
    EXPECT_NE(output.find("\"saved\":true"), std::string::npos) << output;
    EXPECT_NE(output.find(kml), std::string::npos) << output;
    ASSERT_TRUE(std::filesystem::exists(kml)) << output;

    std::vector<std::string> expected;
    for (GpsSample sample : report.gps) {
      ApplyZeroRule(sample);
      if (IsUsableGpsSample(sample))
        expected.push_back(FormatFixed6(Degrees(sample.latitude)) + "," + FormatFixed6(Degrees(sample.longitude)));
    }
    EXPECT_EQ(expected.size(), report.gps.size() - 2);  // the leading records without fix
    EXPECT_EQ(BabelPoints(kml), expected) << name;
  }
}

TEST(ProbeKml, FailuresAreReported) {
  TempFolder dir;
  int status = -1;
  std::string output =
      RunCommand(kProbe + " --kml '" + dir.Folder() + "NOPE.AVI' '" + dir.Folder() + "' 2>/dev/null", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(output.find("\"saved\":false"), std::string::npos) << output;
  output = RunCommand(kProbe + " --kml '" + dir.Folder() + "notes.txt' '" + dir.Folder() + "' 2>/dev/null", &status);
  EXPECT_EQ(status, 1);
  RunCommand(kProbe + " --kml onlyone 2>/dev/null", &status);
  EXPECT_EQ(status, 2);
  // An output folder that cannot be made: a file stands in its way.
  SynthOptions options;
  options.durationMs = 3000;
  options.videoMs = 1000;
  options.width = 160;
  options.height = 120;
  const SynthReport report = WriteSynthRecording(dir.Folder() + "FILE0003.AVI", options);
  std::ofstream(dir.Folder() + "blocker") << "x";
  output = RunCommand(kProbe + " --kml '" + report.path + "' '" + dir.Folder() + "blocker/out' 2>/dev/null", &status);
  EXPECT_EQ(status, 1) << output;
  EXPECT_NE(output.find("\"error\":\"writing the KML file failed\""), std::string::npos) << output;
}
