// bench_viewer_open [CARD] [RECORDINGS]
//
// Starts the viewer on a card of RECORDINGS recordings (default 3,000, written
// by `trk-synth card CARD --recordings N --cheap` when it is not there yet;
// default CARD $TMPDIR/trk-bench-viewer-open) as its command line does, and
// prints the time from OPEN (the card given to the shown window) to the
// filled lists and to the first picture (the player reporting a time with
// its video output up), and how long the window took to show.
// Each run is a process of its own with a fresh configuration; the first
// reads the card into the page cache and writes the scan index, the runs
// after it are warm (target: both within 2 s).
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/CTRKApp.h"
#include "app/CTRKDlg.h"
#include "app/TrkControlIds.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "controls/CListCtrl.h"
#include "playback/CPlaybackController.h"
#include "playback/MediaEngine.h"

namespace {

constexpr int kRuns = 3;
constexpr int kPollMs = 5;
constexpr double kTimeoutSeconds = 60;
constexpr double kTargetSeconds = 2.0;

using Clock = std::chrono::steady_clock;

int ListRows(CTRKDlg& dlg, int id) { return dlg.ControlAs<CListCtrl>(id).GetItemCount(); }

// One viewer: writes "LISTS PICTURE" (seconds from the window's start, -1
// when not reached) to `report`.
int RunViewer(int argc, char** argv, const std::string& card, const std::string& report) {
  if (qEnvironmentVariableIsEmpty("TRK_LIBVLC_ARGS")) qputenv("TRK_LIBVLC_ARGS", "--aout=dummy");
  CTRKApp::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TRK"));
  QApplication::setQuitOnLastWindowClosed(false);
  double lists = -1, picture = -1, shown = -1, scanned = -1;
  {
    const auto started = Clock::now();
    ViewerSession session;
    CTRKDlg& dlg = session.Window();
    dlg.OnInitDialog();
    dlg.show();
    shown = std::chrono::duration<double>(Clock::now() - started).count();
    session.Opening().OpenPath(card);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      const double now = std::chrono::duration<double>(Clock::now() - started).count();
      if (scanned < 0 && !dlg.Library().Recordings().empty()) scanned = now;
      if (lists < 0 && ListRows(dlg, IDC_GROUP_LIST) > 0 && ListRows(dlg, IDC_FILE_LIST) > 0) lists = now;
      if (picture < 0 && dlg.Playback().Engine().HasVideoOutput() && dlg.Playback().TimeMs() > 0) picture = now;
      if ((lists >= 0 && picture >= 0) || now > kTimeoutSeconds) {
        poll.stop();
        dlg.close();
        app.quit();
      }
    });
    poll.start(kPollMs);
    app.exec();
  }
  std::ofstream(report) << lists << " " << picture << " " << shown << " " << scanned << "\n";
  return lists >= 0 && picture >= 0 ? 0 : 1;
}

int Spawn(std::vector<std::string> args) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--viewer") == 0) return RunViewer(argc, argv, argv[2], argv[3]);
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench_viewer_open: needs an X server (run it under xvfb-run)\n");
    return 2;
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp ? tmp : "/tmp";
  const std::string card = std::filesystem::absolute(argc > 1 ? argv[1] : base + "/trk-bench-viewer-open").string();
  const std::string recordings = argc > 2 ? argv[2] : "3000";
  const std::string marker = card + "/.complete-" + recordings;
  if (!std::filesystem::exists(marker)) {
    std::filesystem::remove_all(card);
    std::printf("writing %s recordings to %s ...\n", recordings.c_str(), card.c_str());
    std::fflush(stdout);
    if (Spawn({TRK_SYNTH_PATH, "card", card, "--recordings", recordings, "--cheap"}) != 0) {
      std::fprintf(stderr, "trk-synth failed\n");
      return 1;
    }
    std::ofstream(marker) << "complete\n";
  }
  // A configuration and cache of the bench's own: default settings, and an
  // index that the first run writes.
  const std::string home = base + "/trk-bench-viewer-open-home";
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
  if (geteuid() == 0) {
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 1);
  }
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  std::printf("card %s: %s recordings\n", card.c_str(), recordings.c_str());
  bool met = true;
  for (int run = 0; run < kRuns; ++run) {
    const std::string report = home + "/report";
    std::filesystem::remove(report);
    const int rc = Spawn({self, "--viewer", card, report});
    double lists = -1, picture = -1, shown = -1, scanned = -1;
    std::ifstream(report) >> lists >> picture >> shown >> scanned;
    // From OPEN (the card given to the shown window), and from the window's start.
    std::printf(
        "run %d (%s): from OPEN, lists filled %.2f s, first picture %.2f s%s"
        "  (window shown after %.2f s, card listed %.2f s after OPEN)\n",
        run + 1, run == 0 ? "index written" : "warm", lists - shown, picture - shown, rc == 0 ? "" : "  (not reached)",
        shown, scanned - shown);
    if (run > 0) met = met && rc == 0 && lists - shown <= kTargetSeconds && picture - shown <= kTargetSeconds;
  }
  std::printf("target: lists and first picture within %.0f s of OPEN, warm: %s\n", kTargetSeconds,
              met ? "met" : "NOT met");
  return met ? 0 : 1;
}
