// The playback controller wired to the window's controls: every connection
// between them is made here, once, as the controls are set up.
#include "CTRKDlg.h"

namespace {
// WM_PLAYER_ERROR's code for the player's own error (text 102).
constexpr qintptr kPlayerErrorCode = 1;
}  // namespace

void CTRKDlg::SetUpPlaybackConnections() {
  CPlaybackController* playback = m_playback.get();
  // The first time report after a start releases the busy guard.
  playback->SetBusyGuard(&g_busy);

  // controller -> PLAY
  connect(playback, &CPlaybackController::StateChanged, this, &CTRKDlg::OnPlayerState);

  // controller -> slider and instruments (curve, map, speed, compass)
  connect(playback, &CPlaybackController::TimeReported, this, &CTRKDlg::OnPlayerTime);
  connect(playback, &CPlaybackController::GpsIconStateChanged, this, &CTRKDlg::ShowGpsIconState);

  // controller -> window (the next recording, the error box)
  connect(playback, &CPlaybackController::Ended, this, &CTRKDlg::OnPlayerEnd);
  connect(playback, &CPlaybackController::Failed, this, [this] { OnPlayerError(kPlayerErrorCode); });

  // controller -> video surface: the still of a long pause
  connect(playback, &CPlaybackController::StillChanged, this,
          [this](const QString& still) { m_video.ShowStill(still.isEmpty() ? QImage() : QImage(still)); });

  // curve and map -> controller: a click plays from the moment under it
  connect(&m_gsensor, &CGSensorCtrl::TimeClicked, this, &CTRKDlg::PlayFrom);

  // slider -> controller
  connect(&m_positionSlider, &CSliderCtrl::HScroll, this, [this](int) { OnPositionSliderScroll(); });
  connect(&m_volumeSlider, &CSliderCtrl::HScroll, this, [this](int) { OnVolumeChanged(); });
}
