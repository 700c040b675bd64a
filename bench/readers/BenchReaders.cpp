// bench-readers [--recordings N] [--scan-mib N] [--keep]
//  (a) probe throughput over a generated card of N recordings (default 2000):
//      the library's walks in this process, and trk-probe over the card;
//  (b) ScanMov over a QuickTime file of N MiB (default 1024) with a 64-bit
//      mdat, against `cat FILE > /dev/null` in the same run, warm cache.
// Everything is written below $TMPDIR (or /tmp) and removed afterwards.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fileio/ByteSource.h"
#include "container/MovCodeSearch.h"
#include "container/RecordingFile.h"
#include "Synth.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Runs argv with stdout to `out` (a path), waits; returns the exit status.
int Spawn(const std::vector<std::string>& argv, const char* out = "/dev/null") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string SelfDir() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
}

struct Best {
  std::vector<double> runs;
  double best() const { return *std::min_element(runs.begin(), runs.end()); }
  double median() const {
    auto r = runs;
    std::sort(r.begin(), r.end());
    return r[r.size() / 2];
  }
};

// What the library does for one file.
bool WalkLikeTheLibrary(const std::string& path) {
  RecordingSummary s;
  RecordingFile file(&s);
  if (path.ends_with(".AVI")) return file.ParseAvi(path) == 0;
  if (file.ParseMov(path) != 0) return false;
  if (s.startTime == 0) file.ScanMov(path);
  return true;
}

void ProbeThroughput(const std::string& root, int count) {
  const std::string card = root + "/card";
  auto t0 = Clock::now();
  SynthCardOptions options;
  options.recordings = count;
  options.cheapVideo = true;
  const auto files = WriteSynthCard(card, options);
  std::vector<std::string> paths;
  uint64_t bytes = 0;
  for (const auto& f : files) {
    if (!f.recording) continue;
    paths.push_back(card + "/" + f.relativePath);
    bytes += std::filesystem::file_size(paths.back());
  }
  std::printf("(a) card of %zu recordings, %.1f MiB, written in %.1f s\n", paths.size(), bytes / 1048576.0,
              Seconds(t0));

  Best inProcess;
  for (int run = 0; run < 4; ++run) {
    auto t = Clock::now();
    std::size_t ok = 0;
    for (const auto& p : paths) ok += WalkLikeTheLibrary(p);
    const double s = Seconds(t);
    if (run > 0) inProcess.runs.push_back(s);  // the first run warms the cache
    if (ok != paths.size()) std::printf("    warning: %zu of %zu recordings failed\n", paths.size() - ok, paths.size());
  }
  std::printf("    walks in process:  %8.0f files/s (best of 3, %.3f s; median %.3f s)\n",
              paths.size() / inProcess.best(), inProcess.best(), inProcess.median());

  std::vector<std::string> argv = {SelfDir() + "/trk-probe"};
  argv.insert(argv.end(), paths.begin(), paths.end());
  Best probe;
  for (int run = 0; run < 3; ++run) {
    auto t = Clock::now();
    const int rc = Spawn(argv);
    probe.runs.push_back(Seconds(t));
    if (rc != 0) std::printf("    warning: trk-probe exited with %d\n", rc);
  }
  std::printf("    trk-probe FILE...: %8.0f files/s (best of 3, %.3f s; median %.3f s)\n", paths.size() / probe.best(),
              probe.best(), probe.median());
}

void ScanAgainstCat(const std::string& root, uint64_t mib) {
  const std::string path = root + "/BIG.MOV";
  auto t0 = Clock::now();
  SynthOptions o;
  o.durationMs = 2000;
  o.width = 320;
  o.height = 240;
  o.layout = "ftyp,moov,mdat64,idit,gpsa,gsea,gps0,gsen";
  o.mdatFillerBytes = mib * 1048576;
  WriteSynthRecording(path, o);
  const uint64_t size = std::filesystem::file_size(path);
  std::printf("(b) %s: %.2f GiB, 64-bit mdat, written in %.1f s\n", path.c_str(), size / 1073741824.0, Seconds(t0));

  Spawn({"cat", path});  // warm the page cache
  Best cat, scan;
  RecordingSummary s;
  uint64_t readCalls = 0;
  for (int run = 0; run < 3; ++run) {
    auto t = Clock::now();
    Spawn({"cat", path});
    cat.runs.push_back(Seconds(t));
    t = Clock::now();
    FileByteSource source;
    RecordingFile file(&s);
    if (!source.Open(path) || file.ScanMov(source) != 0) std::printf("    warning: ScanMov failed\n");
    scan.runs.push_back(Seconds(t));
    readCalls = source.ReadCalls();
  }
  std::printf("    cat FILE > /dev/null: %.3f s (best of 3; median %.3f s), %.0f MiB/s\n", cat.best(), cat.median(),
              size / 1048576.0 / cat.best());
  std::printf("    ScanMov:              %.3f s (best of 3; median %.3f s), %.0f MiB/s, %llu reads\n", scan.best(),
              scan.median(), size / 1048576.0 / scan.best(), static_cast<unsigned long long>(readCalls));
  std::printf("    ScanMov / cat = %.2f (target <= 2); found gps0 at %llu, start time %lld\n", scan.best() / cat.best(),
              static_cast<unsigned long long>(s.gpsOffset), static_cast<long long>(s.startTime));
  // The same scan on processors without the wider vector instructions.
  for (const char* variant : {"ssse3", "portable"}) {
    if (!SelectMovCodeSearch(variant)) continue;
    Best other;
    for (int run = 0; run < 3; ++run) {
      auto t = Clock::now();
      FileByteSource source;
      RecordingFile file(&s);
      if (!source.Open(path) || file.ScanMov(source) != 0) std::printf("    warning: ScanMov failed\n");
      other.runs.push_back(Seconds(t));
    }
    std::printf("    ScanMov, %-8s search: %.3f s (best of 3), %.2f x cat\n", variant, other.best(),
                other.best() / cat.best());
  }
  SelectMovCodeSearch("best");
}

}  // namespace

int main(int argc, char** argv) {
  int recordings = 2000;
  uint64_t mib = 1024;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--recordings" && i + 1 < argc)
      recordings = std::atoi(argv[++i]);
    else if (a == "--scan-mib" && i + 1 < argc)
      mib = std::strtoull(argv[++i], nullptr, 10);
    else if (a == "--keep")
      keep = true;
    else {
      std::fprintf(stderr, "usage: bench-readers [--recordings N] [--scan-mib N] [--keep]\n");
      return 2;
    }
  }
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/trk-bench-readers-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) return 1;
  const std::string root = buf.data();
  int status = 0;
  try {
    if (recordings > 0) ProbeThroughput(root, recordings);
    if (mib > 0) ScanAgainstCat(root, mib);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench-readers: %s\n", e.what());
    status = 1;
  }
  if (!keep) {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  } else {
    std::printf("kept %s\n", root.c_str());
  }
  return status;
}
