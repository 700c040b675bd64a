// KML texts, file names, escaping, write failures and a real reader (gpsbabel).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "export/KmlExport.h"
#include "map/ScriptText.h"
#include "TrackFixtures.h"

using namespace trk_test;

namespace {

// 2018-07-03 12:34:56 in the test's time zone (UTC).
int64_t July3rd() {
  std::tm fields{};
  fields.tm_year = 118;
  fields.tm_mon = 6;
  fields.tm_mday = 3;
  fields.tm_hour = 12;
  fields.tm_min = 34;
  fields.tm_sec = 56;
  return timegm(&fields);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Header(const std::string& name, const std::string& route) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
         "  <Document>\n"
         "    <name>" +
         name +
         "</name>\n"
         "\t<description></description>\n"
         "    <Style id=\"blueLine\">\n"
         "      <LineStyle>\n"
         "        <color>ffff0000</color>\n"
         "        <width>4</width>\n"
         "      </LineStyle>\n"
         "    </Style>\n"
         "    <Placemark>\n"
         "      <name>CAR PATH</name>\n"
         "      <description>GPS Path of Car DV " +
         route +
         "</description>\n"
         "      <styleUrl>#blueLine</styleUrl>\n"
         "      <LineString>\n"
         "        <altitudeMode>relative</altitudeMode>\n"
         "        <coordinates>\n";
}

const char* const kFooter =
    "\n"
    "        </coordinates>\n"
    "      </LineString>\n"
    "    </Placemark>\n"
    "  </Document>\n"
    "</kml>\n";

// A stream buffer that accepts `room` bytes and then fails every write.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(std::size_t room) : m_room(room) {}

 protected:
  int_type overflow(int_type c) override {
    if (m_room == 0) return traits_type::eof();
    --m_room;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    const auto taken = std::min<std::streamsize>(n, static_cast<std::streamsize>(m_room));
    m_room -= static_cast<std::size_t>(taken);
    return taken;
  }

 private:
  std::size_t m_room;
};

class KmlTest : public ::testing::Test {
 protected:
  // The library with one loaded recording; the samples go through LoadTrack.
  void Load(const RecordingPlan& plan) {
    FillLibrary(library, {WriteRecording(input.Folder(), plan)}, true);
    ASSERT_NE(library.LoadTrack(0), nullptr);
  }
  ScopedTimeZone utc{"UTC"};
  TempFolder input;
  TempFolder output;
  RecordingLibrary library;
};

}  // namespace

TEST_F(KmlTest, FileNameTextsAndCoordinates) {
  RecordingPlan plan;
  plan.startTime = July3rd();
  plan.gps = {Fix(2447.5, 12101.5, GpsStatusValid, 35), Fix(2447.5, 12101.5, 0, 1),  // no valid bit
              Fix(0.0, 0.0, GpsStatusValid, 2),                                      // zero rule
              Fix(20000.0, 12101.5, GpsStatusValid, 3),                              // 200 degrees
              Fix(2502.5, 12200.0, GpsStatusValid, -12)};
  Load(plan);

  std::string path;
  ASSERT_TRUE(ExportKml(library, output.Folder(), path));
  EXPECT_EQ(path, output.Folder() + "FILE0001_2018_07_03_12-34-56.KML");
  const std::string expected = Header("FILE0001.AVI", "\"/FILE0001.AVI\" 2018/07/03 12:34:56") +
                               "121.025000,24.791667,35\n"
                               "122.000000,25.041667,-12\n" +
                               kFooter;
  EXPECT_EQ(ReadAll(path), expected);

  // Exporting again overwrites, it does not append.
  ASSERT_TRUE(ExportKml(library, output.Folder(), path));
  EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(KmlTest, RouteDescriptionOfASubfolderAndEmptyTracks) {
  RecordingPlan plan;
  plan.name = "REC_0001.MOV";
  plan.subfolder = "A/";
  plan.startTime = July3rd() + 3600;
  plan.gps = {Fix(2447.5, 12101.5, 0), Fix(2447.6, 12101.6, 0)};  // nothing valid
  Load(plan);
  std::string path;
  ASSERT_TRUE(ExportKml(library, output.Folder(), path));
  EXPECT_EQ(path, output.Folder() + "REC_0001_2018_07_03_13-34-56.KML");
  EXPECT_EQ(ReadAll(path), Header("REC_0001.MOV", "\"A//REC_0001.MOV\" 2018/07/03 13:34:56") + kFooter);

  // A recording without a GPS block gives the same complete, empty track.
  RecordingPlan none;
  none.name = "FILE0009.AVI";
  none.startTime = July3rd();
  Load(none);
  ASSERT_TRUE(ExportKml(library, output.Folder(), path));
  EXPECT_EQ(ReadAll(path), Header("FILE0009.AVI", "\"/FILE0009.AVI\" 2018/07/03 12:34:56") + kFooter);
}

TEST_F(KmlTest, NamesAreEscapedAndMadeValidUtf8) {
  EXPECT_EQ(EscapeXmlText("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
  EXPECT_EQ(EscapeXmlText("caf\xC3\xA9 \xE6\x97\xA5"), "caf\xC3\xA9 \xE6\x97\xA5");  // UTF-8 stays
  EXPECT_EQ(EscapeXmlText("a\xFF"
                          "b\xC3"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(EscapeXmlText("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
  EXPECT_EQ(EscapeXmlText("x\x01y\tz"), "x\xEF\xBF\xBDy\tz");
  EXPECT_EQ(EscapeXmlText("\"a&b'", true), "\"a&amp;b'");

  RecordingPlan plan;
  plan.name = "R&D <1>'\"\xFF.AVI";
  plan.subfolder = "Tom & Jerry/";
  plan.startTime = July3rd();
  plan.gps = {Fix(2447.5, 12101.5, GpsStatusValid, 35)};
  Load(plan);
  std::string path;
  ASSERT_TRUE(ExportKml(library, output.Folder(), path));
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("    <name>R&amp;D &lt;1&gt;&apos;&quot;\xEF\xBF\xBD.AVI</name>\n"), std::string::npos);
  // Quotes need no escape in element content: the route keeps them as they are.
  EXPECT_NE(text.find("GPS Path of Car DV \"Tom &amp; Jerry//R&amp;D &lt;1&gt;'\"\xEF\xBF\xBD.AVI\" "
                      "2018/07/03 12:34:56</description>\n"),
            std::string::npos);
  // The file name itself keeps the recording's bytes.
  EXPECT_EQ(path, output.Folder() + "R&D <1>'\"\xFF_2018_07_03_12-34-56.KML");
}

TEST_F(KmlTest, WritersReportEveryFailure) {
  // A stream that never opened.
  std::ofstream closed;
  EXPECT_FALSE(WriteKmlHeader(closed, "a", "", "b"));
  EXPECT_FALSE(WriteKmlCoordinate(closed, 1.0, 2.0, 3));
  EXPECT_FALSE(WriteKmlFooter(closed));

  // A stream that fails part-way: the failing call and every later one say so.
  FailingBuffer buffer(1000);
  std::ostream failing(&buffer);
  EXPECT_TRUE(WriteKmlHeader(failing, "a", "", "b"));
  int written = 0;
  while (WriteKmlCoordinate(failing, 24.0, 121.0, 5)) ++written;
  EXPECT_LT(written, 40);
  EXPECT_FALSE(WriteKmlFooter(failing));

  // A full device: buffered writes may pass, the flush or the close must not.
  std::ofstream full("/dev/full", std::ios::binary);
  ASSERT_TRUE(full.is_open());
  bool ok = WriteKmlHeader(full, "a", "", "b");
  for (int i = 0; ok && i < 10000; ++i) ok = WriteKmlCoordinate(full, 24.0, 121.0, 5);
  ok = ok && WriteKmlFooter(full);
  full.close();
  EXPECT_FALSE(ok && !full.fail());
}

TEST_F(KmlTest, ExportReportsAWriteErrorAfterCreationAndRemovesThePart) {
  RecordingPlan plan;
  plan.startTime = July3rd();
  for (int i = 0; i < 2000; ++i) plan.gps.push_back(DriveFix(i));
  Load(plan);

  // The process may write at most 4 KiB into any file: the track needs ~60 KiB.
  std::string path;
  const bool saved_ok = WithFileSizeLimit(4096, [&] { return ExportKml(library, output.Folder(), path); });

  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(path, output.Folder() + "FILE0001_2018_07_03_12-34-56.KML");
  EXPECT_FALSE(std::filesystem::exists(path));
  const KmlCommandResult again = RunKmlCommand(library, output.Folder());
  EXPECT_EQ(again.outcome, KmlOutcome::Saved);  // with room again it works
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(KmlTest, CommandOutcomes) {
  // No recordings: message 136 / 145, no file.
  KmlCommandResult result = RunKmlCommand(library, output.Folder());
  EXPECT_EQ(result.outcome, KmlOutcome::NoRecordings);
  EXPECT_EQ(result.textId, 136);
  EXPECT_EQ(result.captionId, 145);

  RecordingPlan plan;
  plan.startTime = July3rd();
  plan.gps = {DriveFix(1)};
  RecordingPlan second = plan;
  second.name = "FILE0002.AVI";
  FillLibrary(library, {WriteRecording(input.Folder(), plan), WriteRecording(input.Folder(), second)}, true);

  // Recordings listed but none current yet: nothing is written, the failure names the folder.
  ASSERT_EQ(library.CurrentRecording(), -1);
  result = RunKmlCommand(library, output.Folder());
  EXPECT_EQ(result.outcome, KmlOutcome::NoCurrentRecording);
  EXPECT_EQ(result.textId, 126);
  EXPECT_EQ(result.captionId, 127);
  EXPECT_EQ(result.path, output.Folder());
  EXPECT_TRUE(std::filesystem::is_empty(output.Folder()));

  // A current index past the end is taken as the last recording.
  ASSERT_NE(library.LoadTrack(0), nullptr);
  library.SetCurrentRecording(7);
  result = RunKmlCommand(library, output.Folder());
  EXPECT_EQ(result.outcome, KmlOutcome::Saved);
  EXPECT_EQ(result.textId, 125);
  EXPECT_EQ(library.CurrentRecording(), 1);
  EXPECT_EQ(result.path, output.Folder() + "FILE0002_2018_07_03_12-34-56.KML");

  // The folder is missing: failure with the composed path.
  result = RunKmlCommand(library, output.Folder() + "missing/");
  EXPECT_EQ(result.outcome, KmlOutcome::Failed);
  EXPECT_EQ(result.textId, 126);
  EXPECT_EQ(result.path, output.Folder() + "missing/FILE0002_2018_07_03_12-34-56.KML");
}

TEST_F(KmlTest, GpsbabelReadsTheSamePoints) {
  RecordingPlan plan;
  plan.name = "A&B <trip>.AVI";  // the escaped names must not upset the reader
  plan.startTime = July3rd();
  for (int i = 0; i < 500; ++i) plan.gps.push_back(DriveFix(i));
  plan.gps[3].status = 0;
  plan.gps[4] = Fix(0.0, 0.0);
  Load(plan);
  std::string path;
  ASSERT_TRUE(ExportKml(library, output.Folder(), path));

  const std::string csv = output.Folder() + "points.csv";
  const std::string command = "gpsbabel -t -i kml -f '" + path + "' -o unicsv -F '" + csv + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::ifstream in(csv);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line.rfind("No,Latitude,Longitude", 0), 0u) << line;
  std::vector<GpsSample> usable;
  for (const GpsSample& sample : library.GpsSamples())
    if (IsUsableGpsSample(sample)) usable.push_back(sample);
  ASSERT_EQ(usable.size(), 498u);
  std::size_t count = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    ASSERT_LT(count, usable.size());
    int number = 0;
    double latitude = 0.0, longitude = 0.0, altitude = 0.0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%lf,%lf", &number, &latitude, &longitude, &altitude), 4) << line;
    EXPECT_EQ(FormatFixed6(latitude), FormatFixed6(Degrees(usable[count].latitude))) << line;
    EXPECT_EQ(FormatFixed6(longitude), FormatFixed6(Degrees(usable[count].longitude))) << line;
    EXPECT_EQ(altitude, usable[count].altitude) << line;
    ++count;
  }
  EXPECT_EQ(count, usable.size());
}
