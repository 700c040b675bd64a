// Keyboard and mouse habits of video players. The keys act on the window as
// a whole, whichever of its controls has the focus (dialogs are windows of
// their own and keep their keys). Every key calls the handler of the button
// or control that does the same, so the busy guard and the steps of a
// stop-and-reopen hold a key as they hold a click. The wheel changes the
// volume over the video and seeks over the position slider; a folder or a
// recording dropped on the window is opened as OPEN would open it.
#include <QCursor>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/CTRKDlg.h"
#include "map/TrackDrawing.h"
#include "app/KeyBindings.h"
#include "playback/RateTable.h"
#include "app/TrkMessageBox.h"

namespace {

constexpr int kVolumeStep = 5;
constexpr int kWheelNotch = 120;  // angle delta of one notch, eighths of a degree
constexpr int64_t kWheelSeekMs = 5000;
// Recordings whose picture rate the player does not tell.
constexpr double kFallbackFps = 30.0;
// A seek target of 0 means that no seek is pending: the start is asked for
// as the first millisecond.
constexpr int64_t kFirstSeekableMs = 1;
// The position slider's tip: the clip's marks and their keys.
constexpr uint32_t kClipMarksTip = 368;

// The local folder or recording a drag carries (the first usable one), or
// an empty string.
QString DroppedPath(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return QString();
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const QFileInfo info(url.toLocalFile());
    if (!info.exists()) continue;
    const QString suffix = info.suffix().toUpper();
    if (info.isDir() || (info.isFile() && (suffix == QLatin1String("AVI") || suffix == QLatin1String("MOV"))))
      return info.absoluteFilePath();
  }
  return QString();
}

}  // namespace

bool CTRKDlg::OnWindowKey(const QKeyEvent& event) {
  if (m_closed) return false;
  const KeyBinding binding = FindKeyBinding(event.key(), event.modifiers());
  if (binding.action == KeyAction::None) return false;
  // A held toggle would flicker between its states.
  if (event.isAutoRepeat() && !binding.repeats) return true;
  return RunKeyAction(binding);
}

bool CTRKDlg::RunKeyAction(const KeyBinding& binding) {
  if (binding.action == KeyAction::FullScreenOnVideo && !m_fullScreen && !IsPointerOverVideo()) return false;
  // Keys wait for the steps of a stop-and-reopen, in their order, as clicks do.
  if (HoldWhilePlaybackSteps([this, binding] { RunKeyAction(binding); })) return true;
  switch (binding.action) {
    case KeyAction::None:
      return false;
    case KeyAction::PlayPause:
      m_ui.m_play.click();
      break;
    case KeyAction::FullScreen:
    case KeyAction::FullScreenOnVideo:
      OnToggleFullScreen();
      break;
    case KeyAction::Escape:
      // Outside full screen Escape is swallowed: the window never closes on it.
      if (m_fullScreen) OnToggleFullScreen();
      break;
    case KeyAction::SeekBack:
      SeekBy(-binding.seekMs);
      break;
    case KeyAction::SeekForward:
      SeekBy(binding.seekMs);
      break;
    case KeyAction::FrameBack:
      StepFrame(-1);
      break;
    case KeyAction::FrameForward:
      StepFrame(1);
      break;
    case KeyAction::VolumeUp:
      ChangeVolumeBy(kVolumeStep);
      break;
    case KeyAction::VolumeDown:
      ChangeVolumeBy(-kVolumeStep);
      break;
    case KeyAction::Mute:
      ToggleMute();
      break;
    case KeyAction::Slower:
      m_ui.m_slow.click();
      break;
    case KeyAction::Faster:
      m_ui.m_fast.click();
      break;
    case KeyAction::Start:
      SeekTo(kFirstSeekableMs);
      break;
    case KeyAction::End:
      SeekTo(m_playback->LengthMs());
      break;
    case KeyAction::Previous:
      PlayNeighbour(-1);
      break;
    case KeyAction::Next:
      PlayNeighbour(1);
      break;
    case KeyAction::Open:
      m_ui.m_open.click();
      break;
    case KeyAction::Snapshot:
      m_ui.m_snap.click();
      break;
    case KeyAction::Close:
      m_ui.m_close.click();
      break;
    case KeyAction::NextEvent:
      PlayEvent(1);
      break;
    case KeyAction::PreviousEvent:
      PlayEvent(-1);
      break;
    case KeyAction::ClipStart:
    case KeyAction::ClipEnd:
      MarkClip(binding.action == KeyAction::ClipStart);
      break;
    case KeyAction::ClearClipStart:
    case KeyAction::ClearClipEnd:
      ClearClipMark(binding.action == KeyAction::ClearClipStart);
      break;
    case KeyAction::Clip:
      OnClip();
      break;
  }
  return true;
}

bool CTRKDlg::IsPointerOverVideo() const {
  const QPoint p = mapFromGlobal(QCursor::pos());
  return (m_ui.m_video.isVisible() && m_ui.m_video.geometry().contains(p)) ||
         (m_ui.m_videoBg.isVisible() && m_ui.m_videoBg.geometry().contains(p));
}

int64_t CTRKDlg::FrameMs() const {
  double fps = m_playback->Fps();
  if (!(fps > 0.0)) fps = kFallbackFps;
  return std::max<int64_t>(1, std::llround(1000.0 / fps));
}

void CTRKDlg::SeekBy(int64_t deltaMs) {
  // Presses in quick succession add up: they start from the seek still pending.
  const int64_t pending = m_playback->SeekTarget();
  const int64_t from = pending != 0 ? pending : m_playback->TimeMs();
  if (from < 0) return;
  SeekTo(from + deltaMs);
}

void CTRKDlg::SeekTo(int64_t wantedMs) {
  const CPlaybackController& player = *m_playback;
  if (m_library.Recordings().empty() || !(player.IsPlaying() || player.IsPaused())) return;
  const int64_t length = player.LengthMs();
  if (length <= 0) return;
  // Clamped to the recording: the end is its last picture, so that a seek
  // there shows it instead of ending the recording.
  const int64_t last = std::max(kFirstSeekableMs, length - FrameMs());
  const int64_t target = std::clamp(wantedMs, kFirstSeekableMs, last);
  // Reports of the old time must not put the slider back.
  m_playback->BeginNewTimeReports();
  m_ui.m_positionSlider.SetPos(SliderPositionFor(target, length));
  RequestSeek(target);
}

void CTRKDlg::StepFrame(int direction) {
  if (m_library.Recordings().empty()) return;
  const int64_t length = m_playback->LengthMs();
  if (length <= 0) return;
  // The last picture, not the end: a step there must not end the recording.
  double fps = m_playback->Fps();
  if (!(fps > 0.0)) fps = kFallbackFps;
  const int64_t shown = m_playback->StepFrame(direction, 1000.0 / fps, 0, length - FrameMs());
  if (shown < 0) return;
  m_ui.m_positionSlider.SetPos(SliderPositionFor(shown, length));
  UpdateTimeDisplays(shown);
  RedrawDrivenPath(m_library, static_cast<uint32_t>(shown));
}

void CTRKDlg::ChangeVolumeBy(int delta) {
  m_ui.m_volumeSlider.SetPos(m_ui.m_volumeSlider.GetPos() + delta);
  OnVolumeChanged();
}

void CTRKDlg::ToggleMute() {
  // Vol's handler reads the picture the button switched to, as after a click.
  m_ui.m_volume.SetShowSecond(!m_ui.m_volume.ShowsSecond());
  m_ui.m_volume.update();
  m_ui.m_volume.click();
}

void CTRKDlg::PlayNeighbour(int step) {
  const auto count = static_cast<int32_t>(m_library.Recordings().size());
  if (count == 0) return;
  const int32_t current = m_library.CurrentRecording();
  const int32_t next = current < 0 ? 0 : current + step;
  if (next < 0 || next >= count) return;
  // The file list's double-click on that row, with its busy guard.
  OnPlayFile(next);
}

bool CTRKDlg::OnWindowWheel(const QWidget* target, const QWheelEvent& event) {
  const bool overVideo = target == &m_ui.m_video || target == &m_ui.m_videoBg;
  if (!overVideo && target != &m_ui.m_positionSlider) return false;
  // Fine-grained wheels (touchpads) add up to whole notches.
  int& rest = overVideo ? m_volumeWheelRest : m_seekWheelRest;
  const QPoint delta = event.angleDelta();
  rest += delta.y() != 0 ? delta.y() : delta.x();
  const int notches = rest / kWheelNotch;
  rest -= notches * kWheelNotch;
  if (notches == 0 || m_closed) return true;
  auto turn = [this, overVideo, notches] {
    if (overVideo) {
      ChangeVolumeBy(notches * kVolumeStep);
    } else {
      SeekBy(notches * kWheelSeekMs);
    }
  };
  if (!HoldWhilePlaybackSteps(turn)) turn();
  return true;
}

bool CTRKDlg::OnWindowDrag(QDropEvent& event) {
  const QString path = DroppedPath(event.mimeData());
  if (path.isEmpty()) return false;
  event.setDropAction(Qt::CopyAction);
  event.accept();
  // Opened after the drop has been answered, so the dragging program is
  // not kept waiting by the open.
  if (event.type() == QEvent::Drop)
    QMetaObject::invokeMethod(
        this, [this, path] { OpenDropped(path); }, Qt::QueuedConnection);
  return true;
}

void CTRKDlg::OpenDropped(const QString& path) {
  if (m_closed) return;
  if (HoldWhilePlaybackSteps([this, path] { OpenDropped(path); })) return;
  emit PathDropped(path);
}

void CTRKDlg::ApplyButtonTips() {
  struct Tip {
    CGdipButton* button;
    uint32_t textId;
  };
  const Tip tips[] = {
      {&m_ui.m_play, 134},      {&m_ui.m_stop, 185},     {&m_ui.m_slow, 184},  {&m_ui.m_fast, 186},
      {&m_ui.m_conf, 183},      {&m_ui.m_del, 182},      {&m_ui.m_save, 181},  {&m_ui.m_snap, 180},
      {&m_ui.m_open, 179},      {&m_ui.m_loop, 189},     {&m_ui.m_flip, 190},  {&m_ui.m_kml, 191},
      {&m_ui.m_mapButton, 192}, {&m_ui.m_gsr, 193},      {&m_ui.m_lock, 194},  {&m_ui.m_close, 195},
      {&m_ui.m_maximize, 196},  {&m_ui.m_minimize, 197}, {&m_ui.m_about, 198}, {&m_ui.m_volume, 188},
      {&m_ui.m_sizeS, 137},     {&m_ui.m_sizeM, 138},    {&m_ui.m_sizeL, 139},
  };
  for (const Tip& tip : tips) tip.button->SetTipText(LoadQText(tip.textId), true);
  m_ui.m_positionSlider.setToolTip(LoadQText(kClipMarksTip));
}
