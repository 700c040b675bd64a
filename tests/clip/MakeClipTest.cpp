// The files beside a clip: checksums sha256sum accepts, the sources' true
// checksums, the records of exactly the span; and a cancelled or refused
// clip leaves the folders as they were.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "clip/ClipMaker.h"
#include "clip/MakeClip.h"
#include "clip/Sha256.h"
#include "Synth.h"
#include "TempFolder.h"

namespace {

std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int code = pipe ? ::pclose(pipe) : -1;
  if (status) *status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
  return out;
}

std::set<std::string> Tree(const std::string& dir) {
  std::set<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) paths.insert(entry.path());
  return paths;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Stands in for the lossless writer: one file, a progress report half-way.
ClipResult FakeLossless(const std::vector<ClipPiece>& pieces, const std::string& destination,
                        const ClipProgress& progress) {
  ClipResult result;
  std::ofstream(destination) << pieces.size();
  if (!progress(0.5, "lossless")) {
    std::filesystem::remove(destination);
    result.failure = ClipFailure::Cancelled;
  }
  result.spanStart = pieces.front().from - 0.5;  // a key picture before the start
  return result;
}

class clip_Data : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    for (int i = 0; i < 2; ++i) {
      SynthOptions options;
      options.width = 160;
      options.height = 120;
      options.second = 10 * i;
      options.noFixRecords = 0;
      options.driveSeconds = 10.0 * i;
      recordings.push_back(WriteSynthRecording(dir.Folder("card") + "/REC" + std::to_string(i) + ".AVI", options));
    }
    request.pieces = {{recordings[0].path, 6.0, 10.0}, {recordings[1].path, 0.0, 3.0}};
    request.cardRoot = dir / "card";
    request.outputFolder = dir / "out/clips";
  }
  TempFolder dir;
  std::vector<SynthReport> recordings;
  ClipRequest request;
};

}  // namespace

TEST(clip_Sha256, MatchesSha256sumAtBlockEdges) {
  TempFolder dir;
  for (const std::size_t size : {0, 55, 56, 63, 64, 65, 3 * 1024 * 1024 + 7}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + i / 7);
    const std::string path = dir.File("f" + std::to_string(size), bytes);
    std::string hex;
    int error = 0;
    ASSERT_TRUE(Sha256OfFile(path, hex, error));
    EXPECT_EQ(hex + "  " + path + "\n", Shell("sha256sum '" + path + "'")) << size;
  }
}

TEST_F(clip_Data, ChecksumsSourcesAndTheSpanOnly) {
  const ClipResult made = MakeClipWith(request, [](double, const std::string&) { return true; }, &FakeLossless, {});
  ASSERT_TRUE(made.Ok()) << made.detail;
  const std::string folder = request.outputFolder + "/CLIP_20240412_083006/";
  ASSERT_EQ(7u, made.files.size());
  EXPECT_EQ(folder + "SHA256SUMS", made.files.back());
  int status = -1;
  Shell("cd '" + folder + "' && sha256sum --quiet -c SHA256SUMS", &status);
  EXPECT_EQ(0, status);
  const std::string sources = ReadText(folder + "SOURCES.TXT");
  for (const SynthReport& recording : recordings)
    EXPECT_NE(std::string::npos, sources.find(Shell("sha256sum < '" + recording.path + "'").substr(0, 64)));
  EXPECT_NE(std::string::npos, sources.find("Span (UTC): 2024-04-12 08:30:06.000Z - 2024-04-12 08:30:13.000Z"));
  // 4 + 3 seconds at one GPS and ten G-sensor records a second.
  const std::string gps = ReadText(folder + "CLIP_20240412_083006_GPS.CSV");
  EXPECT_EQ(8u, Count(gps, "\n"));
  EXPECT_NE(std::string::npos, gps.find("2024-04-12T08:30:06Z,0.000,"));
  EXPECT_NE(std::string::npos, gps.find("2024-04-12T08:30:12Z,6.000,"));
  EXPECT_EQ(71u, Count(ReadText(folder + "CLIP_20240412_083006_GSENSOR.CSV"), "\n"));
  EXPECT_EQ(7u, Count(ReadText(folder + "CLIP_20240412_083006.GPX"), "<trkpt "));
  const std::string srt = ReadText(folder + "CLIP_20240412_083006.SRT");
  EXPECT_EQ(7u, Count(srt, " --> "));
  EXPECT_NE(std::string::npos, srt.find("1\n00:00:00,500 --> 00:00:01,500\n2024-04-12 08:30:06  "));
  EXPECT_NE(std::string::npos, srt.find("7\n00:00:06,500 --> 00:00:07,500\n2024-04-12 08:30:12  "));
  // The same span again gets a folder of its own; its subtitles in miles per hour.
  request.speedUnit = 1;
  EXPECT_TRUE(MakeClipWith(request, {}, &FakeLossless, {}).Ok());
  EXPECT_NE(std::string::npos,
            ReadText(request.outputFolder + "/CLIP_20240412_083006 (2)/CLIP_20240412_083006.SRT").find("25 mph\n"));
  EXPECT_TRUE(std::filesystem::exists(request.outputFolder + "/CLIP_20240412_083006 (2)/SHA256SUMS"));
  // A given name with what sha256sum escapes.
  request.baseName = "a\\b\nc";
  ASSERT_TRUE(MakeClipWith(request, {}, &FakeLossless, {}).Ok());
  Shell("cd '" + request.outputFolder + "/" + request.baseName + "' && sha256sum --quiet -c SHA256SUMS", &status);
  EXPECT_EQ(0, status);
}

TEST_F(clip_Data, RefusedOrCancelledLeavesTheFoldersAsTheyWere) {
  std::filesystem::create_symlink(dir / "card", dir / "link");
  struct Case {
    std::string output;
    uint8_t kinds;
    double cancelAt;  // a share of the whole
    ClipFailure failure;
    bool nobody = false;  // root writes anywhere
  } cases[] = {
      {dir / "out/clips", 1, 0.2, ClipFailure::Cancelled},  // in the lossless writer
      {dir / "out/clips", 1, 0.6, ClipFailure::Cancelled},  // in the sources' checksums
      {dir / "card/clips", 1, 2.0, ClipFailure::DestinationOnCard},
      {dir / "link/new/clips", 1, 2.0, ClipFailure::DestinationOnCard},
      {dir / "out/clips", 3, 2.0, ClipFailure::EncoderMissing},
      {dir.File("out/file"), 1, 2.0, ClipFailure::DestinationUnwritable},
      {dir / "out/file/clips", 1, 2.0, ClipFailure::DestinationUnwritable},
      {dir.Folder("ro", 0555) + "/clips", 1, 2.0, ClipFailure::DestinationUnwritable, true},
  };
  for (const Case& c : cases) {
    const std::set<std::string> before = Tree(dir.Path());
    request.outputFolder = c.output;
    request.kinds = c.kinds;
    const bool drop = c.nobody && ::geteuid() == 0;
    if (drop) {
      ASSERT_EQ(0, ::seteuid(65534));
    }
    const ClipResult made = MakeClip(request, [&](double done, const std::string&) { return done < c.cancelAt; });
    if (drop) {
      ASSERT_EQ(0, ::seteuid(0));
    }
    EXPECT_EQ(c.failure, made.failure) << c.output;
    EXPECT_NE(std::string::npos, made.detail.find(c.nobody ? "Permission denied" : "")) << made.detail;
    EXPECT_TRUE(made.files.empty());
    EXPECT_EQ(before, Tree(dir.Path())) << c.output;
  }
}

TEST_F(clip_Data, ProbeClipJsonAndExitStatus) {
  const std::string file = recordings[0].path, card = dir / "card", out = dir / "out";
  struct Case {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"'" + file + "' --from 2 --to 5.5 '" + out + "'", 0, "\"span\":{\"from\":2,\"to\":5.5,"},
      {"'" + card + "' --from '2024-04-12 08:30:06' --to '2024-04-12 08:30:13' '" + out + "'", 0,
       "CLIP_20240412_083006/SHA256SUMS\"],\"notes\":[],\"saved\":true}"},
      {"'" + file + "' --from 2s --to 5 '" + out + "'", 1, "a number of seconds"},
      {"'" + file + "' --from 5 --to 2 '" + out + "'", 1, "no picture between 5 and 2"},
      {"'" + card + "' --from '2024-04-31 08:30:06' --to '2024-04-12 08:30:13' '" + out + "'", 1,
       "\\\"YYYY-MM-DD hh:mm:ss\\\" of the camera clock"},
      {"'" + card + "' --from '2024-04-12 09:30:06' --to '2024-04-12 09:30:13' '" + out + "'", 1,
       "no trip holds 2024-04-12 09:30:06"},
      {"'" + card + "' --from '2024-04-12 08:30:06' --to '2024-04-12 08:30:13' '" + card + "/clips'", 1,
       "lies on the card"},
      {"'" + file + "' --from 2 '" + out + "'", 2, ""},
#ifdef TRK_TEST_SHAREABLE
      {"'" + file + "' --from 1 --to 3 --overlay '" + out + "'", 0, "_SHAREABLE.MP4\",\""},
#else
      {"'" + file + "' --from 1 --to 3 --overlay '" + out + "'", 1, "\"error\":\"built without the shareable clip\""},
#endif
  };
  for (const Case& c : cases) {
    int status = -1;
    const std::string json = Shell(std::string(TRK_BIN_DIR) + "/trk-probe --clip " + c.args + " 2>/dev/null", &status);
    EXPECT_EQ(c.status, status) << c.args;
    EXPECT_NE(std::string::npos, json.find(c.says)) << json;
  }
  EXPECT_FALSE(std::filesystem::exists(card + "/clips"));
  EXPECT_TRUE(std::filesystem::exists(out + "/CLIP_20240412_083002/CLIP_20240412_083002.SRT"));
}
