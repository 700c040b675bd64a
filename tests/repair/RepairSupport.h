#pragma once
// Cut recordings for the repair tests: a recording written whole and the
// same one cut where a test wants it, the frames that lay wholly before the
// cut (by ffprobe on the whole one), and what ffprobe decodes of a copy.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Synth.h"

inline std::string ShellOutput(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int rc = ::pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

inline std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// End offsets of the video packets of a whole recording, as ffprobe finds them.
inline std::vector<uint64_t> VideoPacketEnds(const std::string& path) {
  const std::string text = ShellOutput(
      "ffprobe -v error -select_streams v:0 -show_entries packet=pos,size "
      "-of compact=p=0 '" +
      path + "'");
  std::vector<uint64_t> ends;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    unsigned long long size = 0, pos = 0;
    const std::size_t s = line.find("size="), p = line.find("pos=");
    if (s == std::string::npos || p == std::string::npos) continue;
    size = std::stoull(line.substr(s + 5));
    pos = std::stoull(line.substr(p + 4));
    ends.push_back(pos + size);
  }
  return ends;
}

// Video frames ffmpeg decodes from a file (-1 when it cannot read it).
inline int DecodedFrames(const std::string& path) {
  int status = 0;
  const std::string text = ShellOutput(
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
      "stream=nb_read_frames -of csv=p=0 '" +
          path + "' 2>/dev/null",
      &status);
  if (status != 0 || text.empty()) return -1;
  return std::atoi(text.c_str());
}

// A small, quickly encoded recording of one camera.
inline SynthOptions SmallCamera(int minute, uint32_t durationMs, uint32_t fps, const std::string& layout = {},
                                double cutAt = 0) {
  SynthOptions o;
  o.minute = minute;
  o.durationMs = durationMs;
  o.width = 160;
  o.height = 120;
  o.fps = fps;
  o.layout = layout;
  o.cutAt = cutAt;
  return o;
}

struct CutFile {
  SynthReport whole;     // the recording before the cut
  SynthReport cut;       // the same, cut
  uint64_t cutAt = 0;    // its size now
  int framesBefore = 0;  // video frames that lay wholly before the cut
};

// Where to cut: a byte offset chosen from the whole recording and the end
// offsets of its video frames.
using CutPoint = std::function<uint64_t(const SynthReport& whole, const std::vector<uint64_t>& frameEnds)>;

// Writes `path` as `options` give it, cut by trk-synth's option at the point
// chosen (a twin is written whole beside it first, under a name no scan reads).
inline CutFile WriteCut(const std::string& path, SynthOptions options, const CutPoint& point) {
  CutFile f;
  const std::string twin = path + ".whole";
  SynthOptions whole = options;
  whole.container = path.ends_with(".AVI") ? SynthContainer::Avi : SynthContainer::Mov;
  f.whole = WriteSynthRecording(twin, whole);
  const std::vector<uint64_t> ends = VideoPacketEnds(twin);
  const uint64_t at = point(f.whole, ends);
  options.cutAt = (static_cast<double>(at) + 0.5) / static_cast<double>(f.whole.fileSize);
  f.cut = WriteSynthRecording(path, options);
  f.cutAt = f.cut.fileSize;
  for (uint64_t end : ends) f.framesBefore += end <= f.cutAt;
  std::filesystem::remove(twin);
  return f;
}
