// A time report repaints only what it changed: the slider's thumb, the
// curve's cursor strips and legends, new speed figures, a new compass
// picture. What the window has on screen afterwards is exactly what a full
// paint of the new state shows, so no partial paint leaves a trace behind.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "views/CGSensorCtrl.h"
#include "views/CPngCompassStatic.h"
#include "views/CSpeedLabelStatic.h"
#include "controls/CVideoSlider.h"
#include "TestSupport.h"

namespace {

// Every paint event a widget receives, with its region.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
  std::vector<QRegion> paints;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) paints.push_back(static_cast<QPaintEvent*>(event)->region());
    return false;
  }
};

// What the window's flushed backing store holds over `child`: old paints
// that were never painted over are still in it.
QImage OnScreen(QWidget* window, const QWidget* child) {
  const QPoint at = child->mapTo(window, QPoint(0, 0));
  return QGuiApplication::primaryScreen()
      ->grabWindow(window->winId(), at.x(), at.y(), child->width(), child->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

int Area(const QRegion& region) {
  int area = 0;
  for (const QRect& rect : region) area += rect.width() * rect.height();
  return area;
}

// One report of a display: what it does, and what it may repaint (an empty
// region: nothing at all).
struct Report {
  std::string name;
  std::function<void()> apply;
  std::function<QRegion()> mayPaint;
};

void RunReports(PatternParent& window, QWidget* display, const std::vector<Report>& reports) {
  PaintRecorder recorder(display);
  for (const Report& report : reports) {
    const QRegion allowed = report.mayPaint();
    report.apply();
    Pump(30);
    QRegion painted;
    for (const QRegion& region : recorder.paints) painted += region;
    if (allowed.isEmpty()) {
      EXPECT_TRUE(painted.isEmpty()) << report.name << ": painted " << Area(painted) << " pixels";
    } else {
      EXPECT_FALSE(painted.isEmpty()) << report.name;
      EXPECT_TRUE(allowed.contains(painted.boundingRect()) || (painted - allowed).isEmpty())
          << report.name << ": painted " << Area(painted) << " pixels, allowed " << Area(allowed);
    }
    EXPECT_EQ(OnScreen(&window, display), ScreenPixels(&window, display)) << report.name;
    recorder.paints.clear();
  }
}

struct Shown : ::testing::Test {
  PatternParent window;
  void SetUp() override { window.resize(600, 120); }
  void Show() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Pump(50);
  }
};

}  // namespace

TEST_F(Shown, TheSliderRepaintsItsThumbOnlyWhenItMoves) {
  CVideoSlider slider(&window, 1008);
  slider.setGeometry(10, 10, 500, 20);
  slider.SetRange(0, 1000, false);
  Show();
  std::vector<Report> reports;
  for (const int position : {0, 1, 1, 500, 501, 502, 1000, 1000, 250, 0}) {
    reports.push_back({"position " + std::to_string(position), [&slider, position] { slider.SetPos(position); },
                       [&slider, position] {
                         const QRect before = slider.GetThumbRect();
                         const int old = slider.GetPos();
                         slider.blockSignals(true);
                         slider.setValue(position);
                         const QRect after = slider.GetThumbRect();
                         slider.setValue(old);
                         slider.blockSignals(false);
                         return before == after ? QRegion() : QRegion(before) + QRegion(after);
                       }});
  }
  RunReports(window, &slider, reports);
}

TEST_F(Shown, TheCurveRepaintsTheCursorStripsAndTheLegendsThatChanged) {
  CGSensorCtrl curve(&window, 1003);
  curve.setGeometry(5, 5, 546, 72);
  // 60 s at 10 samples a second: steady for the first half, then a bump.
  std::vector<GSensorSample> samples(600, GSensorSample{10, -20, 64});
  for (size_t i = 300; i < 600; ++i) samples[i] = GSensorSample{static_cast<int8_t>(i % 100), 5, -64};
  curve.SetScale(8, 5.0);
  curve.LoadSamples(static_cast<int32_t>(samples.size()), samples.data());
  curve.SetSamplesPerMs(0.01);
  curve.UpdateTimeAxis();
  Show();

  const int legendRow = 24;
  auto strip = [&curve] { return QRect(curve.CursorX() - 2, 0, 5, curve.height()); };
  auto cursorMove = [&curve, strip](int ms, bool legends) {
    return [&curve, strip, ms, legends] {
      const QRect before = strip();
      const double old = curve.m_cursorMs;
      curve.m_cursorMs = ms;
      const QRect after = strip();
      curve.m_cursorMs = old;
      QRegion allowed;
      if (before != after) allowed = QRegion(before) + QRegion(after);
      if (legends) allowed += QRect(0, 0, curve.width(), legendRow);
      return allowed;
    };
  };
  std::vector<Report> reports;
  // Within the steady half the legends keep their values.
  for (const int ms : {0, 10, 250, 250, 20000, 20050, 29000}) {
    reports.push_back({"cursor " + std::to_string(ms), [&curve, ms] { curve.SetCursor(ms); }, cursorMove(ms, false)});
  }
  for (const int ms : {30100, 30200, 45678, 59999}) {
    reports.push_back({"cursor " + std::to_string(ms), [&curve, ms] { curve.SetCursor(ms); }, cursorMove(ms, true)});
  }
  // What changes the curves themselves repaints the whole strip.
  const QRegion whole(curve.rect());
  reports.push_back({"idle",
                     [&curve] {
                       curve.SetIdle(true);
                       curve.Repaint();
                     },
                     [whole] { return whole; }});
  reports.push_back({"idle again", [&curve] { curve.Repaint(); }, [] { return QRegion(); }});
  reports.push_back({"playing",
                     [&curve] {
                       curve.SetIdle(false);
                       curve.SetCursor(100);
                     },
                     [whole] { return whole; }});
  RunReports(window, &curve, reports);
}

TEST_F(Shown, SpeedAndCompassRepaintOnlyWhenWhatTheyShowChanges) {
  CSpeedLabelStatic speed(&window, 1056);
  speed.setGeometry(10, 10, 90, 34);
  CPngCompassStatic compass(&window, 1055);
  compass.setGeometry(120, 10, 32, 32);
  for (uint32_t id = 167; id <= 174; ++id) ASSERT_TRUE(compass.AddPicture(id));
  Show();

  const QRegion figures(speed.rect());
  const QRegion none;
  std::vector<Report> speeds;
  // 0 to 5 km/h all show 0.
  for (const uint16_t kmh : {0, 3, 5})
    speeds.push_back(
        {"speed " + std::to_string(kmh), [&speed, kmh] { speed.SetSpeed(true, kmh); }, [none] { return none; }});
  speeds.push_back({"speed 6", [&speed] { speed.SetSpeed(true, 6); }, [figures] { return figures; }});
  speeds.push_back({"speed 6 again", [&speed] { speed.SetSpeed(true, 6); }, [none] { return none; }});
  speeds.push_back({"no reading", [&speed] { speed.SetSpeed(false, 0); }, [figures] { return figures; }});
  speeds.push_back({"no reading again", [&speed] { speed.SetSpeed(false, 0); }, [none] { return none; }});
  speeds.push_back({"speed 123", [&speed] { speed.SetSpeed(true, 123); }, [figures] { return figures; }});
  RunReports(window, &speed, speeds);

  const QRegion rose(compass.rect());
  std::vector<Report> headings;
  headings.push_back({"heading 0", [&compass] { compass.SetHeading(0); }, [rose] { return rose; }});
  // 10 and 22 degrees round to the north-up picture as well.
  for (const int degrees : {10, 22, 338})
    headings.push_back({"heading " + std::to_string(degrees), [&compass, degrees] { compass.SetHeading(degrees); },
                        [none] { return none; }});
  headings.push_back({"heading 23", [&compass] { compass.SetHeading(23); }, [rose] { return rose; }});
  headings.push_back({"no heading", [&compass] { compass.ClearHeading(); }, [rose] { return rose; }});
  headings.push_back({"no heading again", [&compass] { compass.ClearHeading(); }, [none] { return none; }});
  RunReports(window, &compass, headings);
}
