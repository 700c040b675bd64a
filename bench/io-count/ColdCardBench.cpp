// bench-cold-card [CARD] [RECORDINGS]
//
// Lists a card the way `trk-probe --library` does, with libtrk-io-count.so
// preloaded, and prints per recording the opens, reads and bytes read from
// the card, and the time a cold USB card would take: the run's own time plus
// 1 ms per open or read and 25 MB/s. The card (default
// $TMPDIR/trk-bench-cold-card, 2,000 recordings) is written by
// `trk-synth card CARD --recordings N --cheap` when it is not there yet.
// Four runs: without the scan index, the same on a FAT card (the FAT
// attribute ioctl answered by the preloaded library), with an empty index
// (the first time) and with the index it left (the card opened again).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kLatencyUs = 1000.0;
constexpr double kMegabytesPerSecond = 25.0;

int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env(extraEnv);
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t CountRecordings(const std::string& card) {
  std::size_t n = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(card)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".AVI" || ext == ".MOV")) ++n;
  }
  return n;
}

struct Counts {
  unsigned long long opens = 0, reads = 0, bytes = 0, delayUs = 0;
  double wallSeconds = 0.0;
};

bool Run(const std::string& card, const std::string& cache, bool index, Counts& counts, bool fat = false) {
  const std::string report = cache + "/io-report";
  // The listing alone: the event counts read every G-sensor block again.
  std::vector<std::string> argv{TRK_PROBE_PATH, "--library", "--no-events", card};
  if (!index) argv.emplace_back("--no-index");
  const auto started = std::chrono::steady_clock::now();
  const int rc = Spawn(
      argv, {"LD_PRELOAD=" TRK_IO_COUNT_LIB, "TRK_IO_ROOT=" + card, "TRK_IO_REPORT=" + report,
             "TRK_IO_LATENCY_US=" + std::to_string(kLatencyUs), "TRK_IO_MBPS=" + std::to_string(kMegabytesPerSecond),
             "XDG_CACHE_HOME=" + cache, fat ? "TRK_IO_FAT=1" : "TRK_IO_FAT=0"});
  counts.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::ifstream in(report);
  std::string word;
  in >> word >> counts.opens >> word >> counts.reads >> word >> counts.bytes >> word >> counts.delayUs;
  return rc == 0 && in;
}

void Print(const char* what, const Counts& c, std::size_t recordings) {
  const double n = static_cast<double>(recordings);
  std::printf("%-28s %6.2f opens  %6.2f reads  %8.1f KB read per recording;  cold card %6.2f s (run %.2f s)\n", what,
              static_cast<double>(c.opens) / n, static_cast<double>(c.reads) / n,
              static_cast<double>(c.bytes) / n / 1000.0, c.wallSeconds + static_cast<double>(c.delayUs) / 1e6,
              c.wallSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp ? tmp : "/tmp";
  const std::string card = std::filesystem::absolute(argc > 1 ? argv[1] : base + "/trk-bench-cold-card").string();
  const std::string recordings = argc > 2 ? argv[2] : "2000";
  if (!std::filesystem::exists(card + "/.complete-" + recordings)) {
    std::filesystem::remove_all(card);
    std::printf("writing %s recordings to %s ...\n", recordings.c_str(), card.c_str());
    std::fflush(stdout);
    if (Spawn({TRK_SYNTH_PATH, "card", card, "--recordings", recordings, "--cheap"}, {}) != 0) {
      std::fprintf(stderr, "trk-synth failed\n");
      return 1;
    }
    std::ofstream(card + "/.complete-" + recordings) << "complete\n";
  }
  const std::size_t found = CountRecordings(card);
  if (found == 0) {
    std::fprintf(stderr, "no recordings on %s\n", card.c_str());
    return 1;
  }
  const std::string cache = base + "/trk-bench-cold-card-cache";
  std::filesystem::remove_all(cache);
  std::filesystem::create_directories(cache);

  std::printf("card %s: %zu recordings; cold card = %.0f ms per open or read, %.0f MB/s\n", card.c_str(), found,
              kLatencyUs / 1000.0, kMegabytesPerSecond);
  Counts noIndex, fat, first, again;
  if (!Run(card, cache, false, noIndex) || !Run(card, cache, false, fat, true) || !Run(card, cache, true, first) ||
      !Run(card, cache, true, again)) {
    std::fprintf(stderr, "trk-probe --library failed, or the preloaded library wrote no report\n");
    return 1;
  }
  Print("--no-index:", noIndex, found);
  Print("--no-index, FAT card:", fat, found);
  Print("index, first time:", first, found);
  Print("index, opened again:", again, found);
  return 0;
}
