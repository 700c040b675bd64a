// Keyboard and mouse habits of video players. The keys act on the window as
// a whole, whichever of its controls has the focus (dialogs are windows of
// their own and keep their keys). Every key calls the handler of the button
// or control that does the same, so the busy guard and the steps of a
// stop-and-reopen hold a key as they hold a click. The wheel changes the
// volume over the video and seeks over the position slider (the playback
// presenter does both, as it does what the keys ask of the player); a folder
// or a recording dropped on the window is opened as OPEN would open it.
#include <QCursor>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

#include "app/CTRKDlg.h"
#include "app/KeyBindings.h"
#include "app/TrkMessageBox.h"

namespace {

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
  if (binding.action == KeyAction::FullScreenOnVideo && !m_frame->IsFullScreen() && !IsPointerOverVideo()) return false;
  // Keys wait for the steps of a stop-and-reopen, in their order, as clicks do.
  if (m_playbackPresenter->HoldWhilePlaybackSteps([this, binding] { RunKeyAction(binding); })) return true;
  switch (binding.action) {
    case KeyAction::None:
      return false;
    case KeyAction::PlayPause:
      m_ui.m_play.click();
      break;
    case KeyAction::FullScreen:
    case KeyAction::FullScreenOnVideo:
      m_frame->OnToggleFullScreen();
      break;
    case KeyAction::Escape:
      // A clip being made is cancelled first, as by the board's Cancel.
      // Outside full screen Escape is swallowed: the window never closes on it.
      if (m_clip->IsMakingClip())
        m_clip->CancelClip();
      else if (m_frame->IsFullScreen())
        m_frame->OnToggleFullScreen();
      break;
    case KeyAction::SeekBack:
      m_playbackPresenter->SeekBy(-binding.seekMs);
      break;
    case KeyAction::SeekForward:
      m_playbackPresenter->SeekBy(binding.seekMs);
      break;
    case KeyAction::FrameBack:
      m_playbackPresenter->StepFrame(-1);
      break;
    case KeyAction::FrameForward:
      m_playbackPresenter->StepFrame(1);
      break;
    case KeyAction::VolumeUp:
      m_playbackPresenter->ChangeVolumeBy(PlaybackPresenter::kVolumeStep);
      break;
    case KeyAction::VolumeDown:
      m_playbackPresenter->ChangeVolumeBy(-PlaybackPresenter::kVolumeStep);
      break;
    case KeyAction::Mute:
      m_playbackPresenter->ToggleMute();
      break;
    case KeyAction::Slower:
      m_ui.m_slow.click();
      break;
    case KeyAction::Faster:
      m_ui.m_fast.click();
      break;
    case KeyAction::Start:
      m_playbackPresenter->SeekTo(PlaybackPresenter::kFirstSeekableMs);
      break;
    case KeyAction::End:
      m_playbackPresenter->SeekTo(m_playback->LengthMs());
      break;
    case KeyAction::Previous:
      m_playbackPresenter->PlayNeighbour(-1);
      break;
    case KeyAction::Next:
      m_playbackPresenter->PlayNeighbour(1);
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
      m_events->PlayEvent(1);
      break;
    case KeyAction::PreviousEvent:
      m_events->PlayEvent(-1);
      break;
    case KeyAction::ClipStart:
    case KeyAction::ClipEnd:
      m_clip->MarkClip(binding.action == KeyAction::ClipStart);
      break;
    case KeyAction::ClearClipStart:
    case KeyAction::ClearClipEnd:
      m_clip->ClearClipMark(binding.action == KeyAction::ClearClipStart);
      break;
    case KeyAction::Clip:
      m_clip->OnClip();
      break;
  }
  return true;
}

bool CTRKDlg::IsPointerOverVideo() const {
  const QPoint p = mapFromGlobal(QCursor::pos());
  return (m_ui.m_video.isVisible() && m_ui.m_video.geometry().contains(p)) ||
         (m_ui.m_videoBg.isVisible() && m_ui.m_videoBg.geometry().contains(p));
}

bool CTRKDlg::OnWindowWheel(const QWidget* target, const QWheelEvent& event) {
  const bool overVideo = target == &m_ui.m_video || target == &m_ui.m_videoBg;
  if (!overVideo && target != &m_ui.m_positionSlider) return false;
  const QPoint delta = event.angleDelta();
  m_playbackPresenter->OnWheelTurn(overVideo, delta.y() != 0 ? delta.y() : delta.x());
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
  if (m_playbackPresenter->HoldWhilePlaybackSteps([this, path] { OpenDropped(path); })) return;
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
