// The commands the window carries out itself: the file commands (SAVE, DEL, LOCK) with their guards and messages, KML,
// the MAP and GSR panels, and the window's own buttons (close, cover the monitor, minimise, about, configuration, S, M
// and L).
#include <cerrno>
#include <QFile>
#include <QFileInfo>

#include "dialogs/CFolderDialog.h"
#include "dialogs/CHtmlAboutDialog.h"
#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"
#include "app/CTRKDlg.h"
#include "dialogs/CTrcConfigDlg.h"
#include "playback/DialogPause.h"
#include "map/MapReload.h"
#include "export/TrackExport.h"
#include "app/TrkMessageBox.h"

namespace {

// Text ids of the file commands' failure report.
constexpr uint32_t kCopyFailedText = 201;
constexpr uint32_t kDeleteFailedText = 202;
constexpr uint32_t kUnlockFailedText = 203;
constexpr uint32_t kWarningCaption = 131;
// What the file commands are about to do and what they did, with their captions.
constexpr uint32_t kUnreadableSkippedText = 320;
constexpr uint32_t kDeleteScopeText = 321;
constexpr uint32_t kUnlockQuestionText = 322;
constexpr uint32_t kCopiedSummaryText = 323;
constexpr uint32_t kDeletedSummaryText = 324;
constexpr uint32_t kUnlockedSummaryText = 325;
constexpr uint32_t kSaveCaption = 181;
constexpr uint32_t kDeleteCaption = 128;
constexpr uint32_t kUnlockCaption = 194;
// A long list of failures names this many files, then how many more.
constexpr std::size_t kFailuresShown = 10;

QString ReasonText(int error) {
  switch (error) {
    case EROFS:
      return LoadQText(204);
    case EACCES:
    case EPERM:
      return LoadQText(205);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return LoadQText(206);
    case ENOENT:
    case ENOTDIR:
      return LoadQText(207);
    case EIO:
      return LoadQText(208);
    default:
      return LoadQText(209).replace(QStringLiteral("%d"), QString::number(error));
  }
}

}  // namespace

void CTRKDlg::StopForCommand() {
  m_playback->Stop();
  // The player reports no picture change on a stop: PLAY offers play again.
  ShowPlayPicture();
}

// File commands

QString FileErrorText(int error) { return ReasonText(error); }

QString CTRKDlg::EmptyListText() const {
  QString text = LoadQText(136);
  const int32_t skipped = m_library.UnreadableCount();
  if (skipped > 0) text += QLatin1Char('\n') + LoadQText(kUnreadableSkippedText).arg(skipped);
  return text;
}

bool CTRKDlg::RefuseEmptyLibrary() {
  if (!m_library.Recordings().empty()) return false;
  TrkMessageBox(this, EmptyListText(), LoadQText(145), QMessageBox::Ok, QMessageBox::NoIcon);
  return true;
}

bool CTRKDlg::RefuseNothingChecked() {
  if (m_library.MarkCheckedGroups()) return false;
  TrkMessageBox(this, 135, 144);
  return true;
}

void CTRKDlg::ReportFileOperation(uint32_t headingId, uint32_t captionId, const QString& summary) {
  const std::vector<FileOperationFailure>& failures = m_library.LastFailures();
  if (failures.empty()) {
    TrkMessageBox(this, summary, LoadQText(captionId), QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  QString text = LoadQText(headingId);
  text += QLatin1Char('\n');
  for (std::size_t i = 0; i < failures.size() && i < kFailuresShown; ++i) {
    text += QLatin1Char('\n') + QFile::decodeName(failures[i].path.c_str());
    text += QStringLiteral("\n    ") + ReasonText(failures[i].error);
  }
  if (failures.size() > kFailuresShown) {
    text += QLatin1Char('\n') +
            LoadQText(210).replace(QStringLiteral("%d"), QString::number(failures.size() - kFailuresShown));
  }
  text += QStringLiteral("\n\n") + summary;
  TrkMessageBox(this, text, LoadQText(kWarningCaption), QMessageBox::Ok, QMessageBox::Warning);
}

void CTRKDlg::OnBnClickedSave() {
  if (RefuseEmptyLibrary() || RefuseNothingChecked()) return;
  // Copying reads the recordings beside the player: it only pauses.
  DialogPause pause(*m_playback);
  CFolderDialog picker(this, LoadQText(130), CFolderDialog::StartFolder(m_lastSaveFolder));
  if (picker.DoModal() != CFolderDialog::kOk) return;
  const QString destination = picker.FolderPath();
  m_lastSaveFolder = destination;  // for this run only: the settings keep OPEN's folder
  if (!destination.isEmpty() && QFileInfo(destination).isDir()) {
    if (!m_library.CopyChecked(QFile::encodeName(destination).toStdString())) {
      TrkMessageBox(this, 135, 144);
    } else {
      const FileOperationCounts& counts = m_library.LastCounts();
      ReportFileOperation(kCopyFailedText, kSaveCaption,
                          LoadQText(kCopiedSummaryText).arg(counts.copied).arg(counts.skipped));
    }
  } else {
    TrkMessageBox(this, 132, 131, QMessageBox::Ok, QMessageBox::Warning);
  }
}

void CTRKDlg::OnBnClickedDel() {
  if (RefuseEmptyLibrary() || RefuseNothingChecked()) return;
  DialogPause pause(*m_playback);
  const CheckedContent content = m_library.DescribeChecked();
  const QString question = LoadQText(129) + QStringLiteral("\n\n") +
                           LoadQText(kDeleteScopeText)
                               .arg(content.unprotected)
                               .arg(static_cast<qulonglong>(content.unprotectedBytes >> 20))
                               .arg(content.protectedCount);
  if (TrkMessageBox(this, question, LoadQText(kDeleteCaption), QMessageBox::Ok | QMessageBox::Cancel,
                    QMessageBox::NoIcon) != QMessageBox::Ok)
    return;
  const bool done = m_library.DeleteChecked();
  // The recording on screen went with the others: nothing is left to show.
  if (!m_currentFile.isEmpty() && !QFileInfo::exists(m_currentFile)) {
    pause.Release();
    StopForCommand();
  }
  if (!done) {
    TrkMessageBox(this, 135, 144);
  } else {
    const FileOperationCounts& counts = m_library.LastCounts();
    ReportFileOperation(kDeleteFailedText, kDeleteCaption,
                        LoadQText(kDeletedSummaryText).arg(counts.deleted).arg(counts.keptProtected));
  }
}

void CTRKDlg::OnBnClickedLock() {
  if (RefuseEmptyLibrary() || RefuseNothingChecked()) return;
  // Unprotected, a recording can be deleted: asked first. Playback goes on:
  // only the files' protection changes.
  const int32_t protectedCount = m_library.DescribeChecked().protectedCount;
  if (protectedCount > 0 &&
      TrkMessageBox(this, LoadQText(kUnlockQuestionText).arg(protectedCount), LoadQText(kUnlockCaption),
                    QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) != QMessageBox::Ok)
    return;
  if (!m_library.UnlockChecked()) {
    TrkMessageBox(this, 135, 144);
  } else {
    ReportFileOperation(kUnlockFailedText, kUnlockCaption,
                        LoadQText(kUnlockedSummaryText).arg(m_library.LastCounts().unlocked));
  }
}

void CTRKDlg::OnBnClickedKml() { OnExport(ExportChoice::Kml); }

// Panels

void CTRKDlg::OnBnClickedMap() {
  if (m_fullScreen) return;
  m_mapEnabled = m_mapEnabled ? 0 : 1;
  LayoutControls(m_clientWidth, m_clientHeight);
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
  LayoutControls(m_clientWidth, m_clientHeight);
  CSettings::Instance().WriteInt("UI", "GSNR_ENABLE", m_gsensorEnabled ? 1 : 0);
  CTrcConfigDlg::TellIfSettingNotStored(this);
}

// The window's own buttons

void CTRKDlg::OnBnClickedClose() {
  // Posted, as a close request from outside would be.
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CTRKDlg::OnBnClickedMaximize() {
  if (!m_maximized) {
    const QRect g = geometry();
    m_savedRect = {g.top(), g.left(), m_clientWidth, m_clientHeight};
    setGeometry(MonitorRect());
    raise();
    show();
    m_maximized = 1;
  } else {
    setGeometry(m_savedRect.left, m_savedRect.top, m_savedRect.width, m_savedRect.height);
    raise();
    show();
    m_maximized = 0;
  }
  if (m_mapDlg && m_mapEnabled) RepaintMapHost();
}

void CTRKDlg::OnBnClickedMinimize() {
  showMinimized();
  m_restoreVideoPending = 1;
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
    RelabelEvents();                  // the event list's speeds too
  });
  connect(&config, &CTrcConfigDlg::EventSensitivityApplied, this,
          [this] { LoadTripEvents(m_library.CurrentRecording(), true); });
  connect(&config, &CTrcConfigDlg::LanguageApplied, this, &CTRKDlg::OnLanguageChanged, Qt::QueuedConnection);
  connect(&config, &CTrcConfigDlg::MapProviderApplied, this, &CTRKDlg::OnMapProviderChanged, Qt::QueuedConnection);
  if (config.DoModal() != QDialog::Accepted) return;
  m_mapProvider = config.MapSelection();
  if (m_mapDlg) ReloadMapPage(*m_mapDlg, m_mapProvider, m_library);
}
