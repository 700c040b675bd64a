// Keeping every display in step with the video: the player's reports, the
// seek request and its application by the 500 ms timer, the marquee
// repeats, and the seeks, frame steps and volume changes of the keys and
// the wheel.
#include <algorithm>
#include <cmath>

#include "app/CTRKDlg.h"
#include "app/PlaybackPresenter.h"
#include "map/TrackDrawing.h"
#include "app/TrkMessageBox.h"
#include "playback/RateTable.h"

namespace {

constexpr int kWheelNotch = 120;  // angle delta of one notch, eighths of a degree
constexpr int64_t kWheelSeekMs = 5000;
// Recordings whose picture rate the player does not tell.
constexpr double kFallbackFps = 30.0;

}  // namespace

void PlaybackPresenter::ShowGpsIconState(int32_t state) {
  if (state == Ui().m_gpsIcon.State()) return;
  Ui().m_gpsIcon.SetState(state);
  Ui().m_gpsIcon.update();
}

void PlaybackPresenter::ResetPositionSlider() {
  // Reports posted before this moment would put the old position back.
  m_playback.BeginNewTimeReports();
  Ui().m_positionSlider.SetPos(0);
}

void PlaybackPresenter::UpdateTimeDisplays(int64_t timeMs) {
  // Each display paints only what it changed: the curve its cursor strips
  // and legends at once, the slider's thumb, new figures or pictures at the
  // next turn of the event loop.
  m_playback.SetGpsIconState(m_trackDisplay.UpdatePosition(timeMs, m_window.IsGSensorEnabled(), m_window.IsMapEnabled()));
  ShowGpsIconState(m_playback.GpsIconState());
}

void PlaybackPresenter::OnPlayerTime(int64_t timeMs, int32_t sliderPosition) {
  Ui().m_positionSlider.SetPos(sliderPosition);
  UpdateTimeDisplays(timeMs);
}

void PlaybackPresenter::OnPlayerState(PlayerState state) {
  // A Playing report queued before a pause arrives after it: PLAY follows
  // what the player was last told, not the report's age.
  const bool running = state == PlayerState::Starting || state == PlayerState::Playing;
  ShowPlayPicture(running && !m_playback.IsPaused());
}

void PlaybackPresenter::OnPlayerError() {
  TrkMessageBox(&m_window, LoadQText(102), QString(), QMessageBox::Ok, QMessageBox::NoIcon);
}

void PlaybackPresenter::OnVolumeChanged() { m_playback.SetVolume(2 * Ui().m_volumeSlider.GetPos()); }

void PlaybackPresenter::OnSeekRequest() { RequestSeek(m_playback.SeekTargetAt(Ui().m_positionSlider.GetPos())); }

void PlaybackPresenter::RequestSeek(int64_t targetMs) {
  m_playback.SetSeekTarget(targetMs);
  UpdateTimeDisplays(targetMs);
}

void PlaybackPresenter::ApplyPendingSeek() {
  m_playback.ApplyPendingSeek([this](int64_t target) { m_trackDisplay.RedrawDrivenPath(static_cast<uint32_t>(target)); });
}

void PlaybackPresenter::OnMarqueeTick() {
  ShowSpeedMarquee();
  if (m_marqueeRepeats != 0) {
    --m_marqueeRepeats;
  } else {
    m_window.KillTimer(TimerId::Marquee);
  }
}

void PlaybackPresenter::AfterPlaybackSteps(const std::function<void()>& work) {
  // A list's double-click, a slider or full screen would slip in between the
  // steps of a stop-and-reopen: they wait for its end, in their order.
  if (!HoldWhilePlaybackSteps(work)) work();
}

bool PlaybackPresenter::OnPlaybackTimer(TimerId id) {
  switch (id) {
    case TimerId::Marquee:
      OnMarqueeTick();
      return true;
    case TimerId::Seek:
      // A blocked window would have missed the tick too.
      if (!m_playback.IsRunningSteps()) ApplyPendingSeek();
      return true;
    default:
      return false;
  }
}

int64_t PlaybackPresenter::FrameMs() const {
  double fps = m_playback.Fps();
  if (!(fps > 0.0)) fps = kFallbackFps;
  return std::max<int64_t>(1, std::llround(1000.0 / fps));
}

void PlaybackPresenter::SeekBy(int64_t deltaMs) {
  // Presses in quick succession add up: they start from the seek still pending.
  const int64_t pending = m_playback.SeekTarget();
  const int64_t from = pending != 0 ? pending : m_playback.TimeMs();
  if (from < 0) return;
  SeekTo(from + deltaMs);
}

void PlaybackPresenter::SeekTo(int64_t wantedMs) {
  const CPlaybackController& player = m_playback;
  if (m_library.Recordings().empty() || !(player.IsPlaying() || player.IsPaused())) return;
  const int64_t length = player.LengthMs();
  if (length <= 0) return;
  // Clamped to the recording: the end is its last picture, so that a seek
  // there shows it instead of ending the recording.
  const int64_t last = std::max(kFirstSeekableMs, length - FrameMs());
  const int64_t target = std::clamp(wantedMs, kFirstSeekableMs, last);
  // Reports of the old time must not put the slider back.
  m_playback.BeginNewTimeReports();
  Ui().m_positionSlider.SetPos(SliderPositionFor(target, length));
  RequestSeek(target);
}

void PlaybackPresenter::StepFrame(int direction) {
  if (m_library.Recordings().empty()) return;
  const int64_t length = m_playback.LengthMs();
  if (length <= 0) return;
  // The last picture, not the end: a step there must not end the recording.
  double fps = m_playback.Fps();
  if (!(fps > 0.0)) fps = kFallbackFps;
  const int64_t shown = m_playback.StepFrame(direction, 1000.0 / fps, 0, length - FrameMs());
  if (shown < 0) return;
  Ui().m_positionSlider.SetPos(SliderPositionFor(shown, length));
  UpdateTimeDisplays(shown);
  m_trackDisplay.RedrawDrivenPath(static_cast<uint32_t>(shown));
}

void PlaybackPresenter::ChangeVolumeBy(int delta) {
  Ui().m_volumeSlider.SetPos(Ui().m_volumeSlider.GetPos() + delta);
  OnVolumeChanged();
}

void PlaybackPresenter::ToggleMute() {
  // Vol's handler reads the picture the button switched to, as after a click.
  Ui().m_volume.SetShowSecond(!Ui().m_volume.ShowsSecond());
  Ui().m_volume.update();
  Ui().m_volume.click();
}

void PlaybackPresenter::PlayNeighbour(int step) {
  const auto count = static_cast<int32_t>(m_library.Recordings().size());
  if (count == 0) return;
  const int32_t current = m_library.CurrentRecording();
  const int32_t next = current < 0 ? 0 : current + step;
  if (next < 0 || next >= count) return;
  // The file list's double-click on that row, with its busy guard.
  OnPlayFile(next);
}

void PlaybackPresenter::OnWheelTurn(bool overVideo, int angleDelta) {
  int& rest = overVideo ? m_volumeWheelRest : m_seekWheelRest;
  rest += angleDelta;
  const int notches = rest / kWheelNotch;
  rest -= notches * kWheelNotch;
  if (notches == 0 || m_closed) return;
  auto turn = [this, overVideo, notches] {
    if (overVideo) {
      ChangeVolumeBy(notches * kVolumeStep);
    } else {
      SeekBy(notches * kWheelSeekMs);
    }
  };
  if (!HoldWhilePlaybackSteps(turn)) turn();
}
