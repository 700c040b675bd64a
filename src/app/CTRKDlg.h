#pragma once
// The program's one window: a frameless top-level window that holds the video
// surface, the map panel, the G-sensor curve, the group and file lists, the
// instruments, the skinned buttons and sliders, the recording library and the
// playback controller (which holds the media engine). It paints its own skin,
// lays out its controls itself, handles the private messages of its controls
// and shows what the controller reports of the player.
//
// The work is split by subject:
//   CTRKDlg.cpp          construction, OnInitDialog, the library's owner view
//   WindowControls.h     the child controls, built with the window
//   CTRKDlgLayout.cpp    layout, video fit, shape, painting, mouse, window sizes
//   CTRKDlgCommands.cpp  command dispatch, file commands, panels, window buttons
//   CTRKDlgOpen.cpp      opening a folder (the scan on its worker)
//   CTRKDlgOpenPath.cpp  opening a path or URI given from outside
//   CTRKDlgFullScreen.cpp full-screen mode
//   CTRKDlgMessages.cpp  private messages, timers
//   CTRKDlgPlayback.cpp  playback controls, opening and playing a recording
//   CTRKDlgSync.cpp      player reports, time reports, seeking, the marquee
//   CTRKDlgPlaybackWiring.cpp  the playback controller wired to the controls
//   CTRKDlgClose.cpp     close path and destruction
//   CTRKDlgKeys.cpp      keys, wheel and drops on the whole window; button tips
//   CTRKDlgExport.cpp    the KML button's export menu, the group rows' trip figures
//   CTRKDlgClip.cpp      the clip's marks and the clip command
#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "dialogs/CEventListDlg.h"
#include "views/CGSensorCtrl.h"
#include "controls/CGdipButton.h"
#include "app/CFolderScan.h"
#include "clip/ClipSpan.h"
#include "controls/CMySliderControl.h"
#include "playback/CPlaybackController.h"
#include "views/CPngCompassStatic.h"
#include "views/CPngStatic.h"
#include "views/CSpeedLabelStatic.h"
#include "views/CStatusBoardStatic.h"
#include "controls/CTrcToolTipCtrl.h"
#include "controls/CTrkFileListCtrl.h"
#include "controls/CTrkGroupListCtrl.h"
#include "controls/CVideoSlider.h"
#include "views/CVideoStatic.h"
#include "controls/ControlId.h"
#include "events/DrivingEvents.h"
#include "library/LibraryViews.h"
#include "app/MainLayout.h"
#include "library/RecordingLibrary.h"
#include "app/TimerId.h"
#include "app/TrkControlIds.h"
#include "app/VideoOutputChoice.h"
#include "app/WindowControls.h"

class CHtmlMapDlg;
struct TrackPart;
class QDropEvent;
class QKeyEvent;
class QWheelEvent;
struct KeyBinding;
enum class ExportChoice;
class QMenu;
class QPushButton;
class QTimer;
class ClipWorker;

// An OPEN scan or a list-started playback is under way (shared with the media
// library's thread).
extern std::atomic<int32_t> g_busy;

// Window position and size saved before covering the monitor or full screen.
struct SavedWindowRect {
  int32_t top = 0;
  int32_t left = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class CTRKDlg : public QWidget, public IOwnerView {
  Q_OBJECT

 public:
  explicit CTRKDlg(QWidget* parent = nullptr);
  ~CTRKDlg() override;

  // Start-up of the window, in order: settings, engine binding, map host,
  // pictures, saved rectangle, layout, lists and library, timers.
  bool OnInitDialog();

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

  // Layout and sizing.
  void LayoutControls(int cx, int cy);
  void FitVideo();
  void SetWindowSize(WindowSizeCommand command);
  // Rectangle of the monitor nearest to the window (the whole monitor, not
  // its work area).
  QRect MonitorRect() const;

  // Commands: every button reports its control id here.
  void OnCommand(int id);
  void OnSysCommand(int id);
  void OnCancel();
  void OnBnClickedClose();
  void OnBnClickedMaximize();
  void OnBnClickedMinimize();
  void OnBnClickedAbout();
  void OnBnClickedConf();

  // Opens recording `index` of the library.
  void PlayRecording(int32_t index);

  // commands and full screen (CTRKDlgCommands.cpp, CTRKDlgOpen.cpp,
  // CTRKDlgFullScreen.cpp)
  void OnBnClickedOpen();
  void OnBnClickedSave();
  void OnBnClickedDel();
  void OnBnClickedLock();
  void OnBnClickedKml();
  // The KML button's right-click menu at `globalPos`; runs the chosen export.
  void OnKmlMenu(const QPoint& globalPos);
  // Right-click menu of the KML button and the group rows' tooltips.
  void SetUpExportMenu();
  // One export of the menu, with its message box (Kml is the left click).
  void OnExport(ExportChoice choice);
  // The group list's tooltip of row `row`: the group's trip figures.
  QString GroupTripTip(int row);
  void OnBnClickedMap();
  void OnBnClickedGsr();
  // Enters or leaves full-screen mode.
  void OnToggleFullScreen();
  // The language the config dialog applied: every text of the window again.
  void OnLanguageChanged();
  // Shows every control of the normal layout, or hides them for full screen.
  void ShowControls(bool show);
  // An OPEN scan is under way (its worker has not been taken back yet).
  bool IsScanning() const;

  // Timers by id, as the window's timer handler sees them.
  void SetTimer(TimerId id, int periodMs);
  void KillTimer(TimerId id);
  bool IsTimerActive(TimerId id) const;
  void OnTimer(TimerId id);

  // The playback controller: the media engine and the player's reports.
  CPlaybackController& Playback() { return *m_playback; }
  const CPlaybackController& Playback() const { return *m_playback; }

  // IOwnerView.
  void SetHeading(int32_t degrees) override;
  void ClearHeading() override;
  void SetSpeed(bool valid, uint16_t kmh) override;
  bool ConfirmOverwrite(const std::string& destinationPath) override;
  void ShowCopyProgress(int percent, const std::string& text) override;
  void HideCopyProgress() override;

  // The title area's menu (the About entry).
  QMenu* SystemMenu() const { return m_systemMenu.get(); }
  // A control of the window by id (null when there is none).
  QWidget* Control(int id) const;
  // Layout of the last LayoutControls.
  const std::optional<LayoutResult>& LastLayout() const { return m_lastLayout; }
  // A control of the window by id as its class (the id must name one).
  template <class T>
  T& ControlAs(int id) const {
    T* control = FindControlAs<T>(this, id);
    Q_ASSERT(control != nullptr);
    return *control;
  }
  CGdipButton& Button(int id) const { return ControlAs<CGdipButton>(id); }
  // The child controls, for the parts of the program that show through them.
  WindowControls& Ui() { return m_ui; }
  const WindowControls& Ui() const { return m_ui; }
  const CVideoStatic& Video() const { return m_ui.m_video; }
  // The map host (null before OnInitDialog).
  CHtmlMapDlg* MapDlg() const { return m_mapDlg.get(); }
  const RecordingLibrary& Library() const { return m_library; }

  // What the window shows now.
  bool IsFullScreen() const { return m_fullScreen != 0; }
  bool IsMaximized() const { return m_maximized != 0; }
  bool IsMapEnabled() const { return m_mapEnabled != 0; }
  bool IsGSensorEnabled() const { return m_gsensorEnabled != 0; }
  int32_t MapProvider() const { return m_mapProvider; }
  // The client area's size as the last size event gave it.
  QSize ClientSize() const { return QSize(m_clientWidth, m_clientHeight); }
  // The video is to be shown again after the window comes back from minimized.
  bool IsVideoRestorePending() const { return m_restoreVideoPending != 0; }
  // The recording opened last and the folder opened last.
  const QString& CurrentFile() const { return m_currentFile; }
  const QString& CurrentFolder() const { return m_currentFolder; }

 private:
  // State, in declaration order.
  QString m_title;
  int32_t m_titleSize = 18;
  QIcon m_hIcon;
  int32_t m_clientWidth = 0;
  int32_t m_clientHeight = 0;
  uint8_t m_maximized = 0;
  uint8_t m_fullScreen = 0;
  uint8_t m_restoreVideoPending = 0;
  int32_t m_marqueeRepeats = 10;
  SavedWindowRect m_savedRect;
  int32_t m_mapEnabled = 1;
  int32_t m_gsensorEnabled = 1;

  // Panel borders (wishes clamped by every layout, not saved).
  uint8_t m_gripDrag = 0;
  std::optional<EdgeRect> m_rightColumnRect;
  EdgeRect m_listSplitRect;
  EdgeRect m_columnSplitRect;
  uint8_t m_dragMapSplit = 0;
  uint8_t m_dragListSplit = 0;
  uint8_t m_dragColumnSplit = 0;
  int32_t m_mapWidth = 240;
  int32_t m_mapHeight = 240;
  int32_t m_listHeight = 120;

  std::unique_ptr<CHtmlMapDlg> m_mapDlg;
  int32_t m_mapProvider = 0;
  QString m_currentFile;
  QString m_currentFolder;
  // The last destination of SAVE in this run, where its next picker starts.
  QString m_lastSaveFolder;
  RecordingLibrary m_library;

 public:
  // playback and synchronisation (CTRKDlgPlayback.cpp, CTRKDlgSync.cpp)
  void OnBnClickedPlay();
  void OnBnClickedStop();
  void OnBnClickedFast();
  void OnBnClickedSlow();
  void OnBnClickedVolume();
  void OnBnClickedSnapshot();
  void OnBnClickedRotate();
  void OnBnClickedLoop();
  void ShowSpeedMarquee();
  void StartMarqueeBurst();
  void OnPlayerEnd();
  void OnPlayFile(int32_t row);
  void OnPlayGroup(int32_t row);
  void OnSeekRequest();
  void OnVolumeChanged();
  void OnPositionSliderScroll();
  void ApplyPendingSeek();
  // The seek request of a slider drag, for a target already computed:
  // pending until the next 500 ms tick, the displays at the target at once.
  void RequestSeek(int64_t targetMs);
  // The time update: curve cursor, map marker and driven line, speed,
  // compass and the GPS icon for a play time.
  void UpdateTimeDisplays(int64_t timeMs);

 private:
  // Destroyed before the library and after every control: the media library
  // is released (and unloaded) once the video surface's users are gone.
  std::unique_ptr<CPlaybackController> m_playback =
      std::make_unique<CPlaybackController>([this] { return !m_closed; }, VideoOutputArguments());

 private:
  // Child controls (destroyed before the controller, after the tooltip).
  WindowControls m_ui{this};
  QColor m_background;
  std::unique_ptr<CTrcToolTipCtrl> m_toolTip;

 signals:
  // The window has closed (the close path has run).
  void Closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Whether the widget is part of what this window shows (its own children and
  // the map's embedded web view).
  bool ShowsWidget(const QWidget* widget) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetUpControls();
  void LoadPictures();
  void SetUpLists();
  void AttachLibrary();
  void ApplyWindowShape();
  void UpdateHoverCursor(const QPoint& p);
  void RepaintMapHost();
  void WriteWindowRect();
  void MoveWindowBy(const QPoint& globalPos);
  void OnMapProviderChanged();
  void OnOpenCountdownTick();
  // playback and synchronisation
  bool HoldWhilePlaybackSteps(std::function<void()> work);
  bool OnPlaybackCommand(int id);
  // Runs `work` now, or after the stop-and-reopen under way.
  void AfterPlaybackSteps(const std::function<void()>& work);
  bool OnPlaybackTimer(TimerId id);
  QString AskSnapshotPath();
  void OpenAndPlay(int32_t index);
  void RedrawGroupPaths(int32_t group);
  void RedrawGroupPathsIfNeeded(int32_t previous, int32_t index);
  // Stops, waits 200 ms, then plays what select picks (-1: nothing) from a list.
  void StopAndPlayFromList(std::function<int32_t()> select);
  void ShowGpsIconState(int32_t state);
  void ResetPositionSlider();
  void OnPlayerTime(int64_t timeMs, int32_t sliderPosition);
  void OnPlayerState(PlayerState state);
  void OnPlayerError();
  void OnMarqueeTick();
  // PLAY's picture: play, or pause while a recording plays; never grey.
  void ShowPlayPicture(bool playing = false);
  // The one place that connects the controller to the controls
  // (CTRKDlgPlaybackWiring.cpp).
  void SetUpPlaybackConnections();

  // keys, wheel and drops (CTRKDlgKeys.cpp)
  bool OnWindowKey(const QKeyEvent& event);
  bool RunKeyAction(const KeyBinding& binding);
  bool OnWindowWheel(const QWidget* target, const QWheelEvent& event);
  bool OnWindowDrag(QDropEvent& event);
  void OpenDropped(const QString& path);
  bool IsPointerOverVideo() const;
  void SeekBy(int64_t deltaMs);
  void SeekTo(int64_t wantedMs);
  // A click on the curve or on the route: plays from that moment.
  void PlayFrom(int64_t timeMs);
  int64_t FrameMs() const;
  void StepFrame(int direction);
  void ChangeVolumeBy(int delta);
  void ToggleMute();
  void PlayNeighbour(int step);
  // Every button's tooltip in the language in force.
  void ApplyButtonTips();
  int m_volumeWheelRest = 0;
  int m_seekWheelRest = 0;

  // commands and full screen
  bool RefuseEmptyLibrary();
  // "No files in list.", with how many files the last scan could not read.
  QString EmptyListText() const;
  bool RefuseNothingChecked();
  // OPEN's guards and preparation before a folder is chosen; false when
  // OPEN is refused now (a recording still starting, a scan under way).
  bool CanOpen() const;
  bool PrepareToOpen();
  void StopForCommand();
  // One box after SAVE, DEL or LOCK: the summary, below the failures if any.
  void ReportFileOperation(uint32_t headingId, uint32_t captionId, const QString& summary);
  void FinishOpen();
  // After OPEN found recordings cut off by power loss: the offer to write
  // repaired copies to another folder, the repair and its report.
  void OfferCutRepair();
  // The folder for the repaired copies, asked until it is one outside the
  // card (empty: cancelled).
  QString AskRepairFolder();
  // The report, with the offer to open the copies in the viewer or the file manager.
  void OfferRepairedFolder(const QString& report, const QString& destination);
  // The library index of the recording at this canonical path (-1: none).
  int32_t FindRecordingIndex(const std::string& canonicalPath) const;
  std::unique_ptr<CFolderScan> m_scan;
  // The recording OpenPath asked to start (canonical path), taken by the next
  // scan's end; empty: the first recording starts.
  std::string m_startRecording;

  std::unique_ptr<QMenu> m_systemMenu;
  std::map<TimerId, std::unique_ptr<QTimer>> m_timers;
  std::optional<LayoutResult> m_lastLayout;
  QSize m_lastLayoutSize;
  // Window move by the background: pending until the pointer moves, then by
  // the platform, or by hand where the platform cannot.
  bool m_movePending = false;
  bool m_manualMove = false;
  QPoint m_movePressGlobal;
  QPoint m_moveStartPos;
  bool m_forwardingDoubleClick = false;
  bool m_closed = false;

 public:
  // Harsh moments of the playing trip (CTRKDlgEvents.cpp): found when a
  // recording of another trip starts, marked on the curve and the position
  // slider, listed in the events window, reached by N and Shift+N.
  void SetUpEvents();
  // Finds the trip's events when `index` belongs to another trip than the
  // last one (or `force`), and marks those of recording `index`.
  void LoadTripEvents(int32_t index, bool force = false);
  // Plays the next (1) or previous (-1) event of the trip.
  void PlayEvent(int step);
  // Plays the trip's event `index` from a few seconds before it.
  void PlayEventAt(int index);
  void OpenEventList();
  void RelabelEvents();
  // The group tooltip's line of event counts for the trip of `parts`.
  QString TripEventsLine(const std::vector<TrackPart>& parts, int32_t firstRecording) const;
  const std::vector<DrivingEvent>& TripEvents() const { return m_tripEventList; }
  CEventListDlg* EventList() const { return m_eventList.get(); }
  CEventsButton* EventsButton() const { return m_eventsButton.get(); }

 private:
  void MarkRecordingEvents(int32_t index);
  void MarkTripEventsOnMap();
  void OnEventTime(int64_t timeMs);
  std::string m_eventsTrip;  // the trip whose events are held: its first path and count
  std::vector<RecordingEvents> m_tripEvents;
  std::vector<DrivingEvent> m_tripEventList;
  int m_currentEvent = -1;
  int32_t m_eventSeekRecording = -1;  // a chosen event's recording is opening
  int64_t m_eventSeekMs = -1;
  // Declared last: the button lives on the curve, which must outlive it.
  std::unique_ptr<CEventsButton> m_eventsButton;
  std::unique_ptr<CEventListDlg> m_eventList;

 public:
  // Incident clips (CTRKDlgClip.cpp): I and O mark the span on the trip,
  // Shift clears them; the clip command asks what to make and where and
  // makes it beside the window thread with the progress board.
  void MarkClip(bool start);
  void ClearClipMark(bool start);
  void ClearClipMarks();
  void OnClip();
  bool IsMakingClip() const { return m_clipWorker != nullptr; }
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
  // The marks of the playing recording on the slider (forgotten for another trip).
  void ShowClipMarks();
  // The clip's pieces: between the marks, else around the moment or the
  // event chosen last; [from, to) in trip seconds.
  std::vector<ClipPiece> ClipPieces(double& from, double& to) const;
  QString AskClipFolder(const QString& typed);
  void StartClip(ClipRequest request);
  void PlaceClipCancel(bool visible);
  void OnClipPoll();
  void ReportClip(const ClipResult& result, bool cancelled);
  std::string m_clipTrip;
  std::optional<double> m_clipStart;
  std::optional<double> m_clipEnd;
  std::unique_ptr<QPushButton> m_clipCancel;
  std::unique_ptr<QTimer> m_clipPoll;
  // Last: a clip still being made is cancelled and waited for first.
  std::unique_ptr<ClipWorker> m_clipWorker;
};
