// The playback controller: PLAY, STOP, FAST, SLOW, the volume and mute, the
// snapshot, rotate, Loop, opening a recording of the library and playing it,
// and what happens when a recording ends.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPointer>
#include <QSaveFile>
#include <algorithm>

#include "CTRKDlg.h"
#include "RateTable.h"
#include "TrackDrawing.h"
#include "TrkMessageBox.h"

namespace {

// How long the player may take from Play to its first picture before the
// pause that shows that picture is given anyway.
constexpr int kFirstPictureMaxMs = 3000;

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

void CTRKDlg::SetUpPlayback() {
  connect(&m_positionSlider, &CSliderCtrl::HScroll, this, [this](int) { OnPositionSliderScroll(); });
  connect(&m_volumeSlider, &CSliderCtrl::HScroll, this, [this](int) { OnVolumeChanged(); });
}

bool CTRKDlg::HoldWhilePlaybackSteps(std::function<void()> work) {
  return m_playbackSteps.HoldWhileRunning(std::move(work));
}

void CTRKDlg::OnBnClickedPlay() {
  m_seekTarget = 0;
  m_gsensor.m_idle = 0;
  m_gsensor.repaint();
  if (m_library.Recordings().empty()) {
    ShowPlayPicture();
    m_play.repaint();
    return;
  }
  if (m_engine.IsLoaded() && m_engine.IsPlaying()) {
    m_engine.Pause();
    return;
  }
  m_engine.Play();
  StartMarqueeBurst();
}

void CTRKDlg::OnBnClickedStop() {
  m_seekTarget = 0;
  ShowPlayPicture();
  m_play.repaint();
  m_engine.Stop();
  m_rateIndex = kNormalRateIndex;
  m_engine.SetRate(1.0f);
  ResetPositionSlider();
  m_gsensor.SetCursor(0);
  m_gsensor.m_idle = 1;
  m_gsensor.repaint();
}

void CTRKDlg::OnBnClickedFast() {
  m_rateIndex = std::min(m_rateIndex + 1, kLastRateIndex);
  m_engine.SetRate(static_cast<float>(RateTable[static_cast<size_t>(m_rateIndex)].rate));
  ShowSpeedMarquee();
}

void CTRKDlg::OnBnClickedSlow() {
  m_rateIndex = std::max(m_rateIndex - 1, 0);
  m_engine.SetRate(static_cast<float>(RateTable[static_cast<size_t>(m_rateIndex)].rate));
  ShowSpeedMarquee();
}

void CTRKDlg::ShowSpeedMarquee() {
  const int32_t index = std::clamp(m_rateIndex, 0, kLastRateIndex);
  const RateEntry& entry = RateTable[static_cast<size_t>(index)];
  uint16_t width = 0;
  uint16_t height = 0;
  if (m_library.GetCurrentFrameSize(&width, &height) == 0) height = 0;
  m_engine.ShowMarquee(entry.label, MarqueeSizeFor(height), entry.rate != 1.0 ? 1 : 0);
}

void CTRKDlg::StartMarqueeBurst() {
  ShowSpeedMarquee();
  m_marqueeRepeats = 10;
  SetTimer(102, 300);
}

void CTRKDlg::OnBnClickedVolume() {
  // The button has switched its picture already.
  m_engine.SetMute(m_volume.ShowsSecond() ? 1 : 0);
}

void CTRKDlg::OnBnClickedLoop() { m_autoNext = m_autoNext ? 0 : 1; }

void CTRKDlg::OnPositionSliderScroll() {
  m_seekTarget = SeekTargetFor(m_positionSlider.GetPos(), m_engine.GetLength());
}

QString CTRKDlg::AskSnapshotPath() {
  QFileDialog dialog(this);
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

void CTRKDlg::OnBnClickedSnapshot() {
  if (m_library.Recordings().empty()) {
    TrkMessageBox(this, 136, 145);
    return;
  }
  const bool paused = m_engine.IsLoaded() && m_engine.IsPlaying();
  if (paused) m_engine.Pause();
  QPointer<CTRKDlg> alive(this);
  const QString path = AskSnapshotPath();
  if (alive.isNull() || m_closed) return;
  if (!path.isEmpty()) {
    m_engine.TakeSnapshot(QFile::encodeName(path).toStdString());
    KeepTheNamedFormat(path);
  }
  if (paused) m_engine.Play();
}

void CTRKDlg::OnBnClickedRotate() {
  m_rotate = m_rotate ? 0 : 1;
  const int state = m_engine.IsPlaying() ? 1 : (m_engine.IsLoaded() && m_engine.IsPaused()) ? 2 : 3;
  const int64_t time = m_engine.GetTime();
  m_engine.Stop();
  m_engine.Recreate(m_rotate ? EngineMode::Rotated : EngineMode::Normal);
  m_boundVideoWindow = static_cast<unsigned long>(m_video.winId());
  m_engine.BindWindow(m_boundVideoWindow);
  const auto count = static_cast<int32_t>(m_library.Recordings().size());
  if (count == 0) return;
  // Nothing current yet counts as the first recording: an empty path would
  // only bring the player's error message.
  m_library.SetCurrentRecording(std::clamp(m_library.CurrentRecording(), 0, count - 1));
  LoadRecordingTrack(m_library, m_library.CurrentRecording());
  const std::string path = m_library.GetCurrentRecordingPath();
  FitVideo();
  m_currentFile = QFile::decodeName(path.c_str());
  BeginNewTimeReports();
  NoteOpeningByWindow();
  m_engine.Open(path);
  FitVideo();
  switch (state) {
    case 1:
      ShowPlayPicture(true);
      m_engine.Play();
      m_engine.SetTime(time);
      break;
    case 2:
      m_engine.Pause();
      ShowPlayPicture();
      m_engine.SetTime(time);
      m_engine.Pause();
      break;
    default:
      m_engine.Stop();
      ShowPlayPicture();
      break;
  }
}

void CTRKDlg::OpenAndPlay(int32_t index) {
  m_library.SelectRecording(index);
  LoadRecordingTrack(m_library, index);
  const std::string path = m_library.GetRecordingPath(index);
  m_currentFile = QFile::decodeName(path.c_str());
  // Reports of the recording before this one must not move the new displays
  // nor end it.
  BeginNewTimeReports();
  NoteOpeningByWindow();
  m_engine.Open(path);
  FitVideo();
  m_gsensor.update();
  m_engine.Play();
}

void CTRKDlg::PlayRecording(int32_t index, PlayVariant) {
  // Every caller has done its own preparation (stop and pause, selection,
  // busy guard, the group's map tracks) by now.
  OpenAndPlay(index);
  StartMarqueeBurst();
}

void CTRKDlg::RedrawGroupPaths(int32_t group) {
  ClearGroupPaths(m_library);
  DrawGroupPath(m_library, group);
}

void CTRKDlg::RedrawGroupPathsIfNeeded(int32_t previous, int32_t index) {
  const int32_t group = m_library.FindGroupOf(index);
  if (previous == -1 || group != m_library.FindGroupOf(previous)) RedrawGroupPaths(group);
}

void CTRKDlg::StopAndPlayFromList(std::function<int32_t()> select, PlayVariant variant) {
  m_playbackSteps.Run({
      PlaybackSequence::Do([this] {
        m_engine.Stop();
        return true;
      }),
      PlaybackSequence::Pause(200),
      PlaybackSequence::Do([this, select = std::move(select), variant] {
        const int32_t previous = m_library.CurrentRecording();
        const int32_t index = select();
        if (index == -1) return false;
        g_busy = 1;
        SetTimer(106, 100000);
        RedrawGroupPathsIfNeeded(previous, index);
        PlayRecording(index, variant);
        return true;
      }),
  });
}

void CTRKDlg::OnPlayFile(int32_t row) {
  if (g_busy != 0 || row == -1) return;
  StopAndPlayFromList([this, row] { return m_library.SelectRecording(row) == 0 ? -1 : row; }, PlayVariant::FileList);
}

void CTRKDlg::OnPlayGroup(int32_t row) {
  if (g_busy != 0 || row == -1) return;
  StopAndPlayFromList(
      [this, row] {
        m_library.SelectGroup(row);
        return m_library.Recordings().empty() ? -1 : m_library.CurrentRecording();
      },
      PlayVariant::GroupList);
}

void CTRKDlg::NoteReportsBeforePlay() {
  m_playingBeforePlay = m_playingReports.load();
  m_openingsBeforePlay = m_openingReports.load();
}

PlaybackSequence::Item CTRKDlg::PauseForFirstPicture() {
  // The player needs a moment after Play before a pause can hold a picture:
  // a pause asked for while it is still opening the file is no pause at all
  // (libvlc resumes instead). So the wait lasts 50 ms, and longer until the
  // player reports that it plays (or that the file it opened since has
  // ended or failed) after the Play that NoteReportsBeforePlay preceded.
  return PlaybackSequence::PauseUntil(50, kFirstPictureMaxMs, [this] {
    return m_playingReports.load() != m_playingBeforePlay ||
           (m_openingReports.load() != m_openingsBeforePlay && m_endReports.load() != m_endsAtOpening.load());
  });
}

void CTRKDlg::OnPlayerEnd() {
  const auto count = static_cast<int32_t>(m_library.Recordings().size());
  if (m_autoNext == 0) {
    // The same recording, paused at its first picture.
    m_playbackSteps.Run({
        PlaybackSequence::Do([this] {
          m_engine.Stop();
          BeginNewTimeReports();
          NoteOpeningByWindow();
          NoteReportsBeforePlay();
          m_engine.Play();
          return true;
        }),
        PauseForFirstPicture(),
        PlaybackSequence::Do([this] {
          m_engine.Pause();
          ResetPositionSlider();
          m_gsensor.SetCursor(0);
          return true;
        }),
    });
    return;
  }
  const int32_t current = count == 0 ? -1 : std::min(m_library.CurrentRecording(), count - 1);
  if (current >= 0 && current + 1 < count) {
    RedrawGroupPathsIfNeeded(current, current + 1);
    PlayRecording(current + 1, PlayVariant::NextAtEnd);
    return;
  }
  if (count == 0) {
    // Nothing left to show (the library was emptied under the player).
    m_engine.Stop();
    return;
  }
  // The last recording has ended: the library's first one, paused at its
  // first picture.
  RedrawGroupPathsIfNeeded(current, 0);
  m_playbackSteps.Run({
      PlaybackSequence::Do([this] {
        m_engine.Stop();
        NoteReportsBeforePlay();
        OpenAndPlay(0);
        return true;
      }),
      PauseForFirstPicture(),
      PlaybackSequence::Do([this] {
        m_engine.Pause();
        ResetPositionSlider();
        return true;
      }),
  });
}
