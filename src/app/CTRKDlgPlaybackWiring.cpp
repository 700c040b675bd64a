// The playback controller wired to the window's controls: every connection
// between them is made here, once, as the controls are set up.
#include "app/CTRKDlg.h"

void CTRKDlg::SetUpPlaybackConnections() {
  CPlaybackController* playback = m_playback;

  // controller -> PLAY
  connect(playback, &CPlaybackController::StateChanged, this, &CTRKDlg::OnPlayerState);

  // controller -> slider and instruments (curve, map, speed, compass)
  connect(playback, &CPlaybackController::TimeReported, this, &CTRKDlg::OnPlayerTime);
  connect(playback, &CPlaybackController::GpsIconStateChanged, this, &CTRKDlg::ShowGpsIconState);

  // controller -> window (the next recording, the error box)
  connect(playback, &CPlaybackController::Ended, this, &CTRKDlg::OnPlayerEnd);
  connect(playback, &CPlaybackController::Failed, this, &CTRKDlg::OnPlayerError);

  // controller -> video surface: the still of a long pause
  connect(playback, &CPlaybackController::StillChanged, this,
          [this](const QString& still) { m_ui.m_video.ShowStill(still.isEmpty() ? QImage() : QImage(still)); });

  // curve and map -> controller: a click plays from the moment under it
  connect(&m_ui.m_gsensor, &CGSensorCtrl::TimeClicked, this, &CTRKDlg::PlayFrom);

  // slider -> controller
  connect(&m_ui.m_positionSlider, &CSliderCtrl::HScroll, this, [this](int) { OnPositionSliderScroll(); });
  connect(&m_ui.m_volumeSlider, &CSliderCtrl::HScroll, this, [this](int) { OnVolumeChanged(); });
  connect(&m_ui.m_positionSlider, &CVideoSlider::SeekRequested, this,
          [this] { AfterPlaybackSteps([this] { OnSeekRequest(); }); });
  connect(&m_ui.m_volumeSlider, &CMySliderControl::VolumeChanged, this,
          [this] { AfterPlaybackSteps([this] { OnVolumeChanged(); }); });

  // lists -> controller: a double-click plays the group or the recording
  connect(&m_ui.m_groupList, &CTrkGroupListCtrl::GroupActivated, this,
          [this](int row) { AfterPlaybackSteps([this, row] { OnPlayGroup(row); }); });
  connect(&m_ui.m_fileList, &CTrkFileListCtrl::FileActivated, this,
          [this](int row) { AfterPlaybackSteps([this, row] { OnPlayFile(row); }); });

  // video surface -> full screen
  connect(&m_ui.m_video, &CVideoStatic::FullScreenToggleRequested, this,
          [this] { AfterPlaybackSteps([this] { OnToggleFullScreen(); }); });
  connect(&m_ui.m_videoBg, &CVideoStaticBg::FullScreenToggleRequested, this,
          [this] { AfterPlaybackSteps([this] { OnToggleFullScreen(); }); });
}
