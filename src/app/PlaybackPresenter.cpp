// The playback buttons: PLAY, STOP, FAST, SLOW, the volume and mute, the
// snapshot, rotate, Loop; opening a recording of the library and playing it,
// from a list or when the one before ends.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPointer>
#include <QSaveFile>
#include <algorithm>

#include "app/BusyGuard.h"
#include "app/CTRKDlg.h"
#include "app/PlaybackPresenter.h"
#include "app/TrackDisplay.h"
#include "library/LibraryLists.h"
#include "app/TrkMessageBox.h"

namespace {

// Times the marquee is set again after a start, every 300 ms.
constexpr int32_t kMarqueeRepeats = 10;
constexpr int kMarqueePeriodMs = 300;

const QString kJpegFilter = QStringLiteral("Jpeg File(*.jpg)");
const QString kPngFilter = QStringLiteral("Png File(*.png)");

// libvlc writes every snapshot as PNG, whatever its name says: a picture
// asked for as JPEG is written again as one (in place, all or nothing).
void KeepTheNamedFormat(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg")) return;
  QImageReader reader(path);
  if (reader.format() != "png") return;
  const QImage picture = reader.read();
  if (picture.isNull()) return;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  if (picture.save(&file, "JPEG", 90)) file.commit();
}

}  // namespace

PlaybackPresenter::PlaybackPresenter(CTRKDlg& window, CPlaybackController& playback, RecordingLibrary& library,
                                     LibraryLists& lists, TrackDisplay& trackDisplay, BusyGuard& busy)
    : m_window(window),
      m_playback(playback),
      m_library(library),
      m_lists(lists),
      m_trackDisplay(trackDisplay),
      m_busy(busy) {}

WindowControls& PlaybackPresenter::Ui() { return m_window.Ui(); }

void PlaybackPresenter::ShowPlayPicture(bool playing) {
  Ui().m_play.SetShowSecond(playing);
  Ui().m_play.SetDimmed(false);
  Ui().m_play.update();
}

bool PlaybackPresenter::HoldWhilePlaybackSteps(std::function<void()> work) {
  return m_playback.HoldWhileSteps(std::move(work));
}

void PlaybackPresenter::OnBnClickedPlay() {
  m_playback.SetSeekTarget(0);
  Ui().m_gsensor.m_idle = 0;
  Ui().m_gsensor.repaint();
  if (m_library.Recordings().empty()) {
    ShowPlayPicture();
    Ui().m_play.repaint();
    return;
  }
  if (m_playback.PlayOrPause()) StartMarqueeBurst();
}

void PlaybackPresenter::OnBnClickedStop() {
  m_playback.SetSeekTarget(0);
  ShowPlayPicture();
  Ui().m_play.repaint();
  m_playback.Stop();
  m_playback.ResetRate();
  ResetPositionSlider();
  Ui().m_gsensor.SetCursor(0);
  Ui().m_gsensor.m_idle = 1;
  Ui().m_gsensor.repaint();
}

void PlaybackPresenter::OnBnClickedFast() {
  m_playback.Faster();
  ShowSpeedMarquee();
}

void PlaybackPresenter::OnBnClickedSlow() {
  m_playback.Slower();
  ShowSpeedMarquee();
}

void PlaybackPresenter::ShowSpeedMarquee() {
  uint16_t width = 0;
  uint16_t height = 0;
  if (m_library.GetCurrentFrameSize(&width, &height) == 0) height = 0;
  m_playback.ShowSpeedMarquee(height);
}

void PlaybackPresenter::StartMarqueeBurst() {
  ShowSpeedMarquee();
  m_marqueeRepeats = kMarqueeRepeats;
  m_window.SetTimer(TimerId::Marquee, kMarqueePeriodMs);
}

void PlaybackPresenter::OnBnClickedVolume() {
  // The button has switched its picture already.
  m_playback.SetMute(Ui().m_volume.ShowsSecond());
}

void PlaybackPresenter::OnBnClickedLoop() { m_playback.ToggleAutoNext(); }

void PlaybackPresenter::OnPositionSliderScroll() {
  m_playback.SetSeekTarget(m_playback.SeekTargetAt(Ui().m_positionSlider.GetPos()));
}

QString PlaybackPresenter::AskSnapshotPath() {
  QFileDialog dialog(&m_window);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({kJpegFilter, kPngFilter});
  dialog.selectNameFilter(kJpegFilter);
  dialog.setDefaultSuffix(QStringLiteral("JPG"));
  dialog.setWindowTitle(LoadQText(180));
  dialog.setLabelText(QFileDialog::LookIn, LoadQText(224));
  dialog.setLabelText(QFileDialog::FileName, LoadQText(225));
  dialog.setLabelText(QFileDialog::FileType, LoadQText(226));
  dialog.setLabelText(QFileDialog::Accept, LoadQText(223));
  dialog.setLabelText(QFileDialog::Reject, LoadQText(108));
  // A name typed without an extension takes the chosen type's, so that a
  // picture asked for as PNG is not written as JPEG.
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    dialog.setDefaultSuffix(filter == kPngFilter ? QStringLiteral("png") : QStringLiteral("JPG"));
  });
  // Asking before an existing file is replaced is the dialog's own default.
  if (dialog.exec() != QDialog::Accepted) return QString();
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.front();
}

void PlaybackPresenter::OnBnClickedSnapshot() {
  if (m_library.Recordings().empty()) {
    TrkMessageBox(&m_window, 136, 145);
    return;
  }
  const bool paused = m_playback.PauseIfPlaying();
  QPointer<PlaybackPresenter> alive(this);
  const QString path = AskSnapshotPath();
  if (alive.isNull() || m_closed) return;
  if (!path.isEmpty()) {
    m_playback.TakeSnapshot(QFile::encodeName(path).toStdString());
    KeepTheNamedFormat(path);
  }
  if (paused) m_playback.Play();
}

void PlaybackPresenter::PlayFrom(int64_t timeMs) {
  if (m_closed || m_library.Recordings().empty()) return;
  if (HoldWhilePlaybackSteps([this, timeMs] { PlayFrom(timeMs); })) return;
  // A stopped player starts its recording again first, so that there is a
  // position to seek to.
  if (!m_playback.IsPlaying()) m_playback.Play();
  SeekTo(timeMs);
}

void PlaybackPresenter::OnBnClickedRotate() {
  int64_t time = 0;
  const RotateState state = m_playback.Rotate(static_cast<unsigned long>(Ui().m_video.winId()), &time);
  const auto count = static_cast<int32_t>(m_library.Recordings().size());
  if (count == 0) return;
  // Nothing current yet counts as the first recording: an empty path would
  // only bring the player's error message.
  m_library.SetCurrentRecording(std::clamp(m_library.CurrentRecording(), 0, count - 1));
  m_trackDisplay.LoadRecordingTrack(m_library.CurrentRecording());
  const std::string path = m_library.GetCurrentRecordingPath();
  m_window.FitVideo();
  m_currentFile = QFile::decodeName(path.c_str());
  m_playback.OpenMedia(path);
  m_window.FitVideo();
  ShowPlayPicture(state == RotateState::Playing);
  m_playback.ResumeAfterRotate(state, time);
}

void PlaybackPresenter::OpenAndPlay(int32_t index) {
  m_lists.SelectRecording(index);
  m_trackDisplay.LoadRecordingTrack(index);
  emit RecordingOpening(index);
  const std::string path = m_library.GetRecordingPath(index);
  m_currentFile = QFile::decodeName(path.c_str());
  m_playback.OpenMedia(path);
  m_window.FitVideo();
  Ui().m_gsensor.update();
  m_playback.Play();
}

void PlaybackPresenter::PlayRecording(int32_t index) {
  // Every caller has done its own preparation (stop and pause, selection,
  // busy guard, the group's map tracks) by now.
  OpenAndPlay(index);
  StartMarqueeBurst();
}

void PlaybackPresenter::RedrawGroupPaths(int32_t group) { m_trackDisplay.RedrawGroupPaths(group); }

void PlaybackPresenter::RedrawGroupPathsIfNeeded(int32_t previous, int32_t index) {
  const int32_t group = m_library.FindGroupOf(index);
  if (previous == -1 || group != m_library.FindGroupOf(previous)) RedrawGroupPaths(group);
}

void PlaybackPresenter::StopAndPlayFromList(std::function<int32_t()> select) {
  m_playback.StopThen([this, select = std::move(select)] {
    const int32_t previous = m_library.CurrentRecording();
    const int32_t index = select();
    if (index == -1) return false;
    m_busy.Hold();
    RedrawGroupPathsIfNeeded(previous, index);
    PlayRecording(index);
    return true;
  });
}

void PlaybackPresenter::OnPlayFile(int32_t row) {
  if (m_busy.IsHeld() || row == -1) return;
  StopAndPlayFromList([this, row] { return m_lists.SelectRecording(row) == 0 ? -1 : row; });
}

void PlaybackPresenter::OnPlayGroup(int32_t row) {
  if (m_busy.IsHeld() || row == -1) return;
  StopAndPlayFromList([this, row] {
    m_lists.SelectGroup(row);
    return m_library.Recordings().empty() ? -1 : m_library.CurrentRecording();
  });
}

void PlaybackPresenter::OnPlayerEnd() {
  const auto count = static_cast<int32_t>(m_library.Recordings().size());
  if (!m_playback.AutoNext()) {
    // The same recording, paused at its first picture.
    m_playback.PauseAtFirstPicture([this] { m_playback.PlayAgain(); },
                                   [this] {
                                     ResetPositionSlider();
                                     Ui().m_gsensor.SetCursor(0);
                                   });
    return;
  }
  const int32_t current = count == 0 ? -1 : std::min(m_library.CurrentRecording(), count - 1);
  if (current >= 0 && current + 1 < count) {
    RedrawGroupPathsIfNeeded(current, current + 1);
    PlayRecording(current + 1);
    return;
  }
  if (count == 0) {
    // Nothing left to show (the library was emptied under the player).
    m_playback.Stop();
    return;
  }
  // The last recording has ended: the library's first one, paused at its
  // first picture.
  RedrawGroupPathsIfNeeded(current, 0);
  m_playback.PauseAtFirstPicture([this] { OpenAndPlay(0); }, [this] { ResetPositionSlider(); });
}
