#pragma once
// The playback controller: the media engine, the rate FAST and SLOW step
// through, the pending seek, the timed steps around pauses, and the
// bookkeeping that tells the player's reports of the recording now loaded
// from those of the one before. The main window owns it, wires its signals to
// the controls and calls it from its handlers; nothing outside this folder
// sees a libvlc event.
//
// Threads: the engine's callback runs on libvlc's thread and only touches
// atomics here; it hands every report to the window thread through the event
// queue, in the order the reports were made, and the signals are emitted
// there.
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "playback/PlaybackSequence.h"
#include "playback/RateTable.h"

// What the player reports of its state (StateChanged): PLAY
// shows its play picture for Idle and Paused, its pause picture for Starting
// and Playing. The player itself reports Playing and Paused only.
enum class PlayerState : int { Idle = 1, Starting = 2, Playing = 3, Paused = 4 };
inline constexpr int kFirstPlayerState = static_cast<int>(PlayerState::Idle);
inline constexpr int kLastPlayerState = static_cast<int>(PlayerState::Paused);

// A player that stands paused this long gives its video output up, and a
// still of the picture stands in for it (CPlaybackControllerRelease.cpp).
inline constexpr int kReleaseOutputAfterPauseMs = 1000;
// Memory the player's threads freed goes back to the system this often.
inline constexpr int kReturnFreedMemoryMs = 60000;

class MediaEngine;  // MediaEngine.h: libvlc's header stays inside this folder
class QTemporaryDir;
struct libvlc_event_t;

// How the player stood before rotate rebuilt it, and so how it stands after.
enum class RotateState : int { Playing = 1, Paused = 2, Stopped = 3 };

class CPlaybackController : public QObject {
  Q_OBJECT

 public:
  // alive() is asked before every timed step (false once the window closed).
  // outputArguments: the display's choice of video output for the engine.
  explicit CPlaybackController(std::function<bool()> alive = {}, std::vector<std::string> outputArguments = {});
  ~CPlaybackController() override;

  // The engine itself, for this folder and the engine's tests; the window
  // goes through the methods below.
  MediaEngine& Engine() { return *m_engine; }
  const MediaEngine& Engine() const { return *m_engine; }
  // What the window asks of the player.
  bool IsLoaded() const;
  bool IsPlaying() const;
  bool IsPaused() const;
  int64_t LengthMs() const;
  int64_t TimeMs() const;
  double Fps() const;  // 0 when not known
  void Stop();
  void SetVolume(int32_t volume);
  void SetMute(bool mute);
  // The engine for a command that needs the live picture (play, seek, next
  // frame, rate, marquee): an output released during a long pause is
  // brought back first.
  MediaEngine& LiveEngine();
  // Plays on (a released output comes back with it).
  void Play();
  // The snapshot command: the picture shown, written to `path` at its own
  // size. While the output is released that is the still, copied.
  void TakeSnapshot(const std::string& path);

  // The media library's event callback (libvlc's thread; a few events arrive
  // on the window thread from inside the engine's calls). context is the
  // controller.
  static void OnPlayerEvent(const libvlc_event_t* event, void* context);

  // Binds the engine to the video surface's window and attaches the callback;
  // the rate starts at normal.
  void BindVideoWindow(unsigned long window);
  unsigned long BoundVideoWindow() const { return m_boundVideoWindow; }
  // Cleared by the first time report after a start (see BusyGuard).
  void SetBusyGuard(std::atomic<int32_t>* guard) { m_busyGuard = guard; }

  // PLAY: pauses a playing player, else plays; true when it started playing.
  bool PlayOrPause();
  // Pauses a playing player (for a dialog, a switch of the window); true
  // when it did, and the caller plays again afterwards.
  bool PauseIfPlaying();
  // FAST and SLOW: one step of the rate table, within its ends; STOP and
  // OPEN: the normal rate.
  void ResetRate() { SetRateIndex(kNormalRateIndex); }
  void Faster();
  void Slower();
  int32_t RateIndex() const { return m_rateIndex; }
  // The marquee text for the rate in force, at the size for a picture height
  // (0: not known); shown only while the rate is not the normal one.
  void ShowSpeedMarquee(uint16_t pictureHeight);

  // Loop: whether the next recording follows at the end of one.
  bool AutoNext() const { return m_autoNext; }
  void ToggleAutoNext() { m_autoNext = !m_autoNext; }

  // Rotate: flips the picture, rebuilds the engine for it and binds it to
  // `window` again; answers how the player stood before and at which time.
  RotateState Rotate(unsigned long window, int64_t* timeMs);
  // Once the file is open again: as the player stood, at the time it was at.
  void ResumeAfterRotate(RotateState state, int64_t timeMs);
  bool IsRotated() const { return m_rotated; }

  // Opens `path` for the window: reports of the file before it are dropped.
  void OpenMedia(const std::string& path);

  // The pending seek (0: none). While one is pending, time reports are dropped.
  int64_t SeekTarget() const { return m_seekTarget.load(); }
  void SetSeekTarget(int64_t targetMs) { m_seekTarget = targetMs; }
  // The target for a slider position of the recording loaded.
  int64_t SeekTargetAt(int32_t sliderPosition) const;
  // Seeks to the pending target, if any, and runs `applied` with it before
  // time reports flow again.
  void ApplyPendingSeek(const std::function<void(int64_t)>& applied);
  // One picture forward (direction 1) or back (-1) from the picture on
  // screen, within firstMs..lastMs; answers the time shown (-1: none).
  // libvlc's own frame step goes on from where its decoder stands, which
  // after a seek or a long pause is the key frame before the picture: a
  // seek of a paused player decodes forward from that key frame to the
  // exact picture instead.
  int64_t StepFrame(int direction, double frameMs, int64_t firstMs, int64_t lastMs);

  // Time reports made before this call are dropped: the window has moved the
  // slider itself.
  void BeginNewTimeReports() { ++m_timeEpoch; }
  // End reports of the player (an end or an error) so far.
  uint32_t EndReports() const { return m_endReports.load(); }

  // The GPS icon's picture state (1: a fix is shown); the callback clears it.
  int32_t GpsIconState() const { return m_gpsIconState.load(); }
  void SetGpsIconState(int32_t state) { m_gpsIconState = state; }

  // The delayed start after OPEN: the `ticks`-th call of TickDelayedStart
  // after ArmDelayedStart answers `index` (the recording to start); every
  // other call answers -1.
  void ArmDelayedStart(int32_t index, int32_t ticks);
  int32_t TickDelayedStart();
  int32_t PendingIndex() const { return m_pendingIndex; }
  int32_t OpenCountdown() const { return m_openCountdown; }

  // The timed steps (see PlaybackSequence).
  bool IsRunningSteps() const { return m_steps.IsRunning(); }
  bool HoldWhileSteps(std::function<void()> work) { return m_steps.HoldWhileRunning(std::move(work)); }
  // Stops, waits, then runs `next` (false: it did nothing).
  void StopThen(PlaybackSequence::Step next);
  // Stops, runs `start` (which plays), and pauses at the first picture, after
  // which `shown` runs.
  void PauseAtFirstPicture(std::function<void()> start, std::function<void()> shown);
  // Plays the file loaded from its start again (the window's own opening).
  void PlayAgain();

 signals:
  // Each on the window thread, in the order the player made the reports.
  void StateChanged(PlayerState state);
  // A time report of the span in force, with the slider position for it.
  void TimeReported(int64_t timeMs, int32_t sliderPosition);
  // The recording loaded has ended (stale reports and those that come while
  // steps run are sorted out before).
  void Ended();
  void Failed();
  // The GPS icon's picture state as it stands now.
  void GpsIconStateChanged(int32_t state);
  // The picture file (PNG) that stands in for the released video output, or
  // an empty path once the output is back or the player has moved on.
  void StillChanged(const QString& path);

 private:
  void NoteOpeningByWindow();
  // Pauses the engine, noting the seek that stands as it is asked.
  void PauseEngine();
  void NoteReportsBeforePlay();
  PlaybackSequence::Item PauseForFirstPicture();
  void PostGpsIconState(int32_t state);
  void OnTimeReport(int64_t timeMs, int32_t sliderPosition, uint32_t span);
  void OnEndReport(uint32_t report);
  bool IsEndReportBeforeOpening(uint32_t report) const;
  void SetRateIndex(int32_t index);
  // The long pause (CPlaybackControllerRelease.cpp).
  void ArmOutputRelease();
  void OnPauseSettled();
  QString StillPath();
  void SyncStill();
  void ReturnFreedMemory();

  // Declared before the engine, so that they outlive a report it makes
  // while it is released.
  std::atomic<int64_t> m_seekTarget{0};
  // The pending seek when the window last asked for a pause (see the Paused
  // report in OnPlayerEvent).
  std::atomic<int64_t> m_seekAtPause{0};
  std::atomic<int32_t> m_gpsIconState{0};
  // Time reports belong to the numbered span they were made in; a new span
  // begins whenever the window sets the slider or opens a file itself.
  std::atomic<uint32_t> m_timeEpoch{0};
  // Opening, Playing and end-or-error reports counted by the callback, and
  // the end reports counted at the last Opening (by the callback, and by the
  // window thread as it opens a recording).
  std::atomic<uint32_t> m_openingReports{0};
  std::atomic<uint32_t> m_playingReports{0};
  std::atomic<uint32_t> m_endReports{0};
  std::atomic<uint32_t> m_endsAtOpening{0};
  uint32_t m_openingsBeforePlay = 0;
  uint32_t m_playingBeforePlay = 0;
  std::atomic<int32_t>* m_busyGuard = nullptr;
  // The time of the picture a seek or a frame step put on screen while
  // paused; -1 once the player has moved on.
  int64_t m_shownFrameMs = -1;

  int32_t m_rateIndex = kNormalRateIndex;
  bool m_autoNext = true;
  bool m_rotated = false;
  int32_t m_pendingIndex = -1;
  int32_t m_openCountdown = 0;
  // The surface's window id as handed to the engine (0: not bound).
  unsigned long m_boundVideoWindow = 0;

  std::unique_ptr<MediaEngine> m_engine;
  // Steps that must keep their order around pauses (stop, wait, reopen).
  PlaybackSequence m_steps;

  // Restarted by every pause and every command; when it runs out with the
  // player still paused, the video output is released.
  QTimer m_releaseTimer;
  // The next return of freed memory (ReturnFreedMemory).
  QTimer m_trimTimer;
  // The private folder of the still, made when first needed.
  std::unique_ptr<QTemporaryDir> m_stillDir;
  // The still the window was last told of (empty: none).
  QString m_stillShown;
  // The marquee as last handed to the player: the still shows it already.
  struct MarqueeShown {
    const char* label = nullptr;
    int32_t size = -1;
    int32_t enable = -1;
    bool operator==(const MarqueeShown&) const = default;
  };
  MarqueeShown m_marqueeShown;
};
