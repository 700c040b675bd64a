// Incident clips from the window: the marks, the clip command and its report.
#include "app/ClipCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/CTRKDlg.h"
#include "app/ClipWorker.h"
#include "app/CommandPrompts.h"
#include "app/FileCommands.h"
#include "app/NativeSurface.h"
#include "clip/MakeClip.h"
#include "dialogs/CClipDlg.h"
#include "dialogs/CTrcConfigDlg.h"
#include "export/TripFigures.h"
#include "playback/DialogPause.h"
#include "settings/CSettings.h"
#include "app/SharedTextIds.h"
#ifdef TRK_HAVE_SHAREABLE_CLIP
#include "clip/video/ShareableClip.h"
#endif

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

ClipCommand::ClipCommand(CTRKDlg& window, RecordingLibrary& library, CPlaybackController& playback,
                         CommandPrompts& prompts, FileCommands& files,
                         std::function<std::optional<DrivingEvent>()> chosenEvent)
    : m_window(window),
      m_library(library),
      m_playback(playback),
      m_prompts(prompts),
      m_files(files),
      m_chosenEvent(std::move(chosenEvent)) {}

ClipCommand::~ClipCommand() = default;

std::optional<ClipCommand::PlayingTrip> ClipCommand::CurrentTrip() const {
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

std::optional<double> ClipCommand::TripMoment(const PlayingTrip& trip) const {
  const CPlaybackController& player = m_playback;
  if (!(player.IsPlaying() || player.IsPaused())) return std::nullopt;
  // A seek still pending is where the user is.
  const int64_t pending = m_playback.SeekTarget();
  const int64_t now = std::max<int64_t>(0, pending != 0 ? pending : player.TimeMs());
  return trip.currentStart + static_cast<double>(now) / 1000.0;
}

void ClipCommand::MarkClip(bool start) {
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

void ClipCommand::ClearClipMark(bool start) {
  (start ? m_clipStart : m_clipEnd).reset();
  ShowClipMarks();
}

void ClipCommand::ClearClipMarks() {
  m_clipStart.reset();
  m_clipEnd.reset();
  m_clipTrip.clear();
  m_window.Ui().m_positionSlider.SetClipMarks({});
}

void ClipCommand::ShowClipMarks() {
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
  m_window.Ui().m_positionSlider.SetClipMarks({fraction(m_clipStart), fraction(m_clipEnd)});
}

std::vector<ClipPiece> ClipCommand::ClipPieces(double& from, double& to) const {
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
    if (const std::optional<DrivingEvent> chosen = m_chosenEvent ? m_chosenEvent() : std::nullopt) {
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

void ClipCommand::OnClip() {
  if (m_prompts.WindowClosed() || m_clipWorker) return;
  if (m_files.RefuseEmptyLibrary()) return;
  DialogPause pause(m_playback);
  double from = 0.0, to = 0.0;
  std::vector<ClipPiece> pieces = ClipPieces(from, to);
  if (pieces.empty()) {
    m_prompts.Ask(kNothingPlaying, kCaption, QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  CSettings& settings = CSettings::Instance();
  CClipDlg::Choice choice;
  choice.folder = Decoded(settings.ReadString("UI", kClipFolderKey, "", CSettings::kLastFolderMaxChars));
  const QString span =
      LoadQText(kSpanText)
          .arg(QString::fromStdString(FormatDuration(from)), QString::fromStdString(FormatDuration(to)))
          .arg(static_cast<int>(std::lround(to - from)));
  CClipDlg dialog(&m_window, span, choice, kShareableBuilt);
  if (dialog.exec() != QDialog::Accepted || m_prompts.WindowClosed()) return;
  choice = dialog.Chosen();
  const QString folder = AskClipFolder(choice.folder);
  if (folder.isEmpty()) return;
  settings.WriteString("UI", kClipFolderKey, QFile::encodeName(folder).toStdString());
  CTrcConfigDlg::TellIfSettingNotStored(&m_window);

  ClipRequest request;
  request.pieces = std::move(pieces);
  request.kinds = static_cast<uint8_t>((choice.lossless ? static_cast<uint8_t>(ClipKind::Lossless) : 0) |
                                       (choice.shareable ? static_cast<uint8_t>(ClipKind::Shareable) : 0));
  request.outputFolder = QFile::encodeName(folder).toStdString();
  request.cardRoot = QFile::encodeName(m_window.CurrentFolder()).toStdString();
  request.speedUnit = settings.ReadSpeedUnit() == SpeedUnit::Mph ? 1 : 0;
  StartClip(std::move(request));
}

QString ClipCommand::AskClipFolder(const QString& typed) {
  // The folder of the dialog, or the picker's until one will do or the user
  // cancels; never the card, which is only read.
  QString candidate = typed;
  for (;;) {
    const bool missing = candidate.isEmpty() || !QFileInfo(candidate).isDir();
    if (!missing && !IsInside(candidate, m_window.CurrentFolder())) return QFileInfo(candidate).absoluteFilePath();
    m_prompts.Ask(missing ? kFolderMissing : kOutsideCard, kWarningCaption, QMessageBox::Ok, QMessageBox::Warning);
    if (m_prompts.WindowClosed()) return QString();
    const std::optional<QString> chosen = m_prompts.AskFolder(LoadQText(kPickerTitle), missing ? QString() : candidate);
    if (!chosen || m_prompts.WindowClosed()) return QString();
    candidate = *chosen;
  }
}

void ClipCommand::StartClip(ClipRequest request) {
  m_clipWorker = std::make_unique<ClipWorker>([request = std::move(request)](const ClipProgress& progress) {
    return MakeClip(request, progress, Shareable());
  });
  if (!m_clipCancel) {
    // Over the board's right end; a native window like the board's, to
    // stay above the video surface.
    m_clipCancel = std::make_unique<QPushButton>(&m_window);
    m_clipCancel->setFocusPolicy(Qt::NoFocus);
    MakeNativeSurface(m_clipCancel.get());
    connect(m_clipCancel.get(), &QPushButton::clicked, this, &ClipCommand::CancelClip);
    m_clipPoll = std::make_unique<QTimer>();
    connect(m_clipPoll.get(), &QTimer::timeout, this, &ClipCommand::OnClipPoll);
  }
  m_clipCancel->setText(LoadQText(kCancel));
  m_clipCancel->setEnabled(true);
  PlaceClipCancel(true);
  m_prompts.ShowProgress(0, LoadQText(kBoardText).arg(0));
  m_clipCancel->raise();
  m_clipPoll->start(kPollMs);
}

void ClipCommand::PlaceClipCancel(bool visible) {
  // At the board's right end, wherever the layout has put the board since.
  const QRect board = m_window.Ui().m_progressBoard.geometry();
  m_clipCancel->setGeometry(board.right() + 1 - kCancelWidth, board.top(), kCancelWidth, board.height());
  m_clipCancel->setVisible(visible);
}

void ClipCommand::CancelClip() {
  if (!m_clipWorker) return;
  m_clipWorker->Cancel();
  m_clipCancel->setEnabled(false);
}

void ClipCommand::OnClipPoll() {
  if (!m_clipWorker) return;
  if (!m_clipWorker->Finished()) {
    const int percent = std::clamp(static_cast<int>(m_clipWorker->Done() * 100.0), 0, 100);
    if (percent != m_window.Ui().m_progressBoard.Percent())
      m_prompts.ShowProgress(percent, LoadQText(kBoardText).arg(percent));
    PlaceClipCancel(m_window.Ui().m_progressBoard.isVisible());
    return;
  }
  m_clipPoll->stop();
  const bool cancelled = m_clipWorker->Cancelled();
  const ClipResult result = m_clipWorker->TakeResult();
  m_clipWorker.reset();
  m_clipCancel->hide();
  m_prompts.HideProgress();
  if (m_prompts.WindowClosed()) return;
  ReportClip(result, cancelled);
}

void ClipCommand::ReportClip(const ClipResult& result, bool cancelled) {
  DialogPause pause(m_playback);
  if (result.failure == ClipFailure::Cancelled || (cancelled && !result.Ok())) {
    m_prompts.Ask(kCancelled, kCaption, QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  if (!result.Ok()) {
    m_prompts.Ask(LoadQText(kNotMade).replace(QStringLiteral("%s"), QString::fromStdString(result.detail)),
                  LoadQText(kCaption), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  QString report = LoadQText(kMadeHeading);
  for (const std::string& file : result.files) report += QLatin1Char('\n') + Decoded(file);
  for (const std::string& note : result.notes) report += QStringLiteral("\n\n") + QString::fromStdString(note);
  report += QStringLiteral("\n\n") + LoadQText(kOpenFolder);
  const QString folder = result.files.empty() ? QString() : QFileInfo(Decoded(result.files.front())).absolutePath();
  const QMessageBox::StandardButton chosen =
      m_prompts.Choose(report, LoadQText(kCaption), QMessageBox::Information,
                       {{QMessageBox::Ok, LoadQText(kShowInFileManager)}, {QMessageBox::Cancel, LoadQText(kCancel)}});
  if (m_prompts.WindowClosed() || chosen != QMessageBox::Ok || folder.isEmpty()) return;
  if (!m_prompts.ShowInFileManager(folder))
    m_prompts.Ask(LoadQText(kNoFileManager).replace(QStringLiteral("%s"), folder), LoadQText(kWarningCaption),
                  QMessageBox::Ok, QMessageBox::Warning);
}
