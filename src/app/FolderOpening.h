#pragma once
// Opening a folder of recordings: OPEN with its picker, a path or URI given
// from outside, a dropped path, the repaired copies. The scan runs on a
// worker while the window keeps painting; afterwards the lists fill, the
// group's paths are drawn and the delayed start of the first recording (or
// of the one asked for) is armed.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

class BusyGuard;
class CFolderScan;
class CPlaybackController;
class CTRKDlg;
class RecordingLibrary;

class FolderOpening : public QObject {
  Q_OBJECT

 public:
  FolderOpening(CTRKDlg& window, RecordingLibrary& library, CPlaybackController& playback, BusyGuard& busy);
  // A scan under way is cancelled and waited for.
  ~FolderOpening() override;

  // OPEN after its folder picker: remembers the folder, scans it into the
  // library, fills the lists, draws the first group's paths and arms the
  // delayed start of the first recording.
  // The folder as the bytes of its path (a name need not be UTF-8), or as a
  // QString of a name that is.
  void OpenFolder(const std::string& folder);
  void OpenFolder(const QString& folder);
  // OpenFolder at once; a map page still loading gets the starting group's
  // paths and events once it has loaded.
  void OpenFolderWhenReady(const std::string& folder);
  void OpenFolderWhenReady(const QString& folder);
  // Opens what the command line or the file manager names: a folder (as
  // OpenFolderWhenReady), a recording (its folder, with that recording as the
  // one that starts) or a file:// URI of either (LocalPathOfArgument). Anything
  // else, or a missing path, only shows a message that names it and why.
  void OpenPath(const std::string& pathOrUri);
  void OpenPath(const QString& pathOrUri);
  // A path dropped on the window: the player stops, then OpenPath.
  void OpenDropped(const QString& path);
  // As OPEN would, but not while the card's first recording is starting:
  // tried again for a while.
  void OpenWhenFree(const QString& folder);

  void OnBnClickedOpen();
  // An OPEN scan is under way (its worker has not been taken back yet).
  bool IsScanning() const { return m_scan != nullptr; }
  // The 100 ms countdown of the delayed start runs (from construction on).
  bool IsCountingDown() const { return m_countdown.isActive(); }

 private:
  // OPEN's guards and preparation before a folder is chosen; false when
  // OPEN is refused now (a recording still starting, a scan under way).
  bool CanOpen() const;
  bool PrepareToOpen();
  void FinishOpen();
  void TryOpen(const QString& folder, int attemptsLeft);
  void OnOpenCountdownTick();
  // The library index of the recording at this canonical path (-1: none).
  int32_t FindRecordingIndex(const std::string& canonicalPath) const;

  CTRKDlg& m_window;
  RecordingLibrary& m_library;
  CPlaybackController& m_playback;
  BusyGuard& m_busy;
  QTimer m_countdown;
  std::unique_ptr<CFolderScan> m_scan;
  // The recording OpenPath asked to start (canonical path), taken by the next
  // scan's end; empty: the first recording starts.
  std::string m_startRecording;
};
