// Opening a folder of recordings (OPEN after its picker, and the folder given
// at start): the scan runs on a worker thread while the window keeps painting
// its busy picture and scan counter; the steps around it keep their order:
// busy picture on, scan, busy picture off, lists, map tracks, delayed start.
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "app/CFolderScan.h"
#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"
#include "app/CTRKDlg.h"
#include "dialogs/CTrcConfigDlg.h"
#include "library/ScanIndex.h"
#include "map/TrackDrawing.h"
#include "app/TrkMessageBox.h"

namespace {

// Counts arrive from the worker far faster than the surface can show them:
// at most one repaint is queued at a time, and it shows the latest count.
struct ScanCounterRelay {
  std::atomic<int32_t> latest{0};
  std::atomic<bool> queued{false};
};

// Ticks of the 100 ms timer before the first recording starts after OPEN.
constexpr int32_t kStartDelayTicks = 5;

}  // namespace

bool CTRKDlg::IsScanning() const { return m_scan != nullptr; }

void CTRKDlg::OpenFolder(const QString& chosen) { OpenFolder(QFile::encodeName(chosen).toStdString()); }

void CTRKDlg::OpenFolder(const std::string& chosen) {
  if (IsScanning()) return;
  std::string folder = chosen;
  std::error_code error;
  if (!folder.empty() && !std::filesystem::exists(folder, error)) folder.clear();
  CSettings::Instance().WriteLastFolder(folder);
  CTrcConfigDlg::TellIfSettingNotStored(this);

  g_busy = 1;
  SetTimer(TimerId::BusyGuard, kBusyGuardMs);
  m_currentFolder = QFile::decodeName(folder.c_str());
  if (folder.empty()) {
    g_busy = 0;
    return;
  }
  m_library.ClearLibrary();
  ClearClipMarks();
  m_ui.m_video.SetCounter(0);
  m_ui.m_video.SetBusyPicture(true);
  m_ui.m_video.repaint();

  auto relay = std::make_shared<ScanCounterRelay>();
  auto onCount = [this, relay](int32_t count) {
    relay->latest.store(count, std::memory_order_relaxed);
    if (relay->queued.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this, relay] {
          relay->queued.store(false);
          if (m_ui.m_video.IsBusyPictureShown())
            m_ui.m_video.ShowScanCount(relay->latest.load(std::memory_order_relaxed));
        },
        Qt::QueuedConnection);
  };
  // Queued after every count, so the last count is shown before the busy
  // picture goes.
  auto onDone = [this] {
    QMetaObject::invokeMethod(
        this, [this] { FinishOpen(); }, Qt::QueuedConnection);
  };
  // "UI"/"SCAN_INDEX" 0 turns the scan index off.
  const bool useIndex = CSettings::Instance().ReadInt("UI", "SCAN_INDEX", 1) != 0;
  m_library.SetScanIndexFile(useIndex ? ScanIndex::DefaultPath() : std::string());  // the trips' events
  m_scan = std::make_unique<CFolderScan>(folder, onCount, onDone, useIndex ? ScanIndex::DefaultPath() : std::string());
}

void CTRKDlg::FinishOpen() {
  if (!m_scan) return;
  const std::unique_ptr<CFolderScan> scan = std::move(m_scan);
  const std::string startPath = std::exchange(m_startRecording, std::string());
  m_library.SetRecordings(scan->TakeRecordings());
  m_library.SetScanCount(scan->ScanCount());
  m_library.SetUnreadableCount(scan->UnreadableCount());

  m_ui.m_video.SetBusyPicture(false);
  m_ui.m_video.repaint();
  // The window has closed meanwhile: nothing may start playing.
  if (m_closed) return;

  if (!m_library.Recordings().empty()) m_library.MarkGroupStarts();  // groups and both lists
  // Recordings cut off by power loss: asked about before anything plays.
  m_library.SetCutRecordings(scan->TakeCutRecordings());
  if (!m_library.CutRecordings().empty()) OfferCutRepair();
  if (m_closed) return;
  if (m_library.Recordings().empty()) {
    g_busy = 0;
    // Files that looked like recordings and were refused: the user is told,
    // not left with empty lists.
    if (m_library.UnreadableCount() > 0)
      TrkMessageBox(this, EmptyListText(), LoadQText(145), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  // The first recording, or the one OpenPath was given, selected at once.
  const int32_t asked = startPath.empty() ? -1 : FindRecordingIndex(startPath);
  if (asked >= 0) m_library.SelectRecording(asked);
  const int32_t start = asked >= 0 ? asked : 0;
  RedrawGroupPaths(m_library.FindGroupOf(start));  // the starting recording's group
  m_playback->ArmDelayedStart(start, kStartDelayTicks);
}

void CTRKDlg::OpenFolderWhenReady(const QString& folder) {
  OpenFolderWhenReady(QFile::encodeName(folder).toStdString());
}

void CTRKDlg::OpenFolderWhenReady(const std::string& folder) {
  // The scan does not wait for the map page (its web engine takes seconds to
  // start). Script calls made before the page has loaded are dropped, so the
  // starting group's paths and its events are drawn again once it has; a
  // scan still running then draws them itself.
  if (m_mapDlg && !m_mapDlg->IsPageLoaded())
    connect(
        m_mapDlg.get(), &CHtmlMapDlg::PageLoaded, this,
        [this](bool ok) {
          if (!ok || m_library.Recordings().empty()) return;
          RedrawGroupPaths(m_library.FindGroupOf(std::max(0, m_library.CurrentRecording())));
          MarkTripEventsOnMap();
        },
        Qt::SingleShotConnection);
  OpenFolder(folder);
}
