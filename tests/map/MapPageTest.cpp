// The map host with the real page under X: load state, calls, back ends,
// track drawing end to end and the host's own input handling.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QScreen>
#include <QSet>
#include <QWindow>
#include <QTest>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>

#include "map/CHtmlMapDlg.h"
#include "map/MapReload.h"
#include "map/TrackDrawing.h"
#include "TrackFixtures.h"

using namespace trk_test;

namespace {

// Looks every 10 ms from a running event loop, so the page's process gets the CPU.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  if (done()) return true;
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (done() || clock.elapsed() > timeoutMs) loop.quit();
  });
  tick.start(10);
  loop.exec();
  return done();
}

// Counts what reaches the main window stand-in from its children.
class Window : public QWidget {
 public:
  int mouseEvents = 0;
  int contextMenus = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++mouseEvents; }
  void mouseReleaseEvent(QMouseEvent*) override { ++mouseEvents; }
  void contextMenuEvent(QContextMenuEvent*) override { ++contextMenus; }
};

class MapPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("TRK_GOOGLE_MAPS_KEY");
    window = std::make_unique<Window>();
    window->resize(640, 480);
    auto* placeholder = new QWidget(window.get());
    placeholder->setObjectName(QStringLiteral("1004"));
    placeholder->setGeometry(10, 20, 400, 300);
    host = new CHtmlMapDlg(window.get());
    ASSERT_TRUE(host->CreateInPlaceholder(window.get()));
    EXPECT_EQ(host->geometry(), QRect(12, 22, 396, 296));
    EXPECT_FALSE(placeholder->isVisible());
    window->show();
    drawing.SetMap(host);
  }
  void TearDown() override {
    window.reset();
    QCoreApplication::processEvents();
  }

  bool Load() {
    bool finished = false, ok = false;
    auto connection = QObject::connect(host, &CHtmlMapDlg::PageLoaded, [&](bool result) {
      finished = true;
      ok = result;
    });
    host->LoadFromResource(143);
    const bool in_time = WaitUntil([&] { return finished; }, 30000);
    QObject::disconnect(connection);
    return in_time && ok && host->IsPageLoaded();
  }

  // Runs the host's queued calls, then `script`, and returns its value.
  QVariant Eval(const QString& script) {
    host->FlushScripts();
    bool done = false;
    QVariant value;
    host->Page()->runJavaScript(script, [&](const QVariant& result) {
      value = result;
      done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done; }, 10000)) << script.toStdString();
    return value;
  }
  QString Json(const QString& expression) { return Eval("JSON.stringify(" + expression + ")").toString(); }
  QJsonArray Points(const QString& expression) { return QJsonDocument::fromJson(Json(expression).toUtf8()).array(); }

  void ExpectInitialState() {
    EXPECT_EQ(Json("marker_position"), "[35.679916,139.770161]");
    EXPECT_EQ(Json("map_center"), "[35.679916,139.770161]");
    EXPECT_EQ(Eval("path_points.length").toInt(), 0);
    EXPECT_EQ(Eval("pathdrived_points.length").toInt(), 0);
    EXPECT_EQ(Eval("file_paths.length").toInt(), 0);
    EXPECT_EQ(Eval("redraw(); [path_line.getLatLngs().length, pathdrived_line.getLatLngs().length,"
                   " marker.getLatLng().lat, map.getZoom()].join(' ')")
                  .toString(),
              "0 0 35.679916 15");
  }

  void SaveScreenshot(const char* name) {
    const char* dir = std::getenv("TRK_ARTIFACT_DIR");
    if (!dir) return;
    QDir().mkpath(dir);
    window->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
  }

  // The usable samples of the library's loaded block, as [latitude, longitude] in degrees.
  std::vector<std::pair<double, double>> Usable(std::size_t before = SIZE_MAX) {
    std::vector<std::pair<double, double>> out;
    for (std::size_t i = 0; i < library.GpsSamples().size() && i < before; ++i) {
      const GpsSample& s = library.GpsSamples()[i];
      if (IsUsableGpsSample(s)) out.emplace_back(Degrees(s.latitude), Degrees(s.longitude));
    }
    return out;
  }
  void ExpectPoints(const QJsonArray& points, const std::vector<std::pair<double, double>>& expected) {
    ASSERT_EQ(static_cast<std::size_t>(points.size()), expected.size());
    for (qsizetype i = 0; i < points.size(); ++i) {
      EXPECT_NEAR(points[i].toArray()[0].toDouble(), expected[static_cast<std::size_t>(i)].first, 1e-6) << i;
      EXPECT_NEAR(points[i].toArray()[1].toDouble(), expected[static_cast<std::size_t>(i)].second, 1e-6) << i;
    }
  }

  void LoadTrack(int32_t index) {
    drawing.ClearTrack();
    const RecordingTrack* track = library.LoadTrack(index);
    ASSERT_NE(track, nullptr);
    drawing.PlotTrack(*track);
  }
  void LoadDrive(int samples) {
    RecordingPlan plan;
    for (int i = 0; i < samples; ++i) plan.gps.push_back(DriveFix(i));
    plan.gps[3].status = 0;
    plan.gps[4] = Fix(0.0, 0.0);
    plan.gps[12].longitude = 20000.0;
    FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
    LoadTrack(0);
  }

  std::unique_ptr<Window> window;
  CHtmlMapDlg* host = nullptr;  // owned by the window
  TempFolder dir;
  RecordingLibrary library;
  TrackDrawing drawing;
};

}  // namespace

TEST_F(MapPageTest, CallsBeforeTheLoadHaveNoEffectAndDoNotFail) {
  EXPECT_TRUE(host->RunScript("path_plot(1.000000,2.000000)"));
  EXPECT_TRUE(host->MovePosition(0, 35.4079496, 139.4601));
  host->LoadFromResource(143);
  EXPECT_FALSE(host->IsPageLoaded());
  EXPECT_TRUE(host->RunScript("path_plot(3.000000,4.000000)"));
  EXPECT_TRUE(host->MovePosition(0, 35.4079496, 139.4601));
  host->FlushScripts();
  ASSERT_TRUE(Load());
  EXPECT_EQ(Eval("document.title").toString(), "Google Maps");
  EXPECT_EQ(Eval("map_backend").toString(), "leaflet");
  ExpectInitialState();
  EXPECT_TRUE(QFile::exists(":/html/190"));

  // Without a placeholder the host is not placed.
  QWidget bare;
  QWidget stranger;
  CHtmlMapDlg other;
  EXPECT_FALSE(other.CreateInPlaceholder(&bare));
  EXPECT_FALSE(other.CreateInPlaceholder(&bare, &stranger));
  EXPECT_FALSE(other.CreateInPlaceholder(nullptr));
}

TEST_F(MapPageTest, MovePositionConvertsAndMovesMarkerCentreAndDrivenLine) {
  ASSERT_TRUE(Load());
  EXPECT_TRUE(host->MovePosition(0, 35.4079496, 139.4601));
  EXPECT_EQ(Json("[marker_position, map_center, pathdrived_points]"),
            "[[35.679916,139.766833],[35.679916,139.766833],[[35.679916,139.766833]]]");
  // Leaflet recomputes its centre from whole pixels (about 1e-5 degree at zoom 15).
  const QJsonArray drawn = Points(
      "(redraw(), [[map.getCenter().lat, map.getCenter().lng],"
      " [marker.getLatLng().lat, marker.getLatLng().lng], [pathdrived_line.getLatLngs().length]])");
  ASSERT_EQ(drawn.size(), 3);
  EXPECT_NEAR(drawn[0].toArray()[0].toDouble(), 35.679916, 5e-5);
  EXPECT_NEAR(drawn[0].toArray()[1].toDouble(), 139.766833, 5e-5);
  EXPECT_EQ(drawn[1].toArray()[0].toDouble(), 35.679916);
  EXPECT_EQ(drawn[1].toArray()[1].toDouble(), 139.766833);
  EXPECT_EQ(drawn[2].toArray()[0].toInt(), 1);

  // Hidden, the page still takes calls; shown again it keeps them.
  host->hide();
  EXPECT_TRUE(host->MovePosition(0, 35.41, 139.47));
  EXPECT_EQ(Eval("pathdrived_points.length").toInt(), 2);
  host->show();
  EXPECT_EQ(Json("marker_position"), "[35.683333,139.783333]");

  EXPECT_EQ(CHtmlMapDlg::ToDegrees(1, 35.4079496), CHtmlMapDlg::ToDegrees(0, 35.4079496));
  EXPECT_EQ(CHtmlMapDlg::ToDegrees(2, 35.4079496), 35.4079496);
}

TEST_F(MapPageTest, LoadRecordingTrackFillsTheRecordingsLine) {
  ASSERT_TRUE(Load());
  LoadDrive(600);
  const auto expected = Usable();
  ASSERT_EQ(expected.size(), 597u);
  ExpectPoints(Points("path_points"), expected);
  EXPECT_EQ(Eval("redraw(); path_line.getLatLngs().length").toInt(), 597);
  Eval("set_center(path_points[300][0], path_points[300][1]); redraw();");
  QTest::qWait(300);
  SaveScreenshot("map_page_track.png");
  EXPECT_EQ(
      Eval("path_line.options.color + ' ' + path_line.options.opacity + ' ' + path_line.options.weight").toString(),
      "#8833FF 0.5 6");
  EXPECT_EQ(Eval("pathdrived_line.options.color + ' ' + pathdrived_line.options.opacity + ' ' +"
                 " pathdrived_line.options.weight")
                .toString(),
            "#55EE55 0.5 6");

  // Loading another recording replaces the line.
  RecordingPlan other;
  other.name = "FILE0002.AVI";
  other.gps = {Fix(3600.0, 14000.0)};
  std::vector<RecordingInfo> recordings = library.Recordings();
  recordings.push_back(WriteRecording(dir.Folder(), other));
  library.SetRecordings(recordings);
  LoadTrack(1);
  EXPECT_EQ(Json("path_points"), "[[36,140]]");
}

TEST_F(MapPageTest, UpdatePositionMovesTheMarkerOncePerNewSample) {
  ASSERT_TRUE(Load());
  LoadDrive(20);
  int fixes = 0;
  for (int64_t t = 0; t < 22000; t += 250) {
    const int shown = drawing.PositionAt(library.Track(), t, true).HasFix() ? 1 : 0;
    const std::size_t i = static_cast<std::size_t>(t / 1000);
    const bool usable = i < library.GpsSamples().size() && IsUsableGpsSample(library.GpsSamples()[i]);
    EXPECT_EQ(shown, usable ? 1 : 0) << t;
    fixes += shown;
  }
  EXPECT_EQ(fixes, 17 * 4);
  // Sample 0 four times (it is shown at every report), every other usable sample once.
  const auto usable = Usable();
  std::vector<std::pair<double, double>> moves(4, usable[0]);
  moves.insert(moves.end(), usable.begin() + 1, usable.end());
  ExpectPoints(Points("pathdrived_points"), moves);
  EXPECT_EQ(Json("marker_position"), Json("pathdrived_points[pathdrived_points.length - 1]"));
}

TEST_F(MapPageTest, RedrawDrivenPathAfterASeekHoldsTheSamplesBefore) {
  ASSERT_TRUE(Load());
  LoadDrive(60);
  drawing.PositionAt(library.Track(), 45000, true);
  drawing.RedrawDrivenPath(library.Track(), 30000);
  ExpectPoints(Points("pathdrived_points"), Usable(30));
  EXPECT_EQ(Eval("redraw(); pathdrived_line.getLatLngs().length").toInt(), 27);
  // The page's own helper does the same from the recording's line.
  EXPECT_EQ(Eval("pathdrived_plot_to_n(5); pathdrived_points.length").toInt(), 5);
}

TEST_F(MapPageTest, AProviderChangeReloadsThePageToItsInitialState) {
  ASSERT_TRUE(Load());
  LoadDrive(30);
  drawing.RedrawDrivenPath(library.Track(), 10000);
  host->MovePosition(0, 35.5, 139.5);
  drawing.ClearGroupPaths();
  drawing.DrawGroupPath(library, 0);
  EXPECT_GT(Eval("path_points.length + pathdrived_points.length + file_paths.length").toInt(), 30);

  host->SetMapProvider(1);
  ASSERT_TRUE(Load());
  ExpectInitialState();
  // The same value again still reloads.
  host->MovePosition(0, 35.5, 139.5);
  EXPECT_EQ(Eval("pathdrived_points.length").toInt(), 1);
  ASSERT_TRUE(Load());
  ExpectInitialState();
}

TEST_F(MapPageTest, TheMainWindowsReloadBringsTheLoadedRouteBack) {
  ASSERT_TRUE(Load());
  LoadDrive(30);
  drawing.RedrawDrivenPath(library.Track(), 10000);
  bool finished = false;
  auto connection = QObject::connect(host, &CHtmlMapDlg::PageLoaded, [&](bool) { finished = true; });
  ReloadMapPage(*host, 1, [this] { drawing.DrawLoadedTrack(library.Track()); });
  ASSERT_TRUE(WaitUntil([&] { return finished; }, 30000));
  QObject::disconnect(connection);
  EXPECT_EQ(host->MapProvider(), 1);
  // The recording's line comes back from memory; the driven line starts afresh.
  ExpectPoints(Points("path_points"), Usable());
  EXPECT_EQ(Eval("pathdrived_points.length").toInt(), 0);
}

TEST_F(MapPageTest, TheHostWindowPaintsWithoutOpenGlWhileThePageShowsOnScreen) {
  ASSERT_TRUE(Load());
  LoadDrive(30);
  drawing.RedrawDrivenPath(library.Track(), 20000);
  EXPECT_EQ(Eval("redraw(); pathdrived_line.getLatLngs().length").toInt(), static_cast<int>(Usable(20).size()));
  // Composed through OpenGL, every repaint of any control would cost a whole-window drawing.
  EXPECT_EQ(window->windowHandle()->surfaceType(), QSurface::RasterSurface);
  // What the X server shows where the map stands: its background, the lines, the marker, the buttons.
  QSet<QRgb> colours;
  WaitUntil(
      [&] {
        const QPoint at = host->mapToGlobal(QPoint(0, 0));
        const QImage shown =
            QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), host->width(), host->height()).toImage();
        colours.clear();
        for (int y = 0; y < shown.height(); y += 2)
          for (int x = 0; x < shown.width(); x += 2) colours.insert(shown.pixel(x, y));
        return colours.size() > 32;
      },
      10000);
  EXPECT_GT(colours.size(), 32) << "the page is not on screen";
}

TEST_F(MapPageTest, GroupPathsAreFaintLinesUnderTheRecording) {
  ASSERT_TRUE(Load());
  LoadDrive(30);
  drawing.ClearGroupPaths();
  drawing.DrawGroupPath(library, 0);
  EXPECT_EQ(Eval("file_paths.length").toInt(), 1);
  EXPECT_EQ(Eval("file_paths[0].length").toInt(), 27);
  EXPECT_EQ(Eval("redraw(); file_lines.length").toInt(), 1);
  EXPECT_EQ(Eval("file_lines[0].options.weight < path_line.options.weight &&"
                 " file_lines[0].options.opacity < path_line.options.opacity &&"
                 " Number(map.getPane(file_lines[0].options.pane).style.zIndex) <"
                 " Number(map.getPane(path_line.options.pane).style.zIndex || 400)")
                .toBool(),
            true);
  // The group's first fix centres the map.
  EXPECT_EQ(Json("map_center"), Json("file_paths[0][0]"));
  drawing.ClearGroupPaths();
  EXPECT_EQ(Eval("redraw(); file_paths.length + file_lines.length").toInt(), 0);
}

TEST_F(MapPageTest, ScriptErrorsAreIsolatedAndSilent) {
  ASSERT_TRUE(Load());
  host->RunScript("no_such_function(1, 2)");
  host->RunScript("throw new Error('boom')");
  host->RunScript("path_plot(5.000000,6.000000)");
  EXPECT_EQ(Json("path_points"), "[[5,6]]");
  EXPECT_EQ(Eval("window.onerror('x', 'y', 1) === true").toBool(), true);

  // Data runs and program texts keep one order.
  host->RunScript("path_delete()");
  host->RunScript("path_plot(1.000000,1.000000)");
  host->RunScript("path_points.push([9, 9])");
  host->RunScript("path_plot(2.000000,2.000000)");
  host->RunScript("path_plot(3.000000,3.000000, 7)");  // another arity: extra arguments are ignored
  host->RunScript("pathdrived_plot_to_n(2)");
  EXPECT_EQ(Json("[path_points, pathdrived_points]"), "[[[1,1],[9,9],[2,2],[3,3]],[[1,1],[9,9]]]");
}

TEST_F(MapPageTest, RightClicksDoNothing) {
  ASSERT_TRUE(Load());
  QWidget* surface = host->View()->focusProxy() ? host->View()->focusProxy() : host->View();
  for (QWidget* target : {static_cast<QWidget*>(host), static_cast<QWidget*>(host->View()), surface}) {
    QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, QPoint(50, 50));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(50, 50), target->mapToGlobal(QPoint(50, 50)));
    QCoreApplication::sendEvent(target, &menu);
  }
  QTest::qWait(300);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(window->mouseEvents, 0);
  EXPECT_EQ(window->contextMenus, 0);
  ExpectInitialState();
}

TEST_F(MapPageTest, TheMarkerPictureResolvesRelativeToThePage) {
  ASSERT_TRUE(Load());
  ASSERT_TRUE(
      WaitUntil([&] { return Eval("marker._icon.complete && marker._icon.naturalWidth > 0").toBool(); }, 10000));
  // The program's picture 190 replaces the stand-in when the resources hold it.
  if (QFile::exists(":/png/190.png")) {
    QImage picture(":/png/190.png");
    EXPECT_EQ(Eval("marker._icon.naturalWidth").toInt(), picture.width());
    EXPECT_EQ(Eval("marker._icon.naturalHeight").toInt(), picture.height());
  }
}

TEST_F(MapPageTest, TheGoogleBackEndIsUsedWithAKeyAndFallsBackOffline) {
  setenv("TRK_GOOGLE_MAPS_KEY", "test-key", 1);
  const QUrl url = CHtmlMapDlg::PageUrl(143);
  EXPECT_EQ(QUrlQuery(url).queryItemValue("key"), "test-key");
  EXPECT_EQ(url.path(), "/html/143.html");
  ASSERT_TRUE(Load());
  // Whatever the back end is doing, the calls behave at once.
  host->RunScript("path_plot(1.000000,2.000000)");
  EXPECT_EQ(Json("path_points"), "[[1,2]]");
  // No network here (or a key that is refused): the Leaflet map takes over.
  ASSERT_TRUE(WaitUntil([&] { return Eval("map_backend").toString() == "leaflet"; }, 25000))
      << Eval("map_backend").toString().toStdString();
  EXPECT_EQ(Eval("redraw(); path_line.getLatLngs().length").toInt(), 1);
  unsetenv("TRK_GOOGLE_MAPS_KEY");
}
