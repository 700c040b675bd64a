// The playback controller wired to the window's controls: every connection
// between them is made here, once, as the controls are set up.
#include "app/CTRKDlg.h"
#include "app/PlaybackPresenter.h"

void PlaybackPresenter::SetUpPlaybackConnections() {
  CPlaybackController* playback = &m_playback;

  // window -> playback: nothing more is asked of the player once it has closed
  connect(&m_window, &CTRKDlg::Closed, this, [this] { m_closed = true; });

  // controller -> PLAY
  connect(playback, &CPlaybackController::StateChanged, this, &PlaybackPresenter::OnPlayerState);

  // controller -> slider and instruments (curve, map, speed, compass)
  connect(playback, &CPlaybackController::TimeReported, this, &PlaybackPresenter::OnPlayerTime);
  connect(playback, &CPlaybackController::GpsIconStateChanged, this, &PlaybackPresenter::ShowGpsIconState);

  // controller -> window (the next recording, the error box)
  connect(playback, &CPlaybackController::Ended, this, &PlaybackPresenter::OnPlayerEnd);
  connect(playback, &CPlaybackController::Failed, this, &PlaybackPresenter::OnPlayerError);

  // controller -> video surface: the still of a long pause
  connect(playback, &CPlaybackController::StillChanged, this,
          [this](const QString& still) { Ui().m_video.ShowStill(still.isEmpty() ? QImage() : QImage(still)); });

  // curve and map -> controller: a click plays from the moment under it
  connect(&Ui().m_gsensor, &CGSensorCtrl::TimeClicked, this, &PlaybackPresenter::PlayFrom);

  // slider -> controller
  connect(&Ui().m_positionSlider, &CSliderCtrl::HScroll, this, [this](int) { OnPositionSliderScroll(); });
  connect(&Ui().m_volumeSlider, &CSliderCtrl::HScroll, this, [this](int) { OnVolumeChanged(); });
  connect(&Ui().m_positionSlider, &CVideoSlider::SeekRequested, this,
          [this] { AfterPlaybackSteps([this] { OnSeekRequest(); }); });
  connect(&Ui().m_volumeSlider, &CMySliderControl::VolumeChanged, this,
          [this] { AfterPlaybackSteps([this] { OnVolumeChanged(); }); });

  // lists -> controller: a double-click plays the group or the recording
  connect(&Ui().m_groupList, &CTrkGroupListCtrl::GroupActivated, this,
          [this](int row) { AfterPlaybackSteps([this, row] { OnPlayGroup(row); }); });
  connect(&Ui().m_fileList, &CTrkFileListCtrl::FileActivated, this,
          [this](int row) { AfterPlaybackSteps([this, row] { OnPlayFile(row); }); });

  // video surface -> full screen
  connect(&Ui().m_video, &CVideoStatic::FullScreenToggleRequested, this,
          [this] { AfterPlaybackSteps([this] { m_window.Frame().OnToggleFullScreen(); }); });
  connect(&Ui().m_videoBg, &CVideoStaticBg::FullScreenToggleRequested, this,
          [this] { AfterPlaybackSteps([this] { m_window.Frame().OnToggleFullScreen(); }); });
}
