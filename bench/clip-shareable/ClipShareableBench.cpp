// Encodes a 60 s span that crosses a recording boundary into the shareable
// MP4 and prints how many times faster than real time it went, by the wall
// clock and by this process's CPU time (the figure a busy machine disturbs
// least). Real time needs a speed of at least 1.0 by the wall clock.
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "clip/video/ShareableClip.h"
#include "Synth.h"
#include "TempFolder.h"

namespace {

constexpr int kSpanSeconds = 60;
constexpr int kRecordingSeconds = 35;
constexpr int kFps = 30;

double CpuSeconds() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<double>(used.tv_sec) + used.tv_nsec / 1e9;
}

void Measure(uint16_t width, uint16_t height) {
  TempFolder folder;
  std::vector<std::string> recordings;
  for (int part = 0; part < 2; ++part) {
    SynthOptions options;
    options.durationMs = kRecordingSeconds * 1000;
    options.width = width;
    options.height = height;
    options.fps = kFps;
    options.second = kRecordingSeconds * part;
    options.driveSeconds = kRecordingSeconds * part;
    recordings.push_back(WriteSynthRecording(folder / ("REC" + std::to_string(part) + ".AVI"), options).path);
  }
  const double lead = 2 * kRecordingSeconds - kSpanSeconds;  // the span starts this far into the first
  const std::vector<ClipPiece> pieces = {{recordings[0], lead, kRecordingSeconds},
                                         {recordings[1], 0.0, kSpanSeconds - (kRecordingSeconds - lead)}};
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const ClipResult result = WriteShareableClip(pieces, folder / "clip.mp4", 0, nullptr);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuBefore;
  if (!result.Ok()) {
    std::fprintf(stderr, "bench-clip-shareable: %s\n", result.detail.c_str());
    std::exit(1);
  }
  std::printf("%ux%u %d s span at %d fps: %.1f s wall (%.2fx real time), %.1f s CPU (%.2fx real time per core)\n",
              width, height, kSpanSeconds, kFps, wall, kSpanSeconds / wall, cpu, kSpanSeconds / cpu);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const std::string only = argc > 1 ? argv[1] : "";
  if (only.empty() || only == "720") Measure(1280, 720);
  if (only.empty() || only == "1080") Measure(1920, 1080);
  return 0;
}
