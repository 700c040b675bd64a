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
    m_play.setFocus();
    m_video.repaint();
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
  m_gsensor.setVisible(show && m_gsensorEnabled != 0);
  QWidget* const controls[] = {
      &m_play,   &m_stop,           &m_slow,           &m_fast,     &m_del,    &m_save,     &m_snap,
      &m_open,   &m_loop,           &m_flip,           &m_kml,      &m_mapButton, &m_gsr,   &m_lock,
      &m_positionSlider, &m_volumeSlider, &m_gpsIcon, &m_close,   &m_maximize, &m_minimize, &m_about,
      &m_volume, &m_car,            &m_groupList,      &m_fileList, &m_speed,  &m_sizeS,    &m_sizeM,
      &m_sizeL,
  };
  for (QWidget* control : controls) control->setVisible(show);
  m_progressBoard.hide();
  if (m_mapDlg) {
    if (m_mapEnabled && show) {
      m_mapDlg->show();
    } else {
      // Parked, not hidden: the page keeps running behind the video.
      m_mapDlg->setGeometry(0, 0, 1, 1);
    }
  }
}
