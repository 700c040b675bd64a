// Full-screen mode: a double-click on the video switches between the normal
// layout and the video alone over the whole monitor.
#include "app/CTRKDlg.h"
#include "app/WindowFrame.h"
#include "map/CHtmlMapDlg.h"

void WindowFrame::OnToggleFullScreen() {
  // Only a playing video is paused for the switch and resumed after it: a
  // stopped player must not start, a paused one stays paused.
  if (m_window.Library().Recordings().empty()) return;
  CPlaybackController& playback = m_window.Playback();
  const bool wasPlaying = playback.PauseIfPlaying();

  if (!m_fullScreen) {
    RememberPlace();
    const QRect monitor = MonitorRect();
    const int mw = monitor.width();
    const int mh = monitor.height();
    m_maximized = false;
    m_fullScreen = true;
    ShowControls(false);
    // A window that already spans the monitor in one direction gets one
    // pixel less height, as the window this layout was made for did.
    const int h = (mw == m_clientSize.width() || mh == m_clientSize.height()) ? mh - 1 : mh;
    m_window.setGeometry(monitor.left(), monitor.top(), mw, h);
    m_window.raise();
    m_window.show();
    // The size event may not come (same size as before): shape, layout and
    // title follow the mode here in any case.
    ApplyWindowShape();
    m_window.LayoutControls(m_window.width(), m_window.height());
    m_window.update();
    m_window.Ui().m_play.setFocus();
    m_window.Ui().m_video.repaint();
  } else {
    m_fullScreen = false;
    ShowControls(true);
    ReturnToSavedPlace();
    ApplyWindowShape();
    // The last normal layout may have been for this very size, so the size
    // event would not lay out again; the controls come back from the
    // full-screen places now.
    m_window.LayoutControls(m_window.width(), m_window.height());
    if (m_window.IsMapEnabled()) RepaintMapHost();
    m_window.update();
  }

  if (wasPlaying) playback.Play();
}

void WindowFrame::ShowControls(bool show) {
  WindowControls& ui = m_window.Ui();
  ui.m_gsensor.setVisible(show && m_window.IsGSensorEnabled());
  QWidget* const controls[] = {
      &ui.m_play,     &ui.m_stop,     &ui.m_slow,           &ui.m_fast,         &ui.m_del,     &ui.m_save,
      &ui.m_snap,     &ui.m_open,     &ui.m_loop,           &ui.m_flip,         &ui.m_kml,     &ui.m_mapButton,
      &ui.m_gsr,      &ui.m_lock,     &ui.m_positionSlider, &ui.m_volumeSlider, &ui.m_gpsIcon, &ui.m_close,
      &ui.m_maximize, &ui.m_minimize, &ui.m_about,          &ui.m_volume,       &ui.m_car,     &ui.m_groupList,
      &ui.m_fileList, &ui.m_speed,    &ui.m_sizeS,          &ui.m_sizeM,        &ui.m_sizeL,
  };
  for (QWidget* control : controls) control->setVisible(show);
  ui.m_progressBoard.hide();
  if (CHtmlMapDlg* map = m_window.MapDlg()) {
    if (m_window.IsMapEnabled() && show) {
      map->show();
    } else {
      // Parked, not hidden: the page keeps running behind the video.
      map->setGeometry(0, 0, 1, 1);
    }
  }
}
