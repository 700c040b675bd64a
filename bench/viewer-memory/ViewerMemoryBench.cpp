// Resident memory of the viewer playing the demo card in a loop: the whole
// card with the map and the curve following, and again from the first
// recording whenever the last has ended (the viewer then stands paused at
// the first picture). Once a minute it prints the viewer's own resident
// memory and that of the viewer with its web engine processes, the latter
// also as PSS (shared pages split among the processes, as smem counts); at
// the end the growth of each sum after the first 5 minutes (target: at most
// 20 MB). The malloc arenas in use show whether the viewer's threads keep to
// their cap.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_viewer_memory [minutes, default 30]
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/CTRKApp.h"
#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "ProcessMemory.h"
#include "playback/MallocArenas.h"
#include "Synth.h"

namespace {

constexpr int kDefaultMinutes = 30;
constexpr int kWarmUpMinutes = 5;
constexpr double kTargetMb = 20.0;
constexpr int kPollMs = 1000;

double Mb(int64_t kb) { return static_cast<double>(kb) / 1024.0; }

}  // namespace

int main(int argc, char** argv) {
  const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultMinutes;
  if (qEnvironmentVariableIsEmpty("TRK_LIBVLC_ARGS")) qputenv("TRK_LIBVLC_ARGS", "--aout=dummy");
  // The settings and the card of a run of its own.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  CTRKApp::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TRK"));
  QApplication::setQuitOnLastWindowClosed(false);
  const QString card = home.path() + QStringLiteral("/card");
  WriteSynthCard(card.toStdString(), SynthCardOptions{});

  ViewerSession session;

  CTRKDlg& dlg = session.Window();
  dlg.OnInitDialog();
  dlg.show();
  session.Opening().OpenFolderWhenReady(card);
  const auto started = std::chrono::steady_clock::now();
  const pid_t self = getpid();
  int printed = -1;
  ProcessMemoryKb afterWarmUp, highest;
  int loops = 0;
  std::printf("minute  viewer MB  with web engine MB  PSS with web engine MB  malloc arenas\n");
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    // The card has played to its end: from the first recording again.
    const CPlaybackController& engine = dlg.Playback();
    if (engine.IsLoaded() && engine.IsPaused() && !engine.IsPlaying() && !dlg.Playback().IsRunningSteps() &&
        dlg.Library().CurrentRecording() == 0 && dlg.Playback().EndReports() > 0 && !session.Busy().IsHeld()) {
      ++loops;
      dlg.Button(IDC_PLAY).click();
    }
    const auto elapsed = std::chrono::steady_clock::now() - started;
    const int minute = static_cast<int>(std::chrono::duration_cast<std::chrono::minutes>(elapsed).count());
    if (minute == printed) return;
    printed = minute;
    const ProcessMemoryKb total = ProcessTreeMemoryKb(self);
    std::printf("%6d  %9.1f  %18.1f  %22.1f  %13d\n", minute, Mb(MemoryKb(self).resident), Mb(total.resident),
                Mb(total.proportional), MallocArenasInUse());
    std::fflush(stdout);
    if (minute == kWarmUpMinutes) afterWarmUp = total;
    if (minute >= kWarmUpMinutes) {
      highest.resident = std::max(highest.resident, total.resident);
      highest.proportional = std::max(highest.proportional, total.proportional);
    }
    if (minute >= minutes) QCoreApplication::exit(0);
  });
  poll.start(kPollMs);
  app.exec();
  dlg.close();
  if (afterWarmUp.resident > 0) {
    const double growth = Mb(highest.resident - afterWarmUp.resident);
    std::printf(
        "card played %d times more; growth after minute %d: %.1f MB RSS, %.1f MB PSS (target: at most %.0f MB) %s\n",
        loops, kWarmUpMinutes, growth, Mb(highest.proportional - afterWarmUp.proportional), kTargetMb,
        growth <= kTargetMb ? "ok" : "OVER");
  }
  return 0;
}
