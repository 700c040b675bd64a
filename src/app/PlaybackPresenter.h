#pragma once
// What the window shows of playback: the playback buttons (PLAY, STOP, FAST,
// SLOW, the volume and mute, the snapshot, rotate, Loop), the recording a
// list or the end of the one before opens, the player's reports, seeking by
// the slider, the keys and the wheel, and the time displays that follow the
// video (slider, curve, map, speed, compass, GPS icon).
//
// It asks the playback controller and the recording library it is given and
// shows through the window's controls; it owns neither.
//
//   PlaybackPresenter.cpp        buttons, opening and playing a recording
//   PlaybackPresenterSync.cpp    player reports, seeking, stepping, the volume,
//                                the marquee, the time displays
//   PlaybackPresenterWiring.cpp  the controller wired to the controls
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "app/TimerId.h"
#include "playback/CPlaybackController.h"

class CTRKDlg;
class LibraryLists;
class RecordingLibrary;
class TrackDisplay;
class BusyGuard;
struct WindowControls;

class PlaybackPresenter : public QObject {
  Q_OBJECT

 public:
  // The start is asked for as the first millisecond: a seek target of 0
  // means that no seek is pending.
  static constexpr int64_t kFirstSeekableMs = 1;
  // One press of a volume key, one notch of the wheel over the video.
  static constexpr int kVolumeStep = 5;

  PlaybackPresenter(CTRKDlg& window, CPlaybackController& playback, RecordingLibrary& library, LibraryLists& lists,
                    TrackDisplay& trackDisplay, BusyGuard& busy);

  // The one place that connects the controller to the controls.
  void SetUpPlaybackConnections();

  // The window's timers that belong to playback; false for the others.
  bool OnPlaybackTimer(TimerId id);

  void OnBnClickedPlay();
  void OnBnClickedStop();
  void OnBnClickedFast();
  void OnBnClickedSlow();
  void OnBnClickedVolume();
  void OnBnClickedSnapshot();
  void OnBnClickedRotate();
  void OnBnClickedLoop();

  // Opens recording `index` of the library and plays it.
  void PlayRecording(int32_t index);
  // The group's paths on the map, instead of those shown.
  void RedrawGroupPaths(int32_t group);
  // A double-click on a row of the file list or the group list.
  void OnPlayFile(int32_t row);
  void OnPlayGroup(int32_t row);
  void OnPlayerEnd();

  // Holds `work` while the steps of a stop-and-reopen run (true), to run it
  // after them in its order; false: nothing runs, do it now.
  bool HoldWhilePlaybackSteps(std::function<void()> work);
  // Runs `work` now, or after the stop-and-reopen under way.
  void AfterPlaybackSteps(const std::function<void()>& work);

  // Seeking and stepping as the keys, the wheel, the curve and the map ask.
  void SeekBy(int64_t deltaMs);
  void SeekTo(int64_t wantedMs);
  // A click on the curve or on the route: plays from that moment.
  void PlayFrom(int64_t timeMs);
  void StepFrame(int direction);
  void ChangeVolumeBy(int delta);
  void ToggleMute();
  void PlayNeighbour(int step);
  // A turn of the wheel (angle delta in eighths of a degree): the volume
  // over the video, else a seek (over the position slider).
  void OnWheelTurn(bool overVideo, int angleDelta);

  // The seek request of a slider drag, for a target already computed:
  // pending until the next 500 ms tick, the displays at the target at once.
  void RequestSeek(int64_t targetMs);
  // The time update: curve cursor, map marker and driven line, speed,
  // compass and the GPS icon for a play time.
  void UpdateTimeDisplays(int64_t timeMs);
  // PLAY's picture: play, or pause while a recording plays; never grey.
  void ShowPlayPicture(bool playing = false);

  // The recording opened last (empty before the first).
  const QString& CurrentFile() const { return m_currentFile; }

 signals:
  // Recording `index` is being opened, before the player has it: what
  // belongs to the recording (its trip's events, the clip's marks) follows.
  void RecordingOpening(int32_t index);

 private:
  // The window's controls, where everything here is shown.
  WindowControls& Ui();
  void ShowSpeedMarquee();
  void StartMarqueeBurst();
  void OnMarqueeTick();
  void OnSeekRequest();
  void OnVolumeChanged();
  void OnPositionSliderScroll();
  void ApplyPendingSeek();
  QString AskSnapshotPath();
  void OpenAndPlay(int32_t index);
  void RedrawGroupPathsIfNeeded(int32_t previous, int32_t index);
  // Stops, waits 200 ms, then plays what select picks (-1: nothing) from a list.
  void StopAndPlayFromList(std::function<int32_t()> select);
  void ShowGpsIconState(int32_t state);
  void ResetPositionSlider();
  void OnPlayerTime(int64_t timeMs, int32_t sliderPosition);
  void OnPlayerState(PlayerState state);
  void OnPlayerError();
  int64_t FrameMs() const;

  CTRKDlg& m_window;
  CPlaybackController& m_playback;
  RecordingLibrary& m_library;
  LibraryLists& m_lists;
  TrackDisplay& m_trackDisplay;
  BusyGuard& m_busy;  // held while a list-started recording starts
  QString m_currentFile;
  // Times the marquee is set again before its timer stops.
  int32_t m_marqueeRepeats = 10;
  // Fine-grained wheels (touchpads) add up to whole notches.
  int m_volumeWheelRest = 0;
  int m_seekWheelRest = 0;
  // The window has closed: nothing more is asked of the player.
  bool m_closed = false;
};
