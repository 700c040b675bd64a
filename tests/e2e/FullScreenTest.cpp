// Full-screen mode: a double-click on either video control switches, the
// window covers the monitor with the video alone, and the next double-click
// puts every control and the window's rectangle back.
#include <QSet>
#include <QTest>
#include <QWebEngineView>
#include <functional>

#include "map/CHtmlMapDlg.h"
#include "CommandsSupport.h"
#include "playback/MediaEngine.h"

namespace {

class FullScreen : public e2e::WindowTest {
 protected:
  void DoubleClick(QWidget* target) {
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
  }

  std::vector<QWidget*> NormalControls() {
    std::vector<QWidget*> controls;
    for (int id :
         {IDC_PLAY,          IDC_STOP,       IDC_SLOW,      IDC_FAST,     IDC_DEL,      IDC_SAVE,   IDC_SNAP,
          IDC_OPEN,          IDC_LOOP,       IDC_KML,       IDC_MAP,      IDC_GSR,      IDC_LOCK,   IDC_POSITION_SLIDER,
          IDC_VOLUME_SLIDER, IDC_GPS_ICON,   IDC_CLOSE,     IDC_MAXIMIZE, IDC_MINIMIZE, IDC_ABOUT,  IDC_VOLUME,
          IDC_CAR,           IDC_GROUP_LIST, IDC_FILE_LIST, IDC_SPEED,    IDC_SIZE_S,   IDC_SIZE_M, IDC_SIZE_L})
      controls.push_back(dlg().Control(id));
    return controls;
  }

  void PlaceWindow(const QRect& rect) {
    dlg().setGeometry(rect);
    ASSERT_TRUE(WaitFor([&] { return dlg().Frame().ClientSize() == rect.size(); }));
  }
};

}  // namespace

TEST_F(FullScreen, EntersAndLeavesWithThePlaceAndSizeRestoredExactly) {
  OpenCard();
  PlaceWindow(QRect(130, 70, 800, 560));
  const QRect mapPlace = dlg().MapDlg()->geometry();
  const QRect videoPlace = dlg().Ui().m_video.geometry();

  DoubleClick(dlg().Control(IDC_VIDEO));
  const QRect monitor = dlg().Frame().MonitorRect();
  ASSERT_EQ(monitor.size(), QSize(1920, 1080));
  EXPECT_TRUE(dlg().Frame().IsFullScreen());
  EXPECT_EQ(dlg().geometry(), monitor);  // neither side matched: the whole monitor
  for (QWidget* control : NormalControls()) EXPECT_FALSE(control->isVisible()) << control->objectName().toStdString();
  EXPECT_FALSE(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
  EXPECT_FALSE(dlg().ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).isVisible());
  // The map page keeps running, parked in a corner.
  EXPECT_TRUE(dlg().MapDlg()->isVisible());
  EXPECT_EQ(dlg().MapDlg()->geometry(), QRect(0, 0, 1, 1));
  // The video takes the monitor: 320 x 240 fitted into 1920 x 1080.
  EXPECT_EQ(dlg().ControlAs<CVideoStaticBg>(IDC_VIDEO_BG).geometry(), QRect(QPoint(0, 0), monitor.size()));
  EXPECT_EQ(dlg().Ui().m_video.geometry(), QRect((1920 - 1440) / 2, 0, 1440, 1080));
  EXPECT_EQ(dlg().mask(), QRegion(0, 0, 1920, 1080));
  // Paused for the switch, playing again after it.
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  const QImage shot = GrabScreen(monitor);
  SaveArtifact(shot, "e2e-fullscreen.png");

  // MAP does nothing in full screen.
  Press(dlg(), IDC_MAP);
  EXPECT_TRUE(dlg().IsMapEnabled());

  // Back by a double-click on the background as well as on the picture.
  DoubleClick(&dlg().ControlAs<CVideoStaticBg>(IDC_VIDEO_BG));
  EXPECT_FALSE(dlg().Frame().IsFullScreen());
  EXPECT_EQ(dlg().geometry(), QRect(130, 70, 800, 560));
  for (QWidget* control : NormalControls()) EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
  EXPECT_TRUE(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
  EXPECT_TRUE(dlg().Button(IDC_FLIP).isVisible());  // in the list, so shown, still disabled
  EXPECT_FALSE(dlg().Button(IDC_FLIP).isEnabled());
  EXPECT_FALSE(dlg().Button(IDC_CONF).isVisible());
  EXPECT_FALSE(dlg().ControlAs<CPngCompassStatic>(IDC_COMPASS).isVisible());
  EXPECT_EQ(dlg().MapDlg()->geometry(), mapPlace);
  EXPECT_EQ(dlg().Ui().m_video.geometry(), videoPlace);
  EXPECT_NE(dlg().mask(), QRegion(0, 0, 800, 560));  // the rounded shape again
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
}

TEST_F(FullScreen, AWindowSpanningTheMonitorOneWayGetsOnePixelLess) {
  OpenCard();
  PlaceWindow(QRect(0, 0, 1920, 1040));
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_EQ(dlg().geometry(), QRect(0, 0, 1920, 1079));
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_EQ(dlg().geometry(), QRect(0, 0, 1920, 1040));
}

TEST_F(FullScreen, PausedStaysPausedAndStoppedStaysStopped) {
  OpenCard();
  dlg().Playback().Engine().Pause();
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPaused(); }));
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());

  dlg().Playback().Engine().Stop();
  DoubleClick(dlg().Control(IDC_VIDEO));
  DoubleClick(dlg().Control(IDC_VIDEO));
  Pump(500);
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying()) << "a stopped recording must not start";
}

TEST_F(FullScreen, DisabledPanelsStayHiddenAfterLeaving) {
  OpenCard();
  Press(dlg(), IDC_GSR);
  Press(dlg(), IDC_MAP);
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_EQ(dlg().MapDlg()->geometry(), QRect(0, 0, 1, 1));
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_FALSE(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
  EXPECT_FALSE(dlg().MapDlg()->isVisible());
  // Showing the controls shows them as leaving does, panels by their flags.
  dlg().Button(IDC_PLAY).hide();
  dlg().Frame().ShowControls(true);
  EXPECT_TRUE(dlg().Button(IDC_PLAY).isVisible());
  EXPECT_FALSE(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
}

TEST_F(FullScreen, DoubleClickWithAnEmptyLibraryDoesNothing) {
  const QRect before = dlg().geometry();
  DoubleClick(dlg().Control(IDC_VIDEO));
  EXPECT_FALSE(dlg().Frame().IsFullScreen());
  EXPECT_EQ(dlg().geometry(), before);
  EXPECT_TRUE(dlg().Button(IDC_PLAY).isVisible());
}

// The map's web view lives in a window of its own: it must follow the host
// through every change of the layout and be drawn after each.
TEST_F(FullScreen, TheMapIsDrawnAfterEveryLayoutChange) {
  OpenCard();
  PlaceWindow(QRect(130, 70, 800, 560));
  CHtmlMapDlg& map = *dlg().MapDlg();
  auto dragGap = [&](auto gap, QPoint by) {
    return [&, gap, by] {
      const EdgeRect r = gap(*dlg().Frame().LastLayout());
      const QPoint from((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      SendMouse(&dlg(), QEvent::MouseButtonPress, from, Qt::LeftButton);
      SendMouse(&dlg(), QEvent::MouseMove, from + by, Qt::LeftButton);
      SendMouse(&dlg(), QEvent::MouseButtonRelease, from + by, Qt::NoButton);
    };
  };
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"full screen in and out",
       [&] {
         DoubleClick(dlg().Control(IDC_VIDEO));
         DoubleClick(dlg().Control(IDC_VIDEO));
       }},
      {"MAP off and on",
       [&] {
         Press(dlg(), IDC_MAP);
         Press(dlg(), IDC_MAP);
       }},
      {"M", [&] { Press(dlg(), IDC_SIZE_M); }},
      {"L", [&] { Press(dlg(), IDC_SIZE_L); }},
      {"S", [&] { Press(dlg(), IDC_SIZE_S); }},
      {"column gap", dragGap([](const LayoutResult& l) { return l.columnSplit; }, QPoint(-60, 0))},
      {"map gap", dragGap([](const LayoutResult& l) { return *l.rightColumn; }, QPoint(0, 40))},
  };
  for (const auto& [what, change] : changes) {
    change();
    QSet<QRgb> colours;
    EXPECT_TRUE(WaitFor(
        [&] {
          const QImage shown = GrabScreen(QRect(map.mapToGlobal(QPoint(0, 0)), map.size()));
          colours.clear();
          for (int y = 0; y < shown.height(); y += 2)
            for (int x = 0; x < shown.width(); x += 2) colours.insert(shown.pixel(x, y));
          return colours.size() > 32 && map.View()->window()->size() == map.contentsRect().size();
        },
        10000))
        << what << ": " << colours.size() << " colours, web window " << map.View()->window()->width();
  }
}
