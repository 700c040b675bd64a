// The commands the window carries out itself: the MAP and GSR panels and the
// window's own buttons (close, about, configuration). The file and clip
// commands are set up here with the window's answers to what they ask.
#include "app/CTRKDlg.h"
#include "dialogs/CHtmlAboutDialog.h"
#include "dialogs/CTrcConfigDlg.h"
#include "map/CHtmlMapDlg.h"
#include "map/MapReload.h"
#include "settings/CSettings.h"

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
  // The session opens them as OPEN would, when OPEN is free.
  hooks.openFolder = [this](const QString& folder) { emit RepairedFolderChosen(folder); };
  hooks.makeClip = [this] { m_clip->OnClip(); };
  hooks.tripEventsLine = &TripEventsPresenter::TripEventsLine;
  hooks.takeChecks = [this] { return m_lists.TakeChecks(); };
  hooks.filesChanged = [this](bool removed) {
    m_lists.Fill();
    if (removed) m_trackDisplay.RedrawGroupPaths(m_library.FindGroupOf(m_library.CurrentRecording()));
  };
  hooks.copyFeedback = this;
  m_files = std::make_unique<FileCommands>(m_library, m_playback, *m_prompts, std::move(hooks));
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
