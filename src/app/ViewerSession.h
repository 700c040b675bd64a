#pragma once
// What the program is while it runs: the recording library, the playback
// controller, the folder opening with its scan, the map host and the window,
// built in an order that lets each one outlive its users, and every
// connection between them made in one place.
#include <functional>
#include <memory>

#include "app/BusyGuard.h"
#include "library/RecordingLibrary.h"

class CGdipButton;
class CHtmlMapDlg;
class CPlaybackController;
class CTRKDlg;
class FolderOpening;

class ViewerSession {
 public:
  // Builds the window on the parts the session owns (tests build a window
  // that watches more).
  using WindowFactory = std::function<std::unique_ptr<CTRKDlg>(RecordingLibrary& library, CPlaybackController& playback,
                                                               CHtmlMapDlg& mapHost, BusyGuard& busy)>;

  explicit ViewerSession(const WindowFactory& makeWindow = {});
  ~ViewerSession();
  ViewerSession(const ViewerSession&) = delete;
  ViewerSession& operator=(const ViewerSession&) = delete;

  CTRKDlg& Window() { return *m_window; }
  FolderOpening& Opening() { return *m_opening; }
  BusyGuard& Busy() { return m_busy; }

 private:
  void SetUpWindowInput();
  void SetUpPlaybackConnections();
  void SetUpButtonConnections();
  void SetUpTitleMenuConnections();
  void SetUpOpeningConnections();
  // `command` for a press of `button`.
  void ConnectButton(CGdipButton& button, std::function<void()> command);
  // Runs `command` now, or after the stop-and-reopen under way, in its order.
  void RunCommand(const std::function<void()>& command);

  // Declared in the order they may be built; destroyed in the reverse order
  // by hand (see the destructor).
  bool m_windowClosed = false;
  RecordingLibrary m_library;
  // The player clears the flag from its own thread while it lives.
  BusyGuard m_busy;
  // Outlives the window: the media library is released (and unloaded) once
  // the video surface's users are gone.
  std::unique_ptr<CPlaybackController> m_playback;
  // A child of the window once the window has started: goes before it.
  std::unique_ptr<CHtmlMapDlg> m_mapHost;
  std::unique_ptr<CTRKDlg> m_window;
  // Its scan's worker reports to the window: cancelled and waited for first.
  std::unique_ptr<FolderOpening> m_opening;
};
