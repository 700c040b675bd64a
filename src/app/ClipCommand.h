#pragma once
// Incident clips: I and O mark the clip's start and end at the current
// moment of the trip (seconds from the trip's first picture), shown on the
// position slider and forgotten when another trip opens. The clip command
// (the KML button's menu, Ctrl+E) asks what to make and where, then makes it
// on a thread of its own with the progress board and a Cancel, and tells
// what was made.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clip/ClipSpan.h"
#include "clip/ClipTypes.h"
#include "events/DrivingEvents.h"

class CommandPrompts;
class CPlaybackController;
class CTRKDlg;
class ClipWorker;
class FileCommands;
class QPushButton;
class QTimer;
class RecordingLibrary;

class ClipCommand : public QObject {
 public:
  // `chosenEvent`: the trip's event chosen last, if any. Lives no longer
  // than `window`: the Cancel it makes is one of the window's children.
  ClipCommand(CTRKDlg& window, RecordingLibrary& library, CPlaybackController& playback, CommandPrompts& prompts,
              FileCommands& files, std::function<std::optional<DrivingEvent>()> chosenEvent);
  ~ClipCommand() override;

  void MarkClip(bool start);
  void ClearClipMark(bool start);
  void ClearClipMarks();
  // The marks of the playing recording on the slider (forgotten for another trip).
  void ShowClipMarks();
  void OnClip();
  bool IsMakingClip() const { return m_clipWorker != nullptr; }
  // The board's Cancel, and Escape, while a clip is made.
  void CancelClip();
  // The board's Cancel while a clip is made (null before the first clip).
  QPushButton* ClipCancelButton() const { return m_clipCancel.get(); }

 private:
  struct PlayingTrip {
    std::vector<TripRecording> recordings;
    int32_t first = 0;          // library index of its first recording
    std::size_t current = 0;    // the playing one, in `recordings`
    double currentStart = 0.0;  // seconds of the trip before it
    double seconds = 0.0;       // the trip's length
    std::string key;            // its first path and count
  };
  std::optional<PlayingTrip> CurrentTrip() const;
  // Seconds from the trip's start to what is on screen; none without a recording.
  std::optional<double> TripMoment(const PlayingTrip& trip) const;
  // The clip's pieces: between the marks, else around the moment or the
  // event chosen last; [from, to) in trip seconds.
  std::vector<ClipPiece> ClipPieces(double& from, double& to) const;
  QString AskClipFolder(const QString& typed);
  void StartClip(ClipRequest request);
  void PlaceClipCancel(bool visible);
  void OnClipPoll();
  void ReportClip(const ClipResult& result, bool cancelled);

  CTRKDlg& m_window;
  RecordingLibrary& m_library;
  CPlaybackController& m_playback;
  CommandPrompts& m_prompts;
  FileCommands& m_files;
  std::function<std::optional<DrivingEvent>()> m_chosenEvent;
  std::string m_clipTrip;
  std::optional<double> m_clipStart;
  std::optional<double> m_clipEnd;
  std::unique_ptr<QPushButton> m_clipCancel;
  std::unique_ptr<QTimer> m_clipPoll;
  // Last: a clip still being made is cancelled and waited for first.
  std::unique_ptr<ClipWorker> m_clipWorker;
};
