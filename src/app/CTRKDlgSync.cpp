// Keeping every display in step with the video: the media library's event
// callback, the player's private messages, the seek request and its
// application by the 500 ms timer, and the marquee repeats.
#include <QMetaObject>

#include "CTRKDlg.h"
#include "PrivateMessages.h"
#include "RateTable.h"
#include "TimeReportEvent.h"
#include "TrackDrawing.h"
#include "TrkMessageBox.h"

// libvlc's thread (a few events arrive on the window thread, from inside the
// engine's calls). Only atomics are touched here and the window thread is
// never waited for: it may be inside a call into libvlc (Stop) that waits for
// this callback to return.
void CTRKDlg::OnPlayerEvent(const libvlc_event_t* event, void* context) {
  if (event == nullptr || context == nullptr) return;
  auto* dlg = static_cast<CTRKDlg*>(context);
  switch (event->type) {
    case libvlc_MediaPlayerOpening:
      dlg->m_endsAtOpening = dlg->m_endReports.load();
      ++dlg->m_openingReports;
      dlg->m_seekTarget = 0;
      dlg->PostGpsIconState(0);
      break;
    case libvlc_MediaPlayerStopped:
      dlg->PostGpsIconState(0);
      break;
    case libvlc_MediaPlayerPlaying:
      ++dlg->m_playingReports;
      PostPrivateMessage(dlg, WM_PLAYER_STATE, 3);
      break;
    case libvlc_MediaPlayerPaused:
      dlg->m_seekTarget = 0;
      PostPrivateMessage(dlg, WM_PLAYER_STATE, 4);
      break;
    case libvlc_MediaPlayerEndReached:
      // The report carries its number: the window thread tells by it whether
      // the recording that ended is still the one loaded.
      PostPrivateMessage(dlg, WM_PLAYER_END, 1, static_cast<qintptr>(++dlg->m_endReports));
      dlg->m_seekTarget = 0;
      break;
    case libvlc_MediaPlayerEncounteredError:
      ++dlg->m_endReports;
      PostPrivateMessage(dlg, WM_PLAYER_ERROR, 1);
      break;
    case libvlc_MediaPlayerTimeChanged: {
      // While a seek is pending, reports of the old time are dropped.
      if (dlg->m_seekTarget.load() != 0) break;
      const int64_t length = dlg->m_engine.GetLength();
      const int64_t time = dlg->m_engine.GetTime();
      const int32_t position = SliderPositionFor(time, length);
      // The slider is moved by the window thread, with the time report.
      PostTimeReport(dlg, static_cast<uint32_t>(time), position, dlg->m_timeEpoch.load());
      g_busy = 0;
      break;
    }
    default:
      break;
  }
}

void CTRKDlg::PostGpsIconState(int32_t state) {
  m_gpsIconState = state;
  QMetaObject::invokeMethod(this, [this] { ShowGpsIconState(); }, Qt::QueuedConnection);
}

void CTRKDlg::ShowGpsIconState() {
  const int32_t state = m_gpsIconState.load();
  if (state == m_gpsIcon.State()) return;
  m_gpsIcon.SetState(state);
  m_gpsIcon.update();
}

void CTRKDlg::BeginNewTimeReports() { ++m_timeEpoch; }

void CTRKDlg::NoteOpeningByWindow() { m_endsAtOpening = m_endReports.load(); }

bool CTRKDlg::IsEndReportBeforeOpening(uint32_t report) const {
  // Report numbers only grow (and may wrap around): the report was made
  // before the opening when it is not newer than the count taken then.
  return static_cast<int32_t>(report - m_endsAtOpening.load()) <= 0;
}

void CTRKDlg::ResetPositionSlider() {
  // Reports posted before this moment would put the old position back.
  BeginNewTimeReports();
  m_positionSlider.SetPos(0);
}

void CTRKDlg::UpdateTimeDisplays(int64_t timeMs) {
  // Each display paints only what it changed: the curve its cursor strips
  // and legends at once, the slider's thumb, new figures or pictures at the
  // next turn of the event loop.
  m_gpsIconState = UpdatePosition(m_library, timeMs, m_gsensorEnabled != 0, m_mapEnabled != 0);
  ShowGpsIconState();
}

void CTRKDlg::OnPlayerTime(const CTimeReportEvent& report) {
  // Posted before a seek request or a reset of the slider, the report is
  // older than what the slider shows now.
  if (m_seekTarget.load() != 0 || report.Span() != m_timeEpoch.load()) return;
  m_positionSlider.SetPos(report.SliderPosition());
  UpdateTimeDisplays(static_cast<int64_t>(report.TimeLow()));
}

void CTRKDlg::OnPlayerState(qintptr state) {
  if (state < 1 || state > 4) return;
  ShowPlayPicture(state == 2 || state == 3);
}

void CTRKDlg::OnPlayerError(qintptr code) {
  TrkMessageBox(this, code == 1 ? LoadQText(102) : QString(), QString(), QMessageBox::Ok, QMessageBox::NoIcon);
}

void CTRKDlg::OnVolumeChanged() { m_engine.SetVolume(2 * m_volumeSlider.GetPos()); }

void CTRKDlg::OnSeekRequest() { RequestSeek(SeekTargetFor(m_positionSlider.GetPos(), m_engine.GetLength())); }

void CTRKDlg::RequestSeek(int64_t targetMs) {
  m_seekTarget = targetMs;
  UpdateTimeDisplays(targetMs);
}

void CTRKDlg::ApplyPendingSeek() {
  const int64_t target = m_seekTarget.load();
  if (target == 0) return;
  m_engine.SetTime(target);
  RedrawDrivenPath(m_library, static_cast<uint32_t>(target));
  m_seekTarget = 0;
}

void CTRKDlg::OnMarqueeTick() {
  ShowSpeedMarquee();
  if (m_marqueeRepeats != 0) {
    --m_marqueeRepeats;
  } else {
    KillTimer(102);
  }
}

bool CTRKDlg::OnPlaybackMessage(const CPrivateEvent& message) {
  const int id = message.Message();
  const qintptr wParam = message.WParam();
  const qintptr lParam = message.LParam();
  switch (id) {
    case WM_PLAYER_ERROR:
      OnPlayerError(wParam);
      return true;
    case WM_PLAYER_STATE:
      OnPlayerState(wParam);
      return true;
    case WM_PLAYER_TIME:
      // Only the callback's reports carry a slider position and span.
      if (const CTimeReportEvent* report = CTimeReportEvent::From(message)) OnPlayerTime(*report);
      return true;
    case WM_PLAYER_END:
    case WM_PLAY_GROUP:
    case WM_PLAY_FILE:
    case WM_VOLUME_CHANGED:
    case WM_SEEK_REQUEST:
    case WM_TOGGLE_FULLSCREEN:
    case WM_SHOW_CONTROLS:
      // These would slip in between the steps of a stop-and-reopen: they
      // wait for its end, in their order.
      if (HoldWhilePlaybackSteps([this, id, wParam, lParam] { OnPrivateMessage(CPrivateEvent(id, wParam, lParam)); }))
        return true;
      break;
    default:
      return false;
  }
  switch (id) {
    case WM_PLAYER_END:
      // Made before the window opened another recording (a list double-click
      // or OPEN ran while it was queued): the user's choice stands.
      if (IsEndReportBeforeOpening(static_cast<uint32_t>(lParam))) return true;
      OnPlayerEnd();
      return true;
    case WM_PLAY_GROUP:
      OnPlayGroup(static_cast<int32_t>(wParam));
      return true;
    case WM_PLAY_FILE:
      OnPlayFile(static_cast<int32_t>(wParam));
      return true;
    case WM_VOLUME_CHANGED:
      OnVolumeChanged();
      return true;
    case WM_SEEK_REQUEST:
      OnSeekRequest();
      return true;
    default:
      return false;  // full screen: the window's own handler
  }
}

bool CTRKDlg::OnPlaybackTimer(int id) {
  switch (id) {
    case 102:
      OnMarqueeTick();
      return true;
    case 103:
      // A blocked window would have missed the tick too.
      if (!m_playbackSteps.IsRunning()) ApplyPendingSeek();
      return true;
    case 105:
      // The delayed start waits for the steps under way; the countdown goes on after them.
      return m_playbackSteps.IsRunning();
    default:
      return false;
  }
}

bool CTRKDlg::OnPlaybackCommand(int id) {
  // Every command waits for the steps of a stop-and-reopen, in its order.
  if (HoldWhilePlaybackSteps([this, id] { OnCommand(id); })) return true;
  switch (id) {
    case IDC_PLAY:
      OnBnClickedPlay();
      return true;
    case IDC_STOP:
      OnBnClickedStop();
      return true;
    case IDC_FAST:
      OnBnClickedFast();
      return true;
    case IDC_SLOW:
      OnBnClickedSlow();
      return true;
    case IDC_VOLUME:
      OnBnClickedVolume();
      return true;
    case IDC_SNAP:
      OnBnClickedSnapshot();
      return true;
    case IDC_LOOP:
      OnBnClickedLoop();
      return true;
    case IDC_FLIP:
      OnBnClickedRotate();
      return true;
    default:
      return false;
  }
}
