#pragma once
// The program's one window: a frameless top-level window that holds the video
// surface, the map panel, the G-sensor curve, the group and file lists, the
// instruments and the skinned buttons and sliders. It shows the recording
// library and the playback controller that the session (ViewerSession) owns
// and hands it, paints its own skin, lays out its controls itself and shows
// what the controller reports of the player.
//
// The work is split by subject:
//   CTRKDlg.cpp          construction, OnInitDialog, what a copy asks and shows
//   WindowControls.h     the child controls, built with the window
//   CTRKDlgLayout.cpp    layout, video fit, painting
//   WindowFrame.h        the frameless frame: move, grip, gaps, sizes, full screen
//   CTRKDlgCommands.cpp  panels, window buttons, the commands' set-up
//   CTRKDlgMessages.cpp  window input, the config dialog's settings, timers
//   PlaybackPresenter.h  playback controls, the player's reports, seeking
//   CTRKDlgClose.cpp     close path and destruction
//   CTRKDlgKeys.cpp      keys, wheel and drops on the whole window; button tips
//   FileCommands.h       SAVE, DEL, LOCK, the export menu, the repair offer
//   ClipCommand.h        the clip's marks and the clip command
#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "dialogs/CEventListDlg.h"
#include "views/CGSensorCtrl.h"
#include "controls/CGdipButton.h"
#include "app/ClipCommand.h"
#include "app/FileCommands.h"
#include "app/WindowPrompts.h"
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
#include "library/LibraryLists.h"
#include "app/MainLayout.h"
#include "app/PlaybackPresenter.h"
#include "library/RecordingLibrary.h"
#include "app/TimerId.h"
#include "app/TrkControlIds.h"
#include "app/WindowControls.h"
#include "app/WindowFrame.h"
#include "app/TrackDisplay.h"
#include "app/TripEventsPresenter.h"

class BusyGuard;
class CHtmlMapDlg;
class FolderOpening;
struct TrackPart;
class QDropEvent;
class QKeyEvent;
class QWheelEvent;
struct KeyBinding;
class QMenu;
class QTimer;

class CTRKDlg : public QWidget, public CopyFeedback {
  Q_OBJECT

 public:
  // The window shows `library` and `playback`, which outlive it as `busy`
  // does; `mapHost` takes the map placeholder's place at start-up and is
  // taken back by its owner before the window goes.
  CTRKDlg(RecordingLibrary& library, CPlaybackController& playback, CHtmlMapDlg& mapHost, BusyGuard& busy,
          QWidget* parent = nullptr);
  ~CTRKDlg() override;

  // Start-up of the window, in order: settings, engine binding, map host,
  // pictures, saved rectangle, layout, lists, timers.
  bool OnInitDialog();

  // Layout and sizing.
  void LayoutControls(int cx, int cy);
  void FitVideo();

  // Commands: the session connects every button to its handler.
  void OnCancel();
  void OnBnClickedClose();
  void OnBnClickedAbout();
  void OnBnClickedConf();

  void OnBnClickedMap();
  void OnBnClickedGsr();
  // The language the config dialog applied: every text of the window again.
  void OnLanguageChanged();

  // Timers by id, as the window's timer handler sees them.
  void SetTimer(TimerId id, int periodMs);
  void KillTimer(TimerId id);
  bool IsTimerActive(TimerId id) const;
  void OnTimer(TimerId id);

  // The playback controller: the media engine and the player's reports.
  CPlaybackController& Playback() { return *m_playback; }
  const CPlaybackController& Playback() const { return *m_playback; }

  // CopyFeedback.
  bool ConfirmOverwrite(const std::string& destinationPath) override;
  void ShowCopyProgress(int percent, const std::string& text) override;
  void HideCopyProgress() override;

  // The title area's menu (the About entry).
  QMenu* SystemMenu() const { return m_systemMenu.get(); }
  // A control of the window by id (null when there is none).
  QWidget* Control(int id) const;
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
  // The map host.
  CHtmlMapDlg* MapDlg() const { return m_mapDlg; }
  const RecordingLibrary& Library() const { return m_library; }
  // The frame: moves, sizes, full screen and the geometry it last applied.
  WindowFrame& Frame() const { return *m_frame; }
  // What the buttons ask for: playback, and the file commands.
  PlaybackPresenter& Player() const { return *m_playbackPresenter; }
  FileCommands& Files() const { return *m_files; }

  // What the window shows now.
  bool IsMapEnabled() const { return m_mapEnabled != 0; }
  bool IsGSensorEnabled() const { return m_gsensorEnabled != 0; }
  int32_t MapProvider() const { return m_mapProvider; }
  // The recording opened last and the folder opened last.
  const QString& CurrentFile() const { return m_playbackPresenter->CurrentFile(); }
  const QString& CurrentFolder() const { return m_currentFolder; }

 private:
  // State, in declaration order.
  QString m_title;
  int32_t m_titleSize = 18;
  QIcon m_hIcon;
  int32_t m_mapEnabled = 1;
  int32_t m_gsensorEnabled = 1;

  CHtmlMapDlg* m_mapDlg;
  int32_t m_mapProvider = 0;
  QString m_currentFolder;
  RecordingLibrary& m_library;
  BusyGuard& m_busy;

 private:
  CPlaybackController* m_playback;

 private:
  // Child controls (destroyed after the tooltip).
  WindowControls m_ui{this};
  QColor m_background;
  std::unique_ptr<CTrcToolTipCtrl> m_toolTip;
  // The library's rows in the two lists, and its loaded recording's track on
  // the map, the curve and the instruments.
  LibraryLists m_lists{m_library, &m_ui.m_groupList, &m_ui.m_fileList};
  TrackDisplay m_trackDisplay{m_library, m_ui};
  // Watches the window's mouse and size events; destroyed before the controls.
  std::unique_ptr<WindowFrame> m_frame = std::make_unique<WindowFrame>(*this);
  // The playback buttons, the player's reports and the time displays
  // (destroyed before the controls it shows through).
  std::unique_ptr<PlaybackPresenter> m_playbackPresenter =
      std::make_unique<PlaybackPresenter>(*this, *m_playback, m_library, m_lists, m_trackDisplay, m_busy);

 signals:
  // The window has closed (the close path has run).
  void Closed();
  // A path dropped on the window, to be opened.
  void PathDropped(const QString& path);
  // The repaired copies' folder, to be opened in the viewer.
  void RepairedFolderChosen(const QString& folder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Whether the widget is part of what this window shows (its own children and
  // the map's embedded web view).
  bool ShowsWidget(const QWidget* widget) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetUpControls();
  void LoadPictures();
  void SetUpLists();
  void OnMapProviderChanged();
  // keys, wheel and drops (CTRKDlgKeys.cpp)
  bool OnWindowKey(const QKeyEvent& event);
  bool RunKeyAction(const KeyBinding& binding);
  bool OnWindowWheel(const QWidget* target, const QWheelEvent& event);
  bool OnWindowDrag(QDropEvent& event);
  void OpenDropped(const QString& path);
  bool IsPointerOverVideo() const;
  // Every button's tooltip in the language in force.
  void ApplyButtonTips();

  // commands and full screen
  // The file and clip commands with the window's answers to what they ask.
  void SetUpCommands();
  void StopForCommand();
  // The opening reads and sets the folder opened last, and runs the steps
  // around a scan that belong to the window (the repair offer, the group's
  // paths, the stop before it).
  friend class FolderOpening;

  std::unique_ptr<QMenu> m_systemMenu;
  std::map<TimerId, std::unique_ptr<QTimer>> m_timers;
  bool m_closed = false;

 public:
  // Harsh moments of the playing trip (TripEventsPresenter).
  const TripEventsPresenter& Events() const { return *m_events; }

 private:
  // Declared after the controls: the events button lives on the curve, which
  // must outlive it.
  std::unique_ptr<TripEventsPresenter> m_events;

 public:
  // Incident clips: the marks and the clip command.
  ClipCommand& Clip() { return *m_clip; }

 private:
  // Declared last: destroyed first, a clip still being made is cancelled and
  // waited for while the window's controls are all there.
  std::unique_ptr<WindowPrompts> m_prompts;
  std::unique_ptr<FileCommands> m_files;
  std::unique_ptr<ClipCommand> m_clip;
};
