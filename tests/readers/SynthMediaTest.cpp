// What the synthesizer writes is video that ffprobe and ffmpeg accept, and
// its cards are laid out as a camera's SD card.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <memory>

#include "container/RecordingFile.h"
#include "Synth.h"
#include "TempFolder.h"
#include "TestBytes.h"

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

std::map<std::string, std::string> Probe(const std::string& path) {
  const std::string text = Shell(
      "ffprobe -v error -select_streams v:0 -show_entries "
      "stream=codec_type,width,height:format=duration -of default=nw=1 '" +
      path + "' 2>&1");
  std::map<std::string, std::string> fields;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    start = end + 1;
  }
  return fields;
}

}  // namespace

TEST(SynthMedia, FfprobeSeesVideoOfTheRequestedSizeAndLength) {
  TempFolder tmp;
  struct Case {
    const char* name;
    const char* layout;
    uint16_t w, h;
    uint32_t ms;
  } cases[] = {
      {"A.AVI", "", 320, 240, 3000},
      {"B.MOV", "", 320, 240, 3000},
      {"C.AVI", "hdrl,gpsa,gsea,gps0:70,junk:2,gsen,movi,idx1", 352, 288, 2000},
      {"D.MOV", "ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat64", 352, 288, 2000},
      {"E.MOV", "ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat0", 320, 240, 3000},
  };
  for (const Case& c : cases) {
    SynthOptions o;
    o.width = c.w;
    o.height = c.h;
    o.durationMs = c.ms;
    o.layout = c.layout;
    const std::string path = tmp / c.name;
    WriteSynthRecording(path, o);
    auto f = Probe(path);
    EXPECT_EQ(f["codec_type"], "video") << c.name;
    EXPECT_EQ(f["width"], std::to_string(c.w)) << c.name;
    EXPECT_EQ(f["height"], std::to_string(c.h)) << c.name;
    EXPECT_NEAR(std::atof(f["duration"].c_str()), c.ms / 1000.0, 0.1) << c.name;
    // Every frame decodes without a complaint.
    EXPECT_EQ(Shell("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1"), "") << c.name;
  }
}

TEST(SynthMedia, CardIsLaidOutLikeACamerasCard) {
  TempFolder tmp;
  SynthCardOptions options;
  options.cheapVideo = true;
  const auto files = WriteSynthCard(tmp.Path(), options);
  int recordings = 0, events = 0, locked = 0, hidden = 0, others = 0;
  std::vector<SynthCardFile> scanned;
  std::set<std::string> folders;
  for (const SynthCardFile& f : files) {
    const std::string path = tmp / f.relativePath;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0) << f.relativePath;
    EXPECT_EQ((st.st_mode & 0222) == 0, f.readOnly) << f.relativePath;
    const std::string name = std::filesystem::path(f.relativePath).filename();
    if (f.event) {
      ++events;
      EXPECT_EQ(name.rfind("EVGS", 0), 0u);
    }
    locked += f.locked;
    if (f.locked) {
      EXPECT_NE(name.rfind("EVGS", 0), 0u);
    }
    if (f.hidden) {
      ++hidden;
      EXPECT_EQ(f.relativePath.rfind(".hidden/", 0), 0u);
    }
    if (!f.recording) {
      ++others;
      continue;
    }
    ++recordings;
    folders.insert(std::filesystem::path(f.relativePath).parent_path());
    RecordingSummary s;
    RecordingFile reader(&s);
    const bool mov = name.ends_with(".MOV");
    ASSERT_EQ(mov ? reader.ParseMov(path) : reader.ParseAvi(path), 0) << f.relativePath;
    EXPECT_EQ(s.startTime, f.startTime) << f.relativePath;
    EXPECT_EQ(s.durationMs, f.durationMs) << f.relativePath;
    scanned.push_back(f);
  }
  EXPECT_GE(recordings, 12);
  EXPECT_GE(events, 2);
  EXPECT_GE(locked, 1);
  EXPECT_EQ(hidden, 1);
  EXPECT_GE(others, 3);           // text files, the hidden recording
  EXPECT_GE(folders.size(), 3u);  // the card's root and at least two subfolders
  std::sort(scanned.begin(), scanned.end(), [](auto& a, auto& b) { return a.startTime < b.startTime; });
  int drives = 1;
  for (std::size_t i = 1; i < scanned.size(); ++i) {
    const int64_t prevEnd = scanned[i - 1].startTime + scanned[i - 1].durationMs / 1000;
    const bool follows = scanned[i].startTime >= prevEnd - 2 && scanned[i].startTime <= prevEnd + 2;
    EXPECT_EQ(follows, scanned[i].drive == scanned[i - 1].drive) << scanned[i].relativePath;
    drives += !follows;
  }
  EXPECT_GE(drives, 3);
}
