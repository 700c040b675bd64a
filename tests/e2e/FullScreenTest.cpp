// Full-screen mode: a double-click on either video control switches, the
// window covers the monitor with the video alone, and the next double-click
// puts every control and the window's rectangle back.
#include <QTest>

#include "CHtmlMapDlg.h"
#include "CommandsSupport.h"
#include "PrivateMessages.h"

namespace {

class FullScreen : public e2e::WindowTest {
 protected:
  void DoubleClick(QWidget* target) {
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
  }

  std::vector<QWidget*> NormalControls() {
    CTRKDlg& d = dlg();
    return {&d.m_play,           &d.m_stop,         &d.m_slow,     &d.m_fast,      &d.m_del,
            &d.m_save,           &d.m_snap,         &d.m_open,     &d.m_loop,      &d.m_kml,
            &d.m_mapButton,      &d.m_gsr,          &d.m_lock,     &d.m_positionSlider,
            &d.m_volumeSlider,   &d.m_gpsIcon,      &d.m_close,    &d.m_maximize,  &d.m_minimize,
            &d.m_about,          &d.m_volume,       &d.m_car,      &d.m_groupList, &d.m_fileList,
            &d.m_speed,          &d.m_sizeS,        &d.m_sizeM,    &d.m_sizeL};
  }

  void PlaceWindow(const QRect& rect) {
    dlg().setGeometry(rect);
    ASSERT_TRUE(WaitFor([&] { return dlg().m_clientWidth == rect.width() && dlg().m_clientHeight == rect.height(); }));
  }
};

}  // namespace

TEST_F(FullScreen, EntersAndLeavesWithThePlaceAndSizeRestoredExactly) {
  OpenCard();
  PlaceWindow(QRect(130, 70, 800, 560));
  const QRect mapPlace = dlg().m_mapDlg->geometry();
  const QRect videoPlace = dlg().m_video.geometry();

  DoubleClick(&dlg().m_video);
  const QRect monitor = dlg().MonitorRect();
  ASSERT_EQ(monitor.size(), QSize(1920, 1080));
  EXPECT_EQ(dlg().m_fullScreen, 1);
  EXPECT_EQ(dlg().geometry(), monitor);  // neither side matched: the whole monitor
  for (QWidget* control : NormalControls()) EXPECT_FALSE(control->isVisible()) << control->objectName().toStdString();
  EXPECT_FALSE(dlg().m_gsensor.isVisible());
  EXPECT_FALSE(dlg().m_progressBoard.isVisible());
  // The map page keeps running, parked in a corner.
  EXPECT_TRUE(dlg().m_mapDlg->isVisible());
  EXPECT_EQ(dlg().m_mapDlg->geometry(), QRect(0, 0, 1, 1));
  // The video takes the monitor: 320 x 240 fitted into 1920 x 1080.
  EXPECT_EQ(dlg().m_videoBg.geometry(), QRect(QPoint(0, 0), monitor.size()));
  EXPECT_EQ(dlg().m_video.geometry(), QRect((1920 - 1440) / 2, 0, 1440, 1080));
  EXPECT_EQ(dlg().mask(), QRegion(0, 0, 1920, 1080));
  // Paused for the switch, playing again after it.
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  const QImage shot = GrabScreen(monitor);
  SaveArtifact(shot, "e2e-fullscreen.png");

  // MAP does nothing in full screen.
  dlg().OnCommand(IDC_MAP);
  EXPECT_EQ(dlg().m_mapEnabled, 1);

  // Back by a double-click on the background as well as on the picture.
  DoubleClick(&dlg().m_videoBg);
  EXPECT_EQ(dlg().m_fullScreen, 0);
  EXPECT_EQ(dlg().geometry(), QRect(130, 70, 800, 560));
  for (QWidget* control : NormalControls()) EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
  EXPECT_TRUE(dlg().m_gsensor.isVisible());
  EXPECT_TRUE(dlg().m_flip.isVisible());  // in the list, so shown, still disabled
  EXPECT_FALSE(dlg().m_flip.isEnabled());
  EXPECT_FALSE(dlg().m_conf.isVisible());
  EXPECT_FALSE(dlg().m_compass.isVisible());
  EXPECT_EQ(dlg().m_mapDlg->geometry(), mapPlace);
  EXPECT_EQ(dlg().m_video.geometry(), videoPlace);
  EXPECT_NE(dlg().mask(), QRegion(0, 0, 800, 560));  // the rounded shape again
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
}

TEST_F(FullScreen, AWindowSpanningTheMonitorOneWayGetsOnePixelLess) {
  OpenCard();
  PlaceWindow(QRect(0, 0, 1920, 1040));
  DoubleClick(&dlg().m_video);
  EXPECT_EQ(dlg().geometry(), QRect(0, 0, 1920, 1079));
  DoubleClick(&dlg().m_video);
  EXPECT_EQ(dlg().geometry(), QRect(0, 0, 1920, 1040));
}

TEST_F(FullScreen, PausedStaysPausedAndStoppedStaysStopped) {
  OpenCard();
  dlg().Playback().Engine().Pause();
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPaused(); }));
  DoubleClick(&dlg().m_video);
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  DoubleClick(&dlg().m_video);
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());

  dlg().Playback().Engine().Stop();
  DoubleClick(&dlg().m_video);
  DoubleClick(&dlg().m_video);
  Pump(500);
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying()) << "a stopped recording must not start";
}

TEST_F(FullScreen, DisabledPanelsStayHiddenAfterLeaving) {
  OpenCard();
  dlg().OnCommand(IDC_GSR);
  dlg().OnCommand(IDC_MAP);
  DoubleClick(&dlg().m_video);
  EXPECT_EQ(dlg().m_mapDlg->geometry(), QRect(0, 0, 1, 1));
  DoubleClick(&dlg().m_video);
  EXPECT_FALSE(dlg().m_gsensor.isVisible());
  EXPECT_FALSE(dlg().m_mapDlg->isVisible());
  // WM_SHOW_CONTROLS shows the controls as leaving does, panels by their flags.
  dlg().m_play.hide();
  SendPrivateMessage(&dlg(), WM_SHOW_CONTROLS);
  EXPECT_TRUE(dlg().m_play.isVisible());
  EXPECT_FALSE(dlg().m_gsensor.isVisible());
}

TEST_F(FullScreen, DoubleClickWithAnEmptyLibraryDoesNothing) {
  const QRect before = dlg().geometry();
  DoubleClick(&dlg().m_video);
  EXPECT_EQ(dlg().m_fullScreen, 0);
  EXPECT_EQ(dlg().geometry(), before);
  EXPECT_TRUE(dlg().m_play.isVisible());
}
