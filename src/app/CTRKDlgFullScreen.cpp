// Full-screen mode: a double-click on the video switches between the normal
// layout and the video alone over the whole monitor.
#include "map/CHtmlMapDlg.h"
#include "app/CTRKDlg.h"

void CTRKDlg::OnToggleFullScreen() {
  // Only a playing video is paused for the switch and resumed after it: a
  // stopped player must not start, a paused one stays paused.
  if (m_library.Recordings().empty()) return;
  const bool wasPlaying = m_playback->PauseIfPlaying();

  if (!m_fullScreen) {
    const QRect g = geometry();
    m_savedRect = {g.top(), g.left(), m_clientWidth, m_clientHeight};
    const QRect monitor = MonitorRect();
    const int mw = monitor.width();
    const int mh = monitor.height();
    m_maximized = 0;
    m_fullScreen = 1;
    ShowControls(false);
    // A window that already spans the monitor in one direction gets one
    // pixel less height, as the window this layout was made for did.
    const int h = (mw == m_clientWidth || mh == m_clientHeight) ? mh - 1 : mh;
    setGeometry(monitor.left(), monitor.top(), mw, h);
    raise();
    show();
    // The size event may not come (same size as before): shape, layout and
    // title follow the mode here in any case.
    ApplyWindowShape();
    LayoutControls(width(), height());
    update();
    m_ui.m_play.setFocus();
    m_ui.m_video.repaint();
  } else {
    m_fullScreen = 0;
    ShowControls(true);
    setGeometry(m_savedRect.left, m_savedRect.top, m_savedRect.width, m_savedRect.height);
    raise();
    show();
    ApplyWindowShape();
    // The last normal layout may have been for this very size, so the size
    // event would not lay out again; the controls come back from the
    // full-screen places now.
    LayoutControls(width(), height());
    if (m_mapDlg && m_mapEnabled) RepaintMapHost();
    update();
  }

  if (wasPlaying) m_playback->Play();
}

void CTRKDlg::ShowControls(bool show) {
  m_ui.m_gsensor.setVisible(show && m_gsensorEnabled != 0);
  QWidget* const controls[] = {
      &m_ui.m_play,         &m_ui.m_stop,      &m_ui.m_slow,  &m_ui.m_fast,      &m_ui.m_del,
      &m_ui.m_save,         &m_ui.m_snap,      &m_ui.m_open,  &m_ui.m_loop,      &m_ui.m_flip,
      &m_ui.m_kml,          &m_ui.m_mapButton, &m_ui.m_gsr,   &m_ui.m_lock,      &m_ui.m_positionSlider,
      &m_ui.m_volumeSlider, &m_ui.m_gpsIcon,   &m_ui.m_close, &m_ui.m_maximize,  &m_ui.m_minimize,
      &m_ui.m_about,        &m_ui.m_volume,    &m_ui.m_car,   &m_ui.m_groupList, &m_ui.m_fileList,
      &m_ui.m_speed,        &m_ui.m_sizeS,     &m_ui.m_sizeM, &m_ui.m_sizeL,
  };
  for (QWidget* control : controls) control->setVisible(show);
  m_ui.m_progressBoard.hide();
  if (m_mapDlg) {
    if (m_mapEnabled && show) {
      m_mapDlg->show();
    } else {
      // Parked, not hidden: the page keeps running behind the video.
      m_mapDlg->setGeometry(0, 0, 1, 1);
    }
  }
}
