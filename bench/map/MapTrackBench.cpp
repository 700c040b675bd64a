// Times the track calls of a one-hour recording at 10 GPS records per second
// (36,000 records): building the call texts alone, and all the way onto the
// real map page until the page holds every point and has drawn its line.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

#include "map/CHtmlMapDlg.h"
#include "map/TrackDrawing.h"
#include "TrackFixtures.h"
#include "ViewDoubles.h"

using namespace trk_test;

namespace {

constexpr int kRecords = 36000;

// CPU time of this process and of the page's renderer process, in ms: unlike
// the wall clock it hardly depends on what else the machine is doing.
double CpuMs(qint64 rendererPid) {
  timespec own{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &own);
  double ms = own.tv_sec * 1000.0 + own.tv_nsec / 1e6;
  std::ifstream stat("/proc/" + std::to_string(rendererPid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close != std::string::npos) {
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) utime = std::stoull(field);
      if (i == 15) stime = std::stoull(field);
    }
    ms += (utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  return ms;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Blocks in the event loop (no busy waiting: the page's process needs the CPU).
QVariant Eval(CHtmlMapDlg& host, const QString& script) {
  host.FlushScripts();
  QEventLoop loop;
  QVariant value;
  host.Page()->runJavaScript(script, [&](const QVariant& result) {
    value = result;
    loop.quit();
  });
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  loop.exec();
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(argc, argv);

  TempFolder dir;
  RecordingPlan plan;
  plan.gpsaValue = 10;
  plan.durationMs = kRecords * 100;
  for (int i = 0; i < kRecords; ++i) plan.gps.push_back(DriveFix(i % 5000));
  RecordingLibrary library;
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);

  // 1. The track functions alone, with a map that only keeps the texts.
  {
    MapDouble texts;
    TrackDrawing drawing(&texts);
    const auto start = std::chrono::steady_clock::now();
    drawing.ClearTrack();
    drawing.PlotTrack(*library.LoadTrack(0));
    const double ms = MsSince(start);
    std::printf("LoadRecordingTrack, %d records, call texts only: %.1f ms (%zu calls)\n", kRecords, ms,
                texts.calls.size());
  }

  // 2. The real page.
  CHtmlMapDlg host;
  host.resize(640, 480);
  host.show();
  bool loaded = false;
  QEventLoop loading;
  QObject::connect(&host, &CHtmlMapDlg::PageLoaded, [&](bool ok) {
    loaded = ok;
    loading.quit();
  });
  QTimer::singleShot(60000, &loading, &QEventLoop::quit);
  host.LoadFromResource(143);
  loading.exec();
  if (!loaded) {
    std::fprintf(stderr, "the map page did not load (is there an X display?)\n");
    return 1;
  }
  TrackDrawing drawing(&host);
  if (std::getenv("TRK_BENCH_JS")) {
    const QString probe = QStringLiteral(
        "(function(){var s='['; for (var i=0;i<36000;++i){ if(i) s+=','; "
        "s+='[\"path_plot\",'+(35+i*1e-5).toFixed(6)+','+(139+i*1e-5).toFixed(6)+']'; } s+=']';"
        "var t0=performance.now(); var l=JSON.parse(s); var t1=performance.now();"
        "for(var i=0;i<l.length;++i){var c=l[i];try{window[c[0]].apply(window,c.slice(1));}catch(e){}} var "
        "t2=performance.now();"
        "path_delete(); for(var i=0;i<l.length;++i){ path_plot(l[i][1], l[i][2]); } var t3=performance.now();"
        "redraw(); var t4=performance.now();"
        "return 'parse '+(t1-t0).toFixed(1)+' dispatch '+(t2-t1).toFixed(1)+' direct '+(t3-t2).toFixed(1)+' redraw "
        "'+(t4-t3).toFixed(1);})()");
    for (int i = 0; i < 3; ++i) std::printf("page: %s\n", Eval(host, probe).toString().toUtf8().constData());
  }
  const qint64 renderer = host.Page()->renderProcessPid();
  for (int run = 1; run <= 3; ++run) {
    const double cpuStart = CpuMs(renderer);
    const auto start = std::chrono::steady_clock::now();
    host.RunScript("window.bench_t0 = performance.now()");
    drawing.ClearTrack();
    drawing.PlotTrack(*library.LoadTrack(0));
    host.RunScript("window.bench_t1 = performance.now()");
    const double queued = MsSince(start);
    host.FlushScripts();
    const double sent = MsSince(start);
    const int held = Eval(host, "path_points.length").toInt();
    const double onPage = MsSince(start);
    std::printf("run %d: %.1f ms to make and queue the calls, %.1f ms sent\n", run, queued, sent);
    const double cpuOnPage = CpuMs(renderer) - cpuStart;
    std::printf("run %d: the page ran the calls in %.1f ms\n", run, Eval(host, "bench_t1 - bench_t0").toDouble());
    const int drawn = Eval(host, "redraw(); path_line.getLatLngs().length").toInt();
    const double withLine = MsSince(start);
    const double cpuWithLine = CpuMs(renderer) - cpuStart;
    std::printf(
        "run %d: CPU time (viewer + page process): %.0f ms until the page holds the points, "
        "%.0f ms with the line drawn\n",
        run, cpuOnPage, cpuWithLine);
    std::printf(
        "run %d: LoadRecordingTrack onto the page: %.1f ms until the page holds %d points, "
        "%.1f ms with the Leaflet line drawn (%d points)\n",
        run, onPage, held, withLine, drawn);
  }
  {
    const auto start = std::chrono::steady_clock::now();
    drawing.RedrawDrivenPath(library.Track(), kRecords * 100 - 1);
    const int held = Eval(host, "redraw(); pathdrived_line.getLatLngs().length").toInt();
    std::printf("RedrawDrivenPath to the end: %.1f ms (%d points drawn)\n", MsSince(start), held);
  }
  {
    const auto start = std::chrono::steady_clock::now();
    drawing.ClearGroupPaths();
    drawing.DrawGroupPath(library, 0);
    const int held = Eval(host, "redraw(); file_lines.length ? file_lines[0].getLatLngs().length : 0").toInt();
    std::printf("ClearGroupPaths + DrawGroupPath (one recording): %.1f ms (%d points drawn)\n", MsSince(start), held);
  }
  {
    int moves = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int64_t t = 0; t < kRecords * 100; t += 100) moves += drawing.PositionAt(library.Track(), t, true).HasFix();
    Eval(host, "redraw(); 0");
    std::printf("UpdatePosition at every record (%d moves): %.1f ms\n", moves, MsSince(start));
  }
  return 0;
}
