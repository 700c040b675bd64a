// CPU time of the viewer playing a 60 s 1280 x 720 recording with the map
// following, against `cvlc --play-and-exit --vout=gl` on the same file, both
// in this run (and on this X server): the viewer at 800 x 560 against the
// player at the viewer's picture size, the viewer at 1920 x 1080 against the
// player at 1280 x 720 (target: at most 1.2 each). Where the viewer chose
// another video output for this display (X11 under a software OpenGL
// renderer), the player runs with that output too, and both ratios are also
// printed against it.
// The viewer's time is split into its main thread, its other threads and its
// web engine processes; after the end it stands paused with the card open,
// and that time is measured on its own: the first 3 s, in which the first
// picture is shown again and the video output is given up, and the 10 s of
// standing after them.
//
// The bench is a subreaper: every process the viewer starts (the web
// engine's renderer and zygotes) ends up waited for by it, so the children's
// resource usage holds them all. Figures are CPU seconds (user + system).
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "map/CHtmlMapDlg.h"
#include "app/CTRKApp.h"
#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "ProcessCpu.h"
#include "app/VideoOutputChoice.h"
#include "Synth.h"

namespace {

constexpr uint32_t kDurationMs = 60000;
constexpr int kViewerTimeoutS = 300;
// After the end the first picture stands paused with the card open; the
// whole process tree is measured over this time.
constexpr int kSettleS = 3;
constexpr int kIdleS = 10;
constexpr double kTarget = 1.2;

// The viewer as the program runs it (start folder given), closed once the
// recording has played to its end and the first picture stands paused.
int RunViewer(int argc, char** argv, const QString& folder) {
  if (qEnvironmentVariableIsEmpty("TRK_LIBVLC_ARGS")) qputenv("TRK_LIBVLC_ARGS", "--aout=dummy");
  CTRKApp::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TRK"));
  QApplication::setQuitOnLastWindowClosed(false);
  int result = 2;
  // The paused time after the end: its length, and what the process tree
  // and this process's threads spent in it.
  double idleSeconds = 0, idleTree = 0;
  ProcessCpu idleSelf;
  // The same for the standing part, after the first kSettleS seconds.
  double standSeconds = 0, standTree = 0;
  ProcessCpu standSelf;
  {
    ViewerSession session;
    CTRKDlg& dlg = session.Window();
    dlg.OnInitDialog();
    dlg.show();
    session.Opening().OpenFolderWhenReady(folder);
    const auto started = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> idleFrom, standFrom;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      const auto now = std::chrono::steady_clock::now();
      const bool ended = dlg.Playback().EndReports() > 0 && !dlg.Playback().IsRunningSteps();
      const bool late = now - started > std::chrono::seconds(kViewerTimeoutS);
      if (!ended && !late) return;
      if (ended && !late) {
        if (!idleFrom) {
          idleFrom = now;
          idleTree = ProcessTreeCpuSeconds(getpid());
          idleSelf = SelfCpu();
          return;
        }
        if (!standFrom) {
          if (now - *idleFrom < std::chrono::seconds(kSettleS)) return;
          standFrom = now;
          standTree = ProcessTreeCpuSeconds(getpid());
          standSelf = SelfCpu();
          return;
        }
        if (now - *standFrom < std::chrono::seconds(kIdleS)) return;
        const double tree = ProcessTreeCpuSeconds(getpid());
        const ProcessCpu self = SelfCpu();
        idleSeconds = std::chrono::duration<double>(now - *idleFrom).count();
        idleTree = tree - idleTree;
        idleSelf.mainThread = self.mainThread - idleSelf.mainThread;
        idleSelf.otherThreads = self.otherThreads - idleSelf.otherThreads;
        standSeconds = std::chrono::duration<double>(now - *standFrom).count();
        standTree = tree - standTree;
        standSelf.mainThread = self.mainThread - standSelf.mainThread;
        standSelf.otherThreads = self.otherThreads - standSelf.otherThreads;
      }
      result = ended ? 0 : 2;
      // The size the picture was shown at, for the player's run at the same size.
      // The video output the viewer chose for this display, for the player's
      // runs with the same output.
      if (FILE* out = std::fopen("output.txt", "w")) {
        for (const std::string& argument : VideoOutputArguments()) std::fprintf(out, "%s\n", argument.c_str());
        std::fclose(out);
      }
      if (FILE* out = std::fopen("surface.txt", "w")) {
        std::fprintf(out, "%d %d\n", dlg.Ui().m_video.width(), dlg.Ui().m_video.height());
        std::fclose(out);
      }
      poll.stop();
      dlg.close();
      app.quit();
    });
    poll.start(100);
    app.exec();
  }
  // The paused time is not part of the playback figures: the bench takes it off.
  const ProcessCpu self = SelfCpu();
  if (FILE* out = std::fopen("threads.txt", "w")) {
    std::fprintf(out, "%f %f %f %f %f %f %f %f %f %f\n", self.mainThread, self.otherThreads, idleSeconds, idleTree,
                 idleSelf.mainThread, idleSelf.otherThreads, standSeconds, standTree, standSelf.mainThread,
                 standSelf.otherThreads);
    std::fclose(out);
  }
  return result;
}

struct Usage {
  double user = 0;
  double system = 0;
  double wall = 0;
  int status = -1;
  double total() const { return user + system; }
};

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// Runs argv, waits for it and for every process left behind by it.
Usage Measure(const std::vector<std::string>& args) {
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDERR_FILENO);
      if (args[0] != "/proc/self/exe") dup2(null, STDOUT_FILENO);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  Usage usage;
  int status = 0;
  waitpid(pid, &status, 0);
  usage.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  usage.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // Orphans (the web engine's helpers) come to this subreaper; they end on
  // their own once their browser process is gone.
  const auto grace = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  for (;;) {
    const pid_t done = waitpid(-1, &status, WNOHANG);
    if (done > 0) continue;
    if (done < 0) break;  // no children left
    if (std::chrono::steady_clock::now() > grace) {
      std::fprintf(stderr, "bench_viewer_cpu: processes still running after 15 s are not counted\n");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  usage.user = Seconds(after.ru_utime) - Seconds(before.ru_utime);
  usage.system = Seconds(after.ru_stime) - Seconds(before.ru_stime);
  return usage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--viewer") == 0) return RunViewer(argc, argv, QString::fromLocal8Bit(argv[2]));
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench_viewer_cpu: needs an X server (run it under xvfb-run)\n");
    return 1;
  }
  prctl(PR_SET_CHILD_SUBREAPER, 1);

  char pattern[] = "/tmp/trk-viewer-cpu-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;
  const std::string card = dir + "/card";
  const std::string home = dir + "/home";
  mkdir(card.c_str(), 0755);
  mkdir(home.c_str(), 0777);
  chmod(dir.c_str(), 0755);
  chmod(home.c_str(), 0777);

  SynthOptions o;
  o.durationMs = kDurationMs;
  o.width = 1280;
  o.height = 720;
  const std::string file = card + "/FILE240412-083000.AVI";
  std::printf("synthesizing %u s %ux%u at %u fps ...\n", kDurationMs / 1000, o.width, o.height, o.fps);
  std::fflush(stdout);
  const SynthReport report = WriteSynthRecording(file, o);
  chmod(file.c_str(), 0644);
  std::printf("recording: %s (%.1f MB, %u GPS records)\n\n", file.c_str(), report.fileSize / 1e6,
              static_cast<unsigned>(report.gps.size()));
  std::fflush(stdout);

  // VLC's player as nobody, who needs a copy of the X server's key.
  std::string xauthority;
  if (const char* xauth = std::getenv("XAUTHORITY")) {
    xauthority = dir + "/Xauthority";
    QFile::copy(QString::fromLocal8Bit(xauth), QString::fromStdString(xauthority));
    chmod(xauthority.c_str(), 0644);
  }
  // VLC's player with its own choice on an OpenGL display ("--vout=gl"), or
  // with the output the viewer chose (outputArguments).
  auto player = [&](const std::vector<std::string>& options, const std::vector<std::string>& outputArguments = {}) {
    std::vector<std::string> args = {"cvlc", "--play-and-exit", "--aout=dummy"};
    if (outputArguments.empty()) args.push_back("--vout=gl");
    args.insert(args.end(), outputArguments.begin(), outputArguments.end());
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(file);
    if (geteuid() == 0) {
      args.insert(args.begin(), {"runuser", "-u", "nobody", "--", "env", "HOME=" + home});
      if (!xauthority.empty()) args.insert(args.begin() + 6, "XAUTHORITY=" + xauthority);
    }
    return Measure(args);
  };

  // The viewer at its start size and at size L, each with its settings file
  // in a folder of its own; then the player in a window of the picture's own
  // size and in one of the size the viewer showed it at.
  struct Run {
    std::string name;
    Usage usage;
    // Viewer runs only: its threads, and the paused time after the end
    // (taken off the run's figures).
    ProcessCpu threads;
    double idleSeconds = 0;
    double idleTree = 0;
    ProcessCpu idleThreads;
    // The standing part of that paused time.
    double standSeconds = 0;
    double standTree = 0;
    ProcessCpu standThreads;
    double cpu() const { return usage.total() - idleTree; }
    double web() const { return cpu() - (threads.total() - idleThreads.total()); }
  };
  std::vector<Run> runs;
  int shownWidth = 0, shownHeight = 0;
  std::vector<std::string> viewerOutput;
  for (const bool large : {false, true}) {
    const std::string runDir = dir + (large ? "/large" : "/start");
    mkdir(runDir.c_str(), 0755);
    if (chdir(runDir.c_str()) != 0) return 1;
    if (large) {
      QFile ini(QStringLiteral("KTR-XM_DireV.ini"));
      if (ini.open(QIODevice::WriteOnly)) ini.write("[WINPOS]\nLEFT=0\nTOP=0\nRIGHT=1920\nBOTTOM=1080\n");
    }
    Run run;
    run.usage = Measure({"/proc/self/exe", "--viewer", card});
    int w = 0, h = 0;
    if (FILE* in = std::fopen("surface.txt", "r")) {
      if (std::fscanf(in, "%d %d", &w, &h) != 2) w = h = 0;
      std::fclose(in);
    }
    if (FILE* in = std::fopen("threads.txt", "r")) {
      if (std::fscanf(in, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &run.threads.mainThread, &run.threads.otherThreads,
                      &run.idleSeconds, &run.idleTree, &run.idleThreads.mainThread, &run.idleThreads.otherThreads,
                      &run.standSeconds, &run.standTree, &run.standThreads.mainThread,
                      &run.standThreads.otherThreads) != 10)
        run = Run{"", run.usage, {}, 0, 0, {}, 0, 0, {}};
      std::fclose(in);
    }
    if (!large) {
      shownWidth = w;
      shownHeight = h;
      if (FILE* in = std::fopen("output.txt", "r")) {
        char line[64];
        while (std::fgets(line, sizeof line, in) != nullptr) {
          std::string argument = line;
          while (!argument.empty() && argument.back() == '\n') argument.pop_back();
          if (!argument.empty()) viewerOutput.push_back(argument);
        }
        std::fclose(in);
      }
    }
    run.name = "viewer, window " + std::string(large ? "1920x1080" : "800x560") + ", picture " + std::to_string(w) +
               "x" + std::to_string(h);
    runs.push_back(run);
  }
  if (chdir(dir.c_str()) != 0) return 1;
  // VLC's player at 1280 x 720 and at the viewer's picture size, with its
  // own output and, where the viewer chose another one, with the viewer's.
  char zoom[32];
  std::snprintf(zoom, sizeof zoom, "--zoom=%.4f", shownHeight / 720.0);
  const std::string shown = std::to_string(shownWidth) + "x" + std::to_string(shownHeight);
  std::string outputName;
  for (const std::string& argument : viewerOutput) outputName += " " + argument;
  // The player's runs have no thread split and no paused time.
  const auto playerRun = [](std::string name, const Usage& usage) {
    Run run;
    run.name = std::move(name);
    run.usage = usage;
    return run;
  };
  const std::size_t vlcNativeRun = runs.size();
  runs.push_back(playerRun("cvlc --vout=gl, window 1280x720", player({})));
  const std::size_t vlcShownRun = runs.size();
  if (shownHeight > 0) runs.push_back(playerRun("cvlc --vout=gl, window " + shown, player({zoom})));
  const std::size_t sameNativeRun = runs.size();
  if (!viewerOutput.empty()) runs.push_back(playerRun("cvlc" + outputName + ", 1280x720", player({}, viewerOutput)));
  const std::size_t sameShownRun = runs.size();
  if (!viewerOutput.empty() && shownHeight > 0)
    runs.push_back(playerRun("cvlc" + outputName + ", " + shown, player({zoom}, viewerOutput)));
  const auto cpuOf = [&](std::size_t i) { return i < runs.size() ? runs[i].usage.total() : 0.0; };

  std::printf("%-48s %5s %8s %8s %8s %8s\n", "run", "exit", "wall s", "user s", "sys s", "cpu s");
  for (const Run& r : runs)
    std::printf("%-48s %5d %8.2f %8.2f %8.2f %8.2f\n", r.name.c_str(), r.usage.status, r.usage.wall - r.idleSeconds,
                r.usage.user, r.usage.system, r.cpu());
  std::printf("(viewer rows without the %d s paused after the end; user and sys include it)\n\n", kSettleS + kIdleS);

  // Where the viewer's time goes: the window thread (layout, painting, the
  // map's scripts), libvlc's and Qt's other threads (decoding, video output,
  // the web engine's browser side), and the web engine's processes.
  std::printf("%-48s %12s %12s %12s\n", "viewer split, playing (cpu s)", "main thread", "other thr.", "web procs");
  for (size_t i = 0; i < 2 && i < runs.size(); ++i) {
    const Run& r = runs[i];
    std::printf("%-48s %12.2f %12.2f %12.2f\n", r.name.c_str(), r.threads.mainThread - r.idleThreads.mainThread,
                r.threads.otherThreads - r.idleThreads.otherThreads, r.web());
  }
  std::printf("%-48s %12s %12s %12s %12s\n", "paused after the end (% of a core)", "main thread", "other thr.",
              "web procs", "all");
  const auto pausedRow = [](const std::string& name, double seconds, double tree, const ProcessCpu& threads) {
    if (seconds <= 0) return;
    const double share = 100.0 / seconds;
    std::printf("%-48s %11.2f%% %11.2f%% %11.2f%% %11.2f%%\n", name.c_str(), share * threads.mainThread,
                share * threads.otherThreads, share * (tree - threads.total()), share * tree);
  };
  for (size_t i = 0; i < 2 && i < runs.size(); ++i) {
    const Run& r = runs[i];
    ProcessCpu settleThreads;
    settleThreads.mainThread = r.idleThreads.mainThread - r.standThreads.mainThread;
    settleThreads.otherThreads = r.idleThreads.otherThreads - r.standThreads.otherThreads;
    pausedRow(r.name.substr(0, r.name.find(", picture")) + ", first " + std::to_string(kSettleS) + " s",
              r.idleSeconds - r.standSeconds, r.idleTree - r.standTree, settleThreads);
    pausedRow(r.name.substr(0, r.name.find(", picture")) + ", standing " + std::to_string(kIdleS) + " s",
              r.standSeconds, r.standTree, r.standThreads);
  }

  // The player's own window shows the picture at 1280 x 720; the viewer shows
  // it that large only at size L. At its start size the viewer scales the
  // picture down, so the player is also measured at the viewer's picture size.
  const double viewerStart = runs[0].cpu();
  const double viewerLarge = runs[1].cpu();
  const double vlcNative = cpuOf(vlcNativeRun);
  const double vlcShown = shownHeight > 0 ? cpuOf(vlcShownRun) : 0;
  const double sameNative = viewerOutput.empty() ? 0 : cpuOf(sameNativeRun);
  const double sameShown = viewerOutput.empty() || shownHeight <= 0 ? 0 : cpuOf(sameShownRun);
  bool ok = true;
  for (const Run& r : runs) ok = ok && r.usage.status == 0;
  std::printf("\n");
  if (vlcShown > 0) std::printf("viewer 800x560 / cvlc at the viewer's picture size: %.2f\n", viewerStart / vlcShown);
  if (vlcNative > 0) std::printf("viewer 1920x1080 / cvlc at 1280x720:                %.2f\n", viewerLarge / vlcNative);
  // The viewer turns VLC's GL output off under a software renderer; against
  // the player with the same output, what remains is the viewer's own cost.
  if (sameShown > 0) std::printf("same output: viewer 800x560 / cvlc at its size:     %.2f\n", viewerStart / sameShown);
  if (sameNative > 0)
    std::printf("same output: viewer 1920x1080 / cvlc at 1280x720:   %.2f\n", viewerLarge / sameNative);
  std::printf("target: both at most %.1f; paused with the card open under 1%% of a core\n", kTarget);
  std::string cleanup = "rm -rf '" + dir + "'";
  if (std::system(cleanup.c_str()) != 0) return 1;
  return ok ? 0 : 1;
}
