// Command dispatch and the commands the window carries out itself: OPEN,
// the MAP and GSR panels, and the window's own buttons (close, cover the
// monitor, minimise, about, configuration, S, M and L). The file and clip
// commands are set up here with the window's answers to what they ask.
#include <QFile>

#include "dialogs/CFolderDialog.h"
#include "dialogs/CHtmlAboutDialog.h"
#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"
#include "app/CTRKDlg.h"
#include "dialogs/CTrcConfigDlg.h"
#include "playback/DialogPause.h"
#include "map/MapReload.h"
#include "app/TrkMessageBox.h"

void CTRKDlg::OnCommand(int id) {
  if (m_playbackPresenter->OnPlaybackCommand(id)) return;  // playback and synchronisation
  switch (id) {
    case IDC_OPEN:
      OnBnClickedOpen();
      break;
    case IDC_SAVE:
      m_files->OnBnClickedSave();
      break;
    case IDC_DEL:
      m_files->OnBnClickedDel();
      break;
    case IDC_LOCK:
      m_files->OnBnClickedLock();
      break;
    case IDC_KML:
      m_files->OnBnClickedKml();
      break;
    case IDC_MAP:
      OnBnClickedMap();
      break;
    case IDC_GSR:
      OnBnClickedGsr();
      break;
    case IDC_CLOSE:
      OnBnClickedClose();
      break;
    case IDC_MAXIMIZE:
      m_frame->OnBnClickedMaximize();
      break;
    case IDC_MINIMIZE:
      m_frame->OnBnClickedMinimize();
      break;
    case IDC_ABOUT:
      OnBnClickedAbout();
      break;
    case IDC_CONF:
      OnBnClickedConf();
      break;
    case IDC_SIZE_S:
      m_frame->SetWindowSize(WindowSizeCommand::Small);
      break;
    case IDC_SIZE_M:
      m_frame->SetWindowSize(WindowSizeCommand::Medium);
      break;
    case IDC_SIZE_L:
      m_frame->SetWindowSize(WindowSizeCommand::Large);
      break;
    default:
      // The video surface's notifications need no action; the playback
      // commands are dispatched by their own handlers.
      break;
  }
}

void CTRKDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX)
    OnBnClickedAbout();
  else if ((id & 0xFFF0) == IDM_CONFIG)
    OnBnClickedConf();
}

// OPEN

void CTRKDlg::OnBnClickedOpen() {
  if (!CanOpen()) return;
  // The recording stands paused under the picker; a cancel leaves it so.
  DialogPause pause(*m_playback);
  const QString lastFolder = QFile::decodeName(CSettings::Instance().ReadLastFolder().c_str());
  CFolderDialog picker(this, LoadQText(130), CFolderDialog::StartFolder(lastFolder));
  if (picker.DoModal() != CFolderDialog::kOk || m_closed || !PrepareToOpen()) return;
  pause.Release();
  OpenFolder(picker.FolderPath());
}

bool CTRKDlg::CanOpen() const {
  // A recording is still starting from the last OPEN or list: ignore.
  if (!m_library.Recordings().empty() && g_busy == 1) return false;
  // The library is empty while a scan runs; a second scan must not start.
  return !IsScanning();
}

bool CTRKDlg::PrepareToOpen() {
  if (!CanOpen()) return false;
  m_playback->SetSeekTarget(0);
  StopForCommand();
  m_playback->ResetRate();
  return true;
}

void CTRKDlg::StopForCommand() {
  m_playback->Stop();
  // The player reports no picture change on a stop: PLAY offers play again.
  m_playbackPresenter->ShowPlayPicture();
}

// File and clip commands

void CTRKDlg::SetUpCommands() {
  m_prompts = std::make_unique<WindowPrompts>(*this, *this, [this] { return m_closed; });
  FileCommands::Hooks hooks;
  hooks.currentFile = [this] { return CurrentFile(); };
  hooks.openedFolder = [this] { return m_currentFolder; };
  hooks.stopPlayback = [this] { StopForCommand(); };
  hooks.canOpen = [this] { return CanOpen(); };
  hooks.openFolder = [this](const QString& folder) {
    if (PrepareToOpen()) OpenFolder(folder);
  };
  hooks.makeClip = [this] { m_clip->OnClip(); };
  hooks.tripEventsLine = &TripEventsPresenter::TripEventsLine;
  hooks.takeChecks = [this] { return m_lists.TakeChecks(); };
  hooks.filesChanged = [this](bool removed) {
    m_lists.Fill();
    if (removed) m_trackDisplay.RedrawGroupPaths(m_library.FindGroupOf(m_library.CurrentRecording()));
  };
  hooks.copyFeedback = this;
  m_files = std::make_unique<FileCommands>(m_library, m_playback.get(), *m_prompts, std::move(hooks));
  m_files->SetUpExportMenu(m_ui.m_kml, m_ui.m_groupList);
  m_clip = std::make_unique<ClipCommand>(
      *this, m_library, *m_playback, *m_prompts, *m_files, [this]() -> std::optional<DrivingEvent> {
        const DrivingEvent* chosen = m_events ? m_events->CurrentEvent() : nullptr;
        return chosen ? std::optional<DrivingEvent>(*chosen) : std::nullopt;
      });
}

// Panels

void CTRKDlg::OnBnClickedMap() {
  if (m_frame->IsFullScreen()) return;
  m_mapEnabled = m_mapEnabled ? 0 : 1;
  m_frame->Relayout();
  if (m_mapDlg) {
    m_mapDlg->setVisible(m_mapEnabled != 0);
    m_mapDlg->setEnabled(m_mapEnabled != 0);
  }
  CSettings::Instance().WriteInt("UI", "MAP_ENABLE", m_mapEnabled ? 1 : 0);
  CTrcConfigDlg::TellIfSettingNotStored(this);
}

void CTRKDlg::OnBnClickedGsr() {
  m_gsensorEnabled = m_gsensorEnabled ? 0 : 1;
  m_ui.m_gsensor.setVisible(m_gsensorEnabled != 0);
  m_frame->Relayout();
  CSettings::Instance().WriteInt("UI", "GSNR_ENABLE", m_gsensorEnabled ? 1 : 0);
  CTrcConfigDlg::TellIfSettingNotStored(this);
}

// The window's own buttons

void CTRKDlg::OnBnClickedClose() {
  // Posted, as a close request from outside would be.
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CTRKDlg::OnBnClickedAbout() {
  CHtmlAboutDialog about(this);
  about.DoModal();
}

void CTRKDlg::OnBnClickedConf() {
  CTrcConfigDlg config(this);
  connect(&config, &CTrcConfigDlg::SpeedUnitApplied, this, [this](SpeedUnit unit) {
    m_ui.m_speed.SetUnit(unit);
    m_ui.m_groupList.ClearRowTips();  // worked out again in the new unit
    m_events->RelabelEvents();        // the event list's speeds too
  });
  connect(&config, &CTrcConfigDlg::EventSensitivityApplied, this,
          [this] { m_events->LoadTripEvents(m_library.CurrentRecording(), true); });
  connect(&config, &CTrcConfigDlg::LanguageApplied, this, &CTRKDlg::OnLanguageChanged, Qt::QueuedConnection);
  connect(&config, &CTrcConfigDlg::MapProviderApplied, this, &CTRKDlg::OnMapProviderChanged, Qt::QueuedConnection);
  if (config.DoModal() != QDialog::Accepted) return;
  m_mapProvider = config.MapSelection();
  if (m_mapDlg) ReloadMapPage(*m_mapDlg, m_mapProvider, [this] { m_trackDisplay.DrawLoadedTrack(); });
}
