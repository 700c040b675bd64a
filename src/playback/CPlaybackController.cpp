#include "playback/CPlaybackController.h"

#include <QMetaObject>
#include <QTemporaryDir>
#include <malloc.h>

#include <algorithm>
#include <cmath>

#include "playback/MediaEngine.h"

namespace {

// How long the player may take from Play to its first picture before the
// pause that shows that picture is given anyway.
constexpr int kFirstPictureMaxMs = 3000;
// The video output shows its first picture within a display turn of being made.
constexpr int kFirstPictureDrawMs = 40;
// The player settles this long after a stop before the next file opens.
constexpr int kSettleAfterStopMs = 200;
// The delayed start's countdown: 0 or -1 is not counting.
constexpr int32_t kNotCounting = -1;

}  // namespace

CPlaybackController::CPlaybackController(std::function<bool()> alive, std::vector<std::string> outputArguments)
    : m_engine(std::make_unique<MediaEngine>(std::string{}, std::vector<std::string>{}, std::move(outputArguments))),
      m_steps(std::move(alive)) {
  m_releaseTimer.setSingleShot(true);
  m_releaseTimer.setInterval(kReleaseOutputAfterPauseMs);
  connect(&m_releaseTimer, &QTimer::timeout, this, &CPlaybackController::OnPauseSettled);
  m_trimTimer.setInterval(kReturnFreedMemoryMs);
  m_trimTimer.setSingleShot(true);
  connect(&m_trimTimer, &QTimer::timeout, this, &CPlaybackController::ReturnFreedMemory);
}

CPlaybackController::~CPlaybackController() = default;

// Only atomics are touched here and the window thread is never waited for: it
// may be inside a call into libvlc (Stop) that waits for this callback to
// return. Every report reaches the window thread through the event queue.
void CPlaybackController::OnPlayerEvent(const libvlc_event_t* event, void* context) {
  if (event == nullptr || context == nullptr) return;
  auto* self = static_cast<CPlaybackController*>(context);
  const auto post = [self](auto work) { QMetaObject::invokeMethod(self, std::move(work), Qt::QueuedConnection); };
  switch (event->type) {
    case libvlc_MediaPlayerOpening:
      self->m_endsAtOpening = self->m_endReports.load();
      ++self->m_openingReports;
      self->m_seekTarget = 0;
      self->PostGpsIconState(0);
      break;
    case libvlc_MediaPlayerStopped:
      self->PostGpsIconState(0);
      // A stop forgets a released output: its still goes.
      post([self] { self->SyncStill(); });
      break;
    case libvlc_MediaPlayerPlaying:
      ++self->m_playingReports;
      post([self] { emit self->StateChanged(PlayerState::Playing); });
      break;
    case libvlc_MediaPlayerPaused: {
      // The seek that stood when the pause was asked is dropped; one asked
      // since (an arrow pressed before this report came) stays.
      int64_t standing = self->m_seekAtPause.load();
      self->m_seekTarget.compare_exchange_strong(standing, 0);
      post([self] {
        self->ArmOutputRelease();
        emit self->StateChanged(PlayerState::Paused);
      });
      break;
    }
    case libvlc_MediaPlayerEndReached: {
      // The report carries its number: the window thread tells by it whether
      // the recording that ended is still the one loaded.
      const uint32_t report = ++self->m_endReports;
      post([self, report] { self->OnEndReport(report); });
      self->m_seekTarget = 0;
      break;
    }
    case libvlc_MediaPlayerEncounteredError:
      ++self->m_endReports;
      post([self] { emit self->Failed(); });
      break;
    case libvlc_MediaPlayerTimeChanged: {
      // While a seek is pending, reports of the old time are dropped.
      if (self->m_seekTarget.load() != 0) break;
      const int64_t time = self->m_engine->GetTime();
      const int32_t position = SliderPositionFor(time, self->m_engine->GetLength());
      const uint32_t span = self->m_timeEpoch.load();
      // The slider is moved by the window thread, with the time report.
      post([self, time, position, span] { self->OnTimeReport(time, position, span); });
      if (self->m_busyGuard != nullptr) *self->m_busyGuard = 0;
      break;
    }
    default:
      break;
  }
}

void CPlaybackController::PostGpsIconState(int32_t state) {
  m_gpsIconState = state;
  // What stands when the window gets to it: a time report may have set it since.
  QMetaObject::invokeMethod(
      this, [this] { emit GpsIconStateChanged(m_gpsIconState.load()); }, Qt::QueuedConnection);
}

void CPlaybackController::OnTimeReport(int64_t timeMs, int32_t sliderPosition, uint32_t span) {
  // Posted before a seek request or a reset of the slider, the report is
  // older than what the slider shows now.
  if (m_seekTarget.load() != 0 || span != m_timeEpoch.load()) return;
  if (m_engine->IsPlaying()) m_shownFrameMs = -1;
  emit TimeReported(timeMs, sliderPosition);
}

void CPlaybackController::OnEndReport(uint32_t report) {
  // The end would slip in between the steps of a stop-and-reopen: it waits
  // for their end, in its order with the window's held work.
  if (HoldWhileSteps([this, report] { OnEndReport(report); })) return;
  // Made before the window opened another recording (a list double-click or
  // OPEN ran while it was queued): the user's choice stands.
  if (IsEndReportBeforeOpening(report)) return;
  emit Ended();
}

void CPlaybackController::NoteOpeningByWindow() {
  // End reports made until now belong to the file before and are dropped.
  m_endsAtOpening = m_endReports.load();
}

bool CPlaybackController::IsEndReportBeforeOpening(uint32_t report) const {
  // Report numbers only grow (and may wrap around): the report was made
  // before the opening when it is not newer than the count taken then.
  return static_cast<int32_t>(report - m_endsAtOpening.load()) <= 0;
}

void CPlaybackController::BindVideoWindow(unsigned long window) {
  m_boundVideoWindow = window;
  m_engine->BindWindow(window);
  m_engine->AttachEvents(&CPlaybackController::OnPlayerEvent, this);
  ResetRate();
}

bool CPlaybackController::PauseIfPlaying() {
  if (!m_engine->IsLoaded() || !m_engine->IsPlaying()) return false;
  PauseEngine();
  return true;
}

void CPlaybackController::PauseEngine() {
  m_seekAtPause = m_seekTarget.load();
  m_engine->Pause();
}

bool CPlaybackController::PlayOrPause() {
  if (PauseIfPlaying()) return false;
  Play();
  return true;
}

void CPlaybackController::SetRateIndex(int32_t index) {
  m_rateIndex = std::clamp(index, 0, kLastRateIndex);
  m_engine->SetRate(static_cast<float>(RateTable[static_cast<size_t>(m_rateIndex)].rate));
}

void CPlaybackController::Faster() {
  LiveEngine();
  SetRateIndex(m_rateIndex + 1);
}

void CPlaybackController::Slower() {
  LiveEngine();
  SetRateIndex(m_rateIndex - 1);
}

void CPlaybackController::ShowSpeedMarquee(uint16_t pictureHeight) {
  const RateEntry& entry = RateTable[static_cast<size_t>(m_rateIndex)];
  const MarqueeShown marquee{entry.label, MarqueeSizeFor(pictureHeight), entry.rate != 1.0 ? 1 : 0};
  // The repeats after a start go on into a pause: the same marquee again
  // needs no live picture.
  if (m_engine->IsVideoOutputReleased() && marquee == m_marqueeShown) return;
  m_marqueeShown = marquee;
  LiveEngine().ShowMarquee(marquee.label, marquee.size, marquee.enable);
}

RotateState CPlaybackController::Rotate(unsigned long window, int64_t* timeMs) {
  m_rotated = !m_rotated;
  const RotateState state = m_engine->IsPlaying()                            ? RotateState::Playing
                            : (m_engine->IsLoaded() && m_engine->IsPaused()) ? RotateState::Paused
                                                                             : RotateState::Stopped;
  *timeMs = m_engine->GetTime();
  m_engine->Stop();
  m_engine->Recreate(m_rotated ? EngineMode::Rotated : EngineMode::Normal);
  SyncStill();
  m_boundVideoWindow = window;
  m_engine->BindWindow(window);
  return state;
}

void CPlaybackController::ResumeAfterRotate(RotateState state, int64_t timeMs) {
  switch (state) {
    case RotateState::Playing:
      m_engine->Play();
      m_engine->SetTime(timeMs);
      break;
    case RotateState::Paused:
      PauseEngine();
      m_engine->SetTime(timeMs);
      PauseEngine();
      break;
    case RotateState::Stopped:
      m_engine->Stop();
      break;
  }
}

void CPlaybackController::ReturnFreedMemory() {
  // Every recording gets decoder and input threads of its own, and each
  // thread allocates its pictures and read-ahead in a malloc arena of its
  // own. glibc keeps what they freed, so the resident memory of a viewer
  // playing on grew by megabytes a minute while its heap stayed the same:
  // the free pages go back to the system at every recording and once a
  // minute during a long one.
  malloc_trim(0);
  m_trimTimer.start();
}

void CPlaybackController::OpenMedia(const std::string& path) {
  // Reports of the recording before this one must not move the new displays
  // nor end it.
  BeginNewTimeReports();
  NoteOpeningByWindow();
  m_shownFrameMs = -1;
  m_engine->Open(path);
  SyncStill();
  ReturnFreedMemory();
}

int64_t CPlaybackController::SeekTargetAt(int32_t sliderPosition) const {
  return SeekTargetFor(sliderPosition, m_engine->GetLength());
}

void CPlaybackController::ApplyPendingSeek(const std::function<void(int64_t)>& applied) {
  const int64_t target = m_seekTarget.load();
  if (target == 0) return;
  LiveEngine().SetTime(target);
  m_shownFrameMs = m_engine->IsPaused() ? target : -1;
  applied(target);
  m_seekTarget = 0;
}

int64_t CPlaybackController::StepFrame(int direction, double frameMs, int64_t firstMs, int64_t lastMs) {
  if (!m_engine->IsLoaded() || m_engine->IsPlaying() || !m_engine->IsPaused()) return -1;
  // A seek still pending is the picture about to be shown.
  const int64_t pending = m_seekTarget.load();
  const int64_t shown = pending != 0 ? pending : m_shownFrameMs >= 0 ? m_shownFrameMs : m_engine->GetTime();
  if (shown < 0 || !(frameMs > 0.0)) return -1;
  // Counted in whole pictures from the start. A paused seek shows the first
  // picture at or after its time: the picture shown is the one at or after
  // `shown`, and a picture's time is rounded down to reach it.
  constexpr double kSlack = 1e-6;
  const double frame = std::ceil(static_cast<double>(shown) / frameMs - kSlack) + direction;
  const auto wanted = static_cast<int64_t>(std::floor(std::max(0.0, frame) * frameMs + kSlack));
  const int64_t target = std::clamp(wanted, firstMs, std::max(firstMs, lastMs));
  m_seekTarget = 0;
  BeginNewTimeReports();
  LiveEngine().SetTime(target);
  m_shownFrameMs = target;
  return target;
}

void CPlaybackController::ArmDelayedStart(int32_t index, int32_t ticks) {
  m_pendingIndex = index;
  m_openCountdown = ticks;
}

int32_t CPlaybackController::TickDelayedStart() {
  if (m_openCountdown == 0 || m_openCountdown == kNotCounting) return -1;
  --m_openCountdown;
  return m_openCountdown == 0 ? m_pendingIndex : -1;
}

void CPlaybackController::StopThen(PlaybackSequence::Step next) {
  m_steps.Run({
      PlaybackSequence::Do([this] {
        m_engine->Stop();
        SyncStill();
        return true;
      }),
      PlaybackSequence::Pause(kSettleAfterStopMs),
      PlaybackSequence::Do(std::move(next)),
  });
}

void CPlaybackController::NoteReportsBeforePlay() {
  m_playingBeforePlay = m_playingReports.load();
  m_openingsBeforePlay = m_openingReports.load();
}

PlaybackSequence::Item CPlaybackController::PauseForFirstPicture() {
  // The player needs a moment after Play before a pause can hold a picture:
  // a pause asked for while it is still opening the file is no pause at all
  // (libvlc resumes instead), and one asked for before the first picture is
  // drawn leaves the surface black. So the wait lasts until the player
  // reports that it plays after the Play that NoteReportsBeforePlay preceded
  // and has made its video output (the first picture goes to it at once),
  // or until the file it opened since has ended or failed.
  return PlaybackSequence::PauseUntil(50, kFirstPictureMaxMs, [this] {
    const bool ended = m_openingReports.load() != m_openingsBeforePlay && m_endReports.load() != m_endsAtOpening.load();
    return ended || (m_playingReports.load() != m_playingBeforePlay && m_engine->HasVideoOutput());
  });
}

void CPlaybackController::PauseAtFirstPicture(std::function<void()> start, std::function<void()> shown) {
  m_steps.Run({
      PlaybackSequence::Do([this, start = std::move(start)] {
        m_engine->Stop();
        SyncStill();
        NoteReportsBeforePlay();
        start();
        return true;
      }),
      PauseForFirstPicture(),
      PlaybackSequence::Pause(kFirstPictureDrawMs),
      PlaybackSequence::Do([this, shown = std::move(shown)] {
        PauseEngine();
        shown();
        return true;
      }),
  });
}

void CPlaybackController::PlayAgain() {
  m_shownFrameMs = -1;
  BeginNewTimeReports();
  NoteOpeningByWindow();
  m_engine->Play();
}

bool CPlaybackController::IsLoaded() const { return m_engine->IsLoaded(); }
bool CPlaybackController::IsPlaying() const { return m_engine->IsPlaying(); }
bool CPlaybackController::IsPaused() const { return m_engine->IsPaused(); }
int64_t CPlaybackController::LengthMs() const { return m_engine->GetLength(); }
int64_t CPlaybackController::TimeMs() const { return m_engine->GetTime(); }
double CPlaybackController::Fps() const { return m_engine->GetFps(); }
void CPlaybackController::Stop() { m_engine->Stop(); }
void CPlaybackController::SetVolume(int32_t volume) { m_engine->SetVolume(volume); }
void CPlaybackController::SetMute(bool mute) { m_engine->SetMute(mute ? 1 : 0); }
