// Incident clips from the window: I and O mark the clip's start and end at
// the current moment of the trip (seconds from the trip's first picture),
// shown on the position slider and forgotten when another trip opens. The
// clip command (the KML button's menu, Ctrl+E) asks what to make and where,
// then makes it on a thread of its own with the progress board and a Cancel,
// and tells what was made.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "dialogs/CClipDlg.h"
#include "dialogs/CFolderDialog.h"
#include "settings/CSettings.h"
#include "app/CTRKDlg.h"
#include "dialogs/CTrcConfigDlg.h"
#include "app/ClipWorker.h"
#include "clip/ClipSpan.h"
#include "playback/DialogPause.h"
#include "clip/MakeClip.h"
#include "app/NativeSurface.h"
#include "export/TripFigures.h"
#include "app/TrkMessageBox.h"
#ifdef TRK_HAVE_SHAREABLE_CLIP
#include "clip/video/ShareableClip.h"
#endif

bool IsInside(const QString& folder, const QString& root);  // CTRKDlgRepair.cpp

namespace {

constexpr uint32_t kSpanText = 361;
constexpr uint32_t kCaption = 369;
constexpr uint32_t kMadeHeading = 370;
constexpr uint32_t kNotMade = 371;
constexpr uint32_t kCancelled = 372;
constexpr uint32_t kBoardText = 373;
constexpr uint32_t kNothingPlaying = 374;
constexpr uint32_t kOpenFolder = 375;
constexpr uint32_t kPickerTitle = 367;
constexpr uint32_t kOutsideCard = 253;
constexpr uint32_t kShowInFileManager = 281;
constexpr uint32_t kNoFileManager = 282;
constexpr uint32_t kFolderMissing = 132;
constexpr uint32_t kWarningCaption = 131;
constexpr uint32_t kCancel = 108;
constexpr int kPollMs = 100;
constexpr int kCancelWidth = 90;

// Where the last clip went, as the picker's start the next time.
constexpr const char* kClipFolderKey = "ClipFolder";

#ifdef TRK_HAVE_SHAREABLE_CLIP
constexpr bool kShareableBuilt = true;
#else
constexpr bool kShareableBuilt = false;
#endif

ShareableWriter Shareable() {
#ifdef TRK_HAVE_SHAREABLE_CLIP
  return WriteShareableClip;
#else
  return {};
#endif
}

QString Decoded(const std::string& path) { return QFile::decodeName(path.c_str()); }

}  // namespace

std::optional<CTRKDlg::PlayingTrip> CTRKDlg::CurrentTrip() const {
  const int32_t current = m_library.CurrentRecording();
  const int32_t group = current >= 0 ? m_library.FindGroupOf(current) : -1;
  if (group < 0 || static_cast<std::size_t>(group) >= m_library.Groups().size()) return std::nullopt;
  const RecordingGroup& g = m_library.Groups()[static_cast<std::size_t>(group)];
  PlayingTrip trip;
  trip.first = g.first;
  trip.current = static_cast<std::size_t>(current - g.first);
  for (int32_t i = g.first; i < g.first + g.count; ++i) {
    const double seconds = m_library.Recordings()[static_cast<std::size_t>(i)].summary.durationMs / 1000.0;
    if (i < current) trip.currentStart += seconds;
    trip.seconds += seconds;
    trip.recordings.push_back({m_library.GetRecordingPath(i), seconds});
  }
  trip.key = m_library.GetRecordingPath(g.first) + "#" + std::to_string(g.count);
  return trip;
}

std::optional<double> CTRKDlg::TripMoment(const PlayingTrip& trip) const {
  const CPlaybackController& player = *m_playback;
  if (!(player.IsPlaying() || player.IsPaused())) return std::nullopt;
  // A seek still pending is where the user is.
  const int64_t pending = m_playback->SeekTarget();
  const int64_t now = std::max<int64_t>(0, pending != 0 ? pending : player.TimeMs());
  return trip.currentStart + static_cast<double>(now) / 1000.0;
}

void CTRKDlg::MarkClip(bool start) {
  const std::optional<PlayingTrip> trip = CurrentTrip();
  const std::optional<double> moment = trip ? TripMoment(*trip) : std::nullopt;
  if (!moment) return;
  if (trip->key != m_clipTrip) ClearClipMarks();
  m_clipTrip = trip->key;
  (start ? m_clipStart : m_clipEnd) = *moment;
  // An end before the start: the two trade places, so the span is always
  // the one between the marks.
  if (m_clipStart && m_clipEnd && *m_clipEnd < *m_clipStart) std::swap(m_clipStart, m_clipEnd);
  ShowClipMarks();
}

void CTRKDlg::ClearClipMark(bool start) {
  (start ? m_clipStart : m_clipEnd).reset();
  ShowClipMarks();
}

void CTRKDlg::ClearClipMarks() {
  m_clipStart.reset();
  m_clipEnd.reset();
  m_clipTrip.clear();
  m_ui.m_positionSlider.SetClipMarks({});
}

void CTRKDlg::ShowClipMarks() {
  const std::optional<PlayingTrip> trip = CurrentTrip();
  if (!trip || trip->key != m_clipTrip) {
    ClearClipMarks();
    return;
  }
  const double length = trip->recordings[trip->current].seconds;
  auto fraction = [&](const std::optional<double>& mark) -> std::optional<double> {
    if (!mark || !(length > 0.0)) return std::nullopt;
    return (*mark - trip->currentStart) / length;
  };
  m_ui.m_positionSlider.SetClipMarks({fraction(m_clipStart), fraction(m_clipEnd)});
}

std::vector<ClipPiece> CTRKDlg::ClipPieces(double& from, double& to) const {
  const std::optional<PlayingTrip> trip = CurrentTrip();
  const std::optional<double> moment = trip ? TripMoment(*trip) : std::nullopt;
  if (!moment) return {};
  const bool ownMarks = trip->key == m_clipTrip;
  const std::optional<double> start = ownMarks ? m_clipStart : std::nullopt;
  const std::optional<double> end = ownMarks ? m_clipEnd : std::nullopt;
  constexpr double kOneMarkReach = 2 * kClipReachSeconds;
  if (start && end) {
    from = *start;
    to = *end;
  } else if (start) {
    // One mark: the other end is the current moment when it lies on the
    // right side, else as far as a clip without marks reaches.
    from = *start;
    to = *moment > *start ? *moment : *start + kOneMarkReach;
  } else if (end) {
    to = *end;
    from = *moment < *end ? *moment : *end - kOneMarkReach;
  } else {
    // Around the event chosen last while the moment is still near it.
    double around = *moment;
    if (const DrivingEvent* chosen = m_events->CurrentEvent()) {
      const DrivingEvent& e = *chosen;
      const auto index = static_cast<std::size_t>(e.recording - trip->first);
      if (e.recording >= trip->first && index < trip->recordings.size()) {
        double eventAt = e.offsetMs / 1000.0;
        for (std::size_t i = 0; i < index; ++i) eventAt += trip->recordings[i].seconds;
        if (std::abs(eventAt - *moment) <= kClipReachSeconds) around = eventAt;
      }
    }
    const TripSpan span = SpanAround(around, trip->seconds);
    from = span.from;
    to = span.to;
  }
  from = std::clamp(from, 0.0, trip->seconds);
  to = std::clamp(to, 0.0, trip->seconds);
  return PiecesOfSpan(trip->recordings, from, to);
}

void CTRKDlg::OnClip() {
  if (m_closed || m_clipWorker) return;
  if (RefuseEmptyLibrary()) return;
  DialogPause pause(*m_playback);
  double from = 0.0, to = 0.0;
  std::vector<ClipPiece> pieces = ClipPieces(from, to);
  if (pieces.empty()) {
    TrkMessageBox(this, kNothingPlaying, kCaption, QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  CSettings& settings = CSettings::Instance();
  CClipDlg::Choice choice;
  choice.folder = Decoded(settings.ReadString("UI", kClipFolderKey, "", CSettings::kLastFolderMaxChars));
  const QString span =
      LoadQText(kSpanText)
          .arg(QString::fromStdString(FormatDuration(from)), QString::fromStdString(FormatDuration(to)))
          .arg(static_cast<int>(std::lround(to - from)));
  CClipDlg dialog(this, span, choice, kShareableBuilt);
  if (dialog.exec() != QDialog::Accepted || m_closed) return;
  choice = dialog.Chosen();
  const QString folder = AskClipFolder(choice.folder);
  if (folder.isEmpty()) return;
  settings.WriteString("UI", kClipFolderKey, QFile::encodeName(folder).toStdString());
  CTrcConfigDlg::TellIfSettingNotStored(this);

  ClipRequest request;
  request.pieces = std::move(pieces);
  request.kinds = static_cast<uint8_t>((choice.lossless ? static_cast<uint8_t>(ClipKind::Lossless) : 0) |
                                       (choice.shareable ? static_cast<uint8_t>(ClipKind::Shareable) : 0));
  request.outputFolder = QFile::encodeName(folder).toStdString();
  request.cardRoot = QFile::encodeName(m_currentFolder).toStdString();
  request.speedUnit = settings.ReadSpeedUnit() == SpeedUnit::Mph ? 1 : 0;
  StartClip(std::move(request));
}

QString CTRKDlg::AskClipFolder(const QString& typed) {
  // The folder of the dialog, or the picker's until one will do or the user
  // cancels; never the card, which is only read.
  QString candidate = typed;
  for (;;) {
    const bool missing = candidate.isEmpty() || !QFileInfo(candidate).isDir();
    if (!missing && !IsInside(candidate, m_currentFolder)) return QFileInfo(candidate).absoluteFilePath();
    TrkMessageBox(this, missing ? kFolderMissing : kOutsideCard, kWarningCaption, QMessageBox::Ok,
                  QMessageBox::Warning);
    if (m_closed) return QString();
    CFolderDialog picker(this, LoadQText(kPickerTitle), missing ? QString() : candidate);
    if (picker.DoModal() != CFolderDialog::kOk || m_closed) return QString();
    candidate = picker.FolderPath();
  }
}

void CTRKDlg::StartClip(ClipRequest request) {
  m_clipWorker = std::make_unique<ClipWorker>([request = std::move(request)](const ClipProgress& progress) {
    return MakeClip(request, progress, Shareable());
  });
  if (!m_clipCancel) {
    // Over the board's right end; a native window like the board's, to
    // stay above the video surface.
    m_clipCancel = std::make_unique<QPushButton>(this);
    m_clipCancel->setFocusPolicy(Qt::NoFocus);
    MakeNativeSurface(m_clipCancel.get());
    connect(m_clipCancel.get(), &QPushButton::clicked, this, &CTRKDlg::CancelClip);
    m_clipPoll = std::make_unique<QTimer>(this);
    connect(m_clipPoll.get(), &QTimer::timeout, this, &CTRKDlg::OnClipPoll);
  }
  m_clipCancel->setText(LoadQText(kCancel));
  m_clipCancel->setEnabled(true);
  PlaceClipCancel(true);
  ShowCopyProgress(0, LoadQText(kBoardText).arg(0).toStdString());
  m_clipCancel->raise();
  m_clipPoll->start(kPollMs);
}

void CTRKDlg::PlaceClipCancel(bool visible) {
  // At the board's right end, wherever the layout has put the board since.
  const QRect board = m_ui.m_progressBoard.geometry();
  m_clipCancel->setGeometry(board.right() + 1 - kCancelWidth, board.top(), kCancelWidth, board.height());
  m_clipCancel->setVisible(visible);
}

void CTRKDlg::CancelClip() {
  if (!m_clipWorker) return;
  m_clipWorker->Cancel();
  m_clipCancel->setEnabled(false);
}

void CTRKDlg::OnClipPoll() {
  if (!m_clipWorker) return;
  if (!m_clipWorker->Finished()) {
    const int percent = std::clamp(static_cast<int>(m_clipWorker->Done() * 100.0), 0, 100);
    if (percent != m_ui.m_progressBoard.Percent())
      ShowCopyProgress(percent, LoadQText(kBoardText).arg(percent).toStdString());
    PlaceClipCancel(m_ui.m_progressBoard.isVisible());
    return;
  }
  m_clipPoll->stop();
  const bool cancelled = m_clipWorker->Cancelled();
  const ClipResult result = m_clipWorker->TakeResult();
  m_clipWorker.reset();
  m_clipCancel->hide();
  HideCopyProgress();
  if (m_closed) return;
  ReportClip(result, cancelled);
}

void CTRKDlg::ReportClip(const ClipResult& result, bool cancelled) {
  DialogPause pause(*m_playback);
  if (result.failure == ClipFailure::Cancelled || (cancelled && !result.Ok())) {
    TrkMessageBox(this, kCancelled, kCaption, QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  if (!result.Ok()) {
    TrkMessageBox(this, LoadQText(kNotMade).replace(QStringLiteral("%s"), QString::fromStdString(result.detail)),
                  LoadQText(kCaption), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  QString report = LoadQText(kMadeHeading);
  for (const std::string& file : result.files) report += QLatin1Char('\n') + Decoded(file);
  for (const std::string& note : result.notes) report += QStringLiteral("\n\n") + QString::fromStdString(note);
  report += QStringLiteral("\n\n") + LoadQText(kOpenFolder);
  const QString folder = result.files.empty() ? QString() : QFileInfo(Decoded(result.files.front())).absolutePath();
  const QMessageBox::StandardButton chosen =
      TrkChoiceBox(this, report, LoadQText(kCaption), QMessageBox::Information,
                   {{QMessageBox::Ok, LoadQText(kShowInFileManager)}, {QMessageBox::Cancel, LoadQText(kCancel)}});
  if (m_closed || chosen != QMessageBox::Ok || folder.isEmpty()) return;
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
    TrkMessageBox(this, LoadQText(kNoFileManager).replace(QStringLiteral("%s"), folder), LoadQText(kWarningCaption),
                  QMessageBox::Ok, QMessageBox::Warning);
}
