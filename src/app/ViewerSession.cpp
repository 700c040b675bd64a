#include "app/ViewerSession.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/TitleMenu.h"
#include "app/VideoOutputChoice.h"
#include "map/CHtmlMapDlg.h"
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
  ConnectButton(ui.m_play, [&window] { window.Player().OnBnClickedPlay(); });
  ConnectButton(ui.m_stop, [&window] { window.Player().OnBnClickedStop(); });
  ConnectButton(ui.m_fast, [&window] { window.Player().OnBnClickedFast(); });
  ConnectButton(ui.m_slow, [&window] { window.Player().OnBnClickedSlow(); });
  ConnectButton(ui.m_volume, [&window] { window.Player().OnBnClickedVolume(); });
  ConnectButton(ui.m_snap, [&window] { window.Player().OnBnClickedSnapshot(); });
  ConnectButton(ui.m_loop, [&window] { window.Player().OnBnClickedLoop(); });
  ConnectButton(ui.m_flip, [&window] { window.Player().OnBnClickedRotate(); });

  // OPEN -> opening
  ConnectButton(ui.m_open, [this] { m_opening->OnBnClickedOpen(); });

  // file buttons -> file commands
  ConnectButton(ui.m_save, [&window] { window.Files().OnBnClickedSave(); });
  ConnectButton(ui.m_del, [&window] { window.Files().OnBnClickedDel(); });
  ConnectButton(ui.m_lock, [&window] { window.Files().OnBnClickedLock(); });
  ConnectButton(ui.m_kml, [&window] { window.Files().OnBnClickedKml(); });

  // panel and window buttons -> window
  ConnectButton(ui.m_mapButton, [&window] { window.OnBnClickedMap(); });
  ConnectButton(ui.m_gsr, [&window] { window.OnBnClickedGsr(); });
  ConnectButton(ui.m_close, [&window] { window.OnBnClickedClose(); });
  ConnectButton(ui.m_maximize, [&window] { window.Frame().OnBnClickedMaximize(); });
  ConnectButton(ui.m_minimize, [&window] { window.Frame().OnBnClickedMinimize(); });
  ConnectButton(ui.m_about, [&window] { window.OnBnClickedAbout(); });
  ConnectButton(ui.m_conf, [&window] { window.OnBnClickedConf(); });
  ConnectButton(ui.m_sizeS, [&window] { window.Frame().SetWindowSize(WindowSizeCommand::Small); });
  ConnectButton(ui.m_sizeM, [&window] { window.Frame().SetWindowSize(WindowSizeCommand::Medium); });
  ConnectButton(ui.m_sizeL, [&window] { window.Frame().SetWindowSize(WindowSizeCommand::Large); });
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
