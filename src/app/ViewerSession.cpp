#include "app/ViewerSession.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/TitleMenu.h"
#include "app/VideoOutputChoice.h"
#include "map/CHtmlMapDlg.h"
#include "map/TrackDrawing.h"
#include "playback/CPlaybackController.h"

ViewerSession::ViewerSession(const WindowFactory& makeWindow)
    : m_playback(std::make_unique<CPlaybackController>([this] { return !m_windowClosed; }, VideoOutputArguments())),
      m_mapHost(std::make_unique<CHtmlMapDlg>()) {
  // After the controller: the window's start-up tells whether the engine
  // has loaded the media library.
  m_window = makeWindow ? makeWindow(m_library, *m_playback, *m_mapHost, m_busy)
                        : std::make_unique<CTRKDlg>(m_library, *m_playback, *m_mapHost, m_busy);
  m_opening = std::make_unique<FolderOpening>(*m_window, m_library, *m_playback, m_busy);
  SetUpWindowInput();
  SetUpLibraryViews();
  SetUpPlaybackConnections();
  SetUpButtonConnections();
  SetUpTitleMenuConnections();
  SetUpOpeningConnections();
}

ViewerSession::~ViewerSession() {
  // No timed step of the player runs any more, and no input reaches the
  // window while its parts go.
  m_windowClosed = true;
  qApp->removeEventFilter(m_window.get());
  m_opening.reset();
  // The library must not draw into views that are going.
  m_library.AttachViews(nullptr, nullptr, nullptr, nullptr, nullptr);
  m_library.SetProgressView(nullptr);
  m_library.SetRedrawGroupPaths(nullptr);
  m_mapHost.reset();
  m_window.reset();
  // Then the controller (the media library released and unloaded), then the library.
}

void ViewerSession::SetUpWindowInput() {
  // application -> window: keys, wheel turns and drops on any of its controls
  qApp->installEventFilter(m_window.get());
  // window -> session: once closed, the player's timed steps stop
  QObject::connect(m_window.get(), &CTRKDlg::Closed, m_window.get(), [this] { m_windowClosed = true; });
}

void ViewerSession::SetUpLibraryViews() {
  // library -> lists, curve, map, window
  WindowControls& ui = m_window->Ui();
  m_library.AttachViews(&ui.m_groupList, &ui.m_fileList, &ui.m_gsensor, m_mapHost.get(), m_window.get());
  m_library.SetProgressView(&ui.m_video);
  // library -> map: after a deletion it redraws the current group's paths
  m_library.SetRedrawGroupPaths([this](int32_t group) {
    ClearGroupPaths(m_library);
    DrawGroupPath(m_library, group);
  });
}

void ViewerSession::SetUpPlaybackConnections() {
  // player -> busy guard: the first time report after a start lets go
  m_playback->SetBusyGuard(&m_busy.Flag());
}

void ViewerSession::ConnectButton(CGdipButton& button, std::function<void()> command) {
  QObject::connect(&button, &QAbstractButton::clicked, m_window.get(),
                   [this, command = std::move(command)] { RunCommand(command); });
}

void ViewerSession::RunCommand(const std::function<void()>& command) {
  if (m_playback->HoldWhileSteps([this, command] { RunCommand(command); })) return;
  command();
}

void ViewerSession::SetUpButtonConnections() {
  CTRKDlg& window = *m_window;
  WindowControls& ui = window.Ui();
  // playback buttons -> playback
  ConnectButton(ui.m_play, [&window] { window.OnBnClickedPlay(); });
  ConnectButton(ui.m_stop, [&window] { window.OnBnClickedStop(); });
  ConnectButton(ui.m_fast, [&window] { window.OnBnClickedFast(); });
  ConnectButton(ui.m_slow, [&window] { window.OnBnClickedSlow(); });
  ConnectButton(ui.m_volume, [&window] { window.OnBnClickedVolume(); });
  ConnectButton(ui.m_snap, [&window] { window.OnBnClickedSnapshot(); });
  ConnectButton(ui.m_loop, [&window] { window.OnBnClickedLoop(); });
  ConnectButton(ui.m_flip, [&window] { window.OnBnClickedRotate(); });

  // OPEN -> opening
  ConnectButton(ui.m_open, [this] { m_opening->OnBnClickedOpen(); });

  // file buttons -> file commands
  ConnectButton(ui.m_save, [&window] { window.OnBnClickedSave(); });
  ConnectButton(ui.m_del, [&window] { window.OnBnClickedDel(); });
  ConnectButton(ui.m_lock, [&window] { window.OnBnClickedLock(); });
  ConnectButton(ui.m_kml, [&window] { window.OnBnClickedKml(); });

  // panel and window buttons -> window
  ConnectButton(ui.m_mapButton, [&window] { window.OnBnClickedMap(); });
  ConnectButton(ui.m_gsr, [&window] { window.OnBnClickedGsr(); });
  ConnectButton(ui.m_close, [&window] { window.OnBnClickedClose(); });
  ConnectButton(ui.m_maximize, [&window] { window.OnBnClickedMaximize(); });
  ConnectButton(ui.m_minimize, [&window] { window.OnBnClickedMinimize(); });
  ConnectButton(ui.m_about, [&window] { window.OnBnClickedAbout(); });
  ConnectButton(ui.m_conf, [&window] { window.OnBnClickedConf(); });
  ConnectButton(ui.m_sizeS, [&window] { window.SetWindowSize(WindowSizeCommand::Small); });
  ConnectButton(ui.m_sizeM, [&window] { window.SetWindowSize(WindowSizeCommand::Medium); });
  ConnectButton(ui.m_sizeL, [&window] { window.SetWindowSize(WindowSizeCommand::Large); });
}

void ViewerSession::SetUpTitleMenuConnections() {
  // title menu -> About, configuration
  CTRKDlg& window = *m_window;
  QObject::connect(TitleMenuAction(*window.SystemMenu(), TitleMenuEntry::About), &QAction::triggered, &window,
                   [&window] { window.OnBnClickedAbout(); });
  QObject::connect(TitleMenuAction(*window.SystemMenu(), TitleMenuEntry::Config), &QAction::triggered, &window,
                   [&window] { window.OnBnClickedConf(); });
}

void ViewerSession::SetUpOpeningConnections() {
  // window -> opening: a dropped path, the repaired copies
  FolderOpening* opening = m_opening.get();
  QObject::connect(m_window.get(), &CTRKDlg::PathDropped, opening, &FolderOpening::OpenDropped);
  QObject::connect(m_window.get(), &CTRKDlg::RepairedFolderChosen, opening, &FolderOpening::OpenWhenFree);
}
