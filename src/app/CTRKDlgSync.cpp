// Keeping every display in step with the video: the player's reports, the
// seek request and its application by the 500 ms timer, and the marquee
// repeats.
#include "app/CTRKDlg.h"
#include "map/TrackDrawing.h"
#include "app/TrkMessageBox.h"

void CTRKDlg::ShowGpsIconState(int32_t state) {
  if (state == m_ui.m_gpsIcon.State()) return;
  m_ui.m_gpsIcon.SetState(state);
  m_ui.m_gpsIcon.update();
}

void CTRKDlg::ResetPositionSlider() {
  // Reports posted before this moment would put the old position back.
  m_playback->BeginNewTimeReports();
  m_ui.m_positionSlider.SetPos(0);
}

void CTRKDlg::UpdateTimeDisplays(int64_t timeMs) {
  // Each display paints only what it changed: the curve its cursor strips
  // and legends at once, the slider's thumb, new figures or pictures at the
  // next turn of the event loop.
  m_playback->SetGpsIconState(UpdatePosition(m_library, timeMs, m_gsensorEnabled != 0, m_mapEnabled != 0));
  ShowGpsIconState(m_playback->GpsIconState());
}

void CTRKDlg::OnPlayerTime(int64_t timeMs, int32_t sliderPosition) {
  m_ui.m_positionSlider.SetPos(sliderPosition);
  UpdateTimeDisplays(timeMs);
}

void CTRKDlg::OnPlayerState(PlayerState state) {
  // A Playing report queued before a pause arrives after it: PLAY follows
  // what the player was last told, not the report's age.
  const bool running = state == PlayerState::Starting || state == PlayerState::Playing;
  ShowPlayPicture(running && !m_playback->IsPaused());
}

void CTRKDlg::OnPlayerError() { TrkMessageBox(this, LoadQText(102), QString(), QMessageBox::Ok, QMessageBox::NoIcon); }

void CTRKDlg::OnVolumeChanged() { m_playback->SetVolume(2 * m_ui.m_volumeSlider.GetPos()); }

void CTRKDlg::OnSeekRequest() { RequestSeek(m_playback->SeekTargetAt(m_ui.m_positionSlider.GetPos())); }

void CTRKDlg::RequestSeek(int64_t targetMs) {
  m_playback->SetSeekTarget(targetMs);
  UpdateTimeDisplays(targetMs);
}

void CTRKDlg::ApplyPendingSeek() {
  m_playback->ApplyPendingSeek([this](int64_t target) { RedrawDrivenPath(m_library, static_cast<uint32_t>(target)); });
}

void CTRKDlg::OnMarqueeTick() {
  ShowSpeedMarquee();
  if (m_marqueeRepeats != 0) {
    --m_marqueeRepeats;
  } else {
    KillTimer(TimerId::Marquee);
  }
}

void CTRKDlg::AfterPlaybackSteps(const std::function<void()>& work) {
  // A list's double-click, a slider or full screen would slip in between the
  // steps of a stop-and-reopen: they wait for its end, in their order.
  if (!HoldWhilePlaybackSteps(work)) work();
}

bool CTRKDlg::OnPlaybackTimer(TimerId id) {
  switch (id) {
    case TimerId::Marquee:
      OnMarqueeTick();
      return true;
    case TimerId::Seek:
      // A blocked window would have missed the tick too.
      if (!m_playback->IsRunningSteps()) ApplyPendingSeek();
      return true;
    default:
      return false;
  }
}
