// bench_library [CARD_FOLDER] [RECORDINGS] [FOLDERS]
//
// Writes a card of RECORDINGS recordings (default 2000) spread over FOLDERS
// folders (default 50) when it is not there yet, then times OpenRecordings on
// it with a warm cache, and `find CARD -type f` on the same tree in the same
// run. Prints recordings per second for both.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/RecordingLibrary.h"
#include "Synth.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of this process: less disturbed than wall time when the machine is busy.
double CpuSeconds() {
  struct timespec ts {};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void WriteCard(const std::string& card, int recordings, int folders) {
  const std::string marker = card + "/.bench-v2-" + std::to_string(recordings) + "-" + std::to_string(folders);
  if (std::filesystem::exists(marker)) return;
  std::filesystem::remove_all(card);
  std::filesystem::create_directories(card);
  std::printf("writing %d recordings in %d folders to %s ...\n", recordings, folders, card.c_str());
  std::fflush(stdout);
  const auto started = Clock::now();
  std::tm base{};
  base.tm_year = 2024 - 1900;
  base.tm_mon = 3;
  base.tm_mday = 12;
  base.tm_hour = 8;
  base.tm_isdst = -1;
  const std::time_t t0 = std::mktime(&base);
  for (int i = 0; i < recordings; ++i) {
    const int folder = i % folders;
    // Drives of 40 recordings that follow each other, an hour apart.
    const std::time_t t = t0 + static_cast<std::time_t>(i / 40) * 3600 + (i % 40);
    std::tm local{};
    localtime_r(&t, &local);
    SynthOptions o;
    o.year = local.tm_year + 1900;
    o.month = local.tm_mon + 1;
    o.day = local.tm_mday;
    o.hour = local.tm_hour;
    o.minute = local.tm_min;
    o.second = local.tm_sec;
    o.durationMs = 1000;
    o.videoMs = 1000;  // one short clip, encoded once and shared by every recording
    o.routeSeed = static_cast<uint32_t>(i);
    char name[64];
    const bool mov = i % 2 == 1;
    std::snprintf(name, sizeof name, "%s%05d.%s", i % 25 == 0 ? "EVGS" : "FILE", i, mov ? "MOV" : "AVI");
    const std::string dir = card + "/DCIM/" + std::to_string(100 + folder) + "MEDIA";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + name;
    WriteSynthRecording(path, o);
    if (i % 25 == 0 || i % 40 == 7) ::chmod(path.c_str(), 0444);
  }
  std::ofstream(marker) << "complete\n";
  std::printf("written in %.1f s\n", Seconds(Clock::now() - started));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string card = argc > 1 ? argv[1] : "/tmp/trk-bench-library-card";
  const int recordings = argc > 2 ? std::atoi(argv[2]) : 2000;
  const int folders = argc > 3 ? std::atoi(argv[3]) : 50;
  if (recordings <= 0 || folders <= 0) {
    std::fprintf(stderr, "usage: bench_library [CARD_FOLDER] [RECORDINGS] [FOLDERS]\n");
    return 2;
  }
  try {
    WriteCard(card, recordings, folders);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cannot write the card: %s\n", e.what());
    return 1;
  }

  constexpr int kRuns = 15;
  RecordingLibrary library;
  library.OpenRecordings(card);  // warms the cache
  const std::size_t found = library.Recordings().size();
  std::vector<double> scanTimes;
  std::vector<double> scanCpu;
  for (int run = 0; run < kRuns; ++run) {
    const double cpu = CpuSeconds();
    const auto started = Clock::now();
    library.OpenRecordings(card);
    scanTimes.push_back(Seconds(Clock::now() - started));
    scanCpu.push_back(CpuSeconds() - cpu);
    if (library.Recordings().size() != found) {
      std::fprintf(stderr, "the scan found %zu recordings, then %zu\n", found, library.Recordings().size());
      return 1;
    }
  }

  const std::string find = "find '" + card + "' -type f > /dev/null";
  std::vector<double> findTimes;
  std::system(find.c_str());  // warm as well
  for (int run = 0; run < kRuns; ++run) {
    const auto started = Clock::now();
    if (std::system(find.c_str()) != 0) {
      std::fprintf(stderr, "find failed\n");
      return 1;
    }
    findTimes.push_back(Seconds(Clock::now() - started));
  }

  const double scan = Median(scanTimes);
  const double best = *std::min_element(scanTimes.begin(), scanTimes.end());
  const double findMedian = Median(findTimes);
  std::printf("card: %s, %zu recordings in %zu groups, %d files examined\n", card.c_str(), found,
              library.Groups().size(), library.ScanCount());
  std::printf("OpenRecordings (warm, median of %d): %.1f ms = %.0f recordings/s (best %.0f/s)\n", kRuns, scan * 1000,
              static_cast<double>(found) / scan, static_cast<double>(found) / best);
  std::printf("OpenRecordings CPU time (median): %.1f ms = %.0f recordings per CPU second\n", Median(scanCpu) * 1000,
              static_cast<double>(found) / Median(scanCpu));
  std::printf("find -type f    (warm, median of %d): %.1f ms = %.0f files/s (process start included)\n", kRuns,
              findMedian * 1000, static_cast<double>(library.ScanCount()) / findMedian);
  // Without the scan index (the library's default): every recording is read.
  std::printf("target: >= 40000 recordings/s: %s (per CPU second: %s)\n",
              static_cast<double>(found) / scan >= 40000 ? "met" : "NOT met",
              static_cast<double>(found) / Median(scanCpu) >= 40000 ? "met" : "NOT met");
  return 0;
}
