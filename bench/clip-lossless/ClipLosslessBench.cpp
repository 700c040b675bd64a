// bench-clip-lossless [FOLDER]
//  Writes a 70 s 1920x1080 recording of each container (MPEG-4 AVI, H.264
//  QuickTime, as trk-synth makes them) into FOLDER, kept there for the next
//  run, or into a temporary folder removed afterwards; then clips the span
//  5-65 s of each a few times, warm, and prints how many times real time the
//  best run took (the target is 50).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "clip/LosslessClip.h"
#include "Synth.h"

namespace {

constexpr double kSpanSeconds = 60.0;
constexpr int kRuns = 3;

using Clock = std::chrono::steady_clock;

std::string Recording(const std::string& folder, const char* name) {
  const std::string path = folder + "/" + name;
  if (std::filesystem::exists(path)) return path;
  SynthOptions o;
  o.durationMs = 70000;
  o.width = 1920;
  o.height = 1080;
  o.fps = 30;
  std::fprintf(stderr, "writing %s ...\n", path.c_str());
  WriteSynthRecording(path, o);
  return path;
}

int Bench(const std::string& folder, const char* name) {
  const std::string source = Recording(folder, name);
  const std::string clip = folder + "/clip-" + name;
  double best = 1e9;
  ClipResult r;
  for (int run = 0; run <= kRuns; ++run) {  // run 0 warms the cache
    std::filesystem::remove(clip);
    const auto start = Clock::now();
    r = WriteLosslessClip({{source, 5.0, 5.0 + kSpanSeconds}}, clip, {});
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!r.Ok()) {
      std::fprintf(stderr, "%s: %s\n", name, r.detail.c_str());
      return 1;
    }
    if (run > 0) best = std::min(best, seconds);
  }
  const double held = r.spanEnd - r.spanStart;
  std::printf("%s 1920x1080: %.1f s span (%.1f MB) in %.3f s, %.0f times real time (target 50)\n", name, held,
              static_cast<double>(std::filesystem::file_size(clip)) / 1e6, best, held / best);
  std::filesystem::remove(clip);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  bool temporary = argc < 2;
  if (temporary) {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-clip-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 1;
    folder = pattern;
  } else {
    folder = argv[1];
    std::filesystem::create_directories(folder);
  }
  const int failed = Bench(folder, "FILE0001.AVI") + Bench(folder, "FILE0002.MOV");
  if (temporary) std::filesystem::remove_all(folder);
  return failed;
}
