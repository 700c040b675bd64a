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

#include "app/FolderOpening.h"

#include "app/BusyGuard.h"
#include "app/CFolderScan.h"
#include "app/CTRKDlg.h"
#include "app/TrkMessageBox.h"
#include "dialogs/CFolderDialog.h"
#include "dialogs/CTrcConfigDlg.h"
#include "library/ScanIndex.h"
#include "map/CHtmlMapDlg.h"
#include "playback/CPlaybackController.h"
#include "playback/DialogPause.h"
#include "settings/CSettings.h"

namespace {

// Counts arrive from the worker far faster than the surface can show them:
// at most one repaint is queued at a time, and it shows the latest count.
struct ScanCounterRelay {
  std::atomic<int32_t> latest{0};
  std::atomic<bool> queued{false};
};

// Ticks of the 100 ms timer before the first recording starts after OPEN.
constexpr int32_t kStartDelayTicks = 5;
constexpr int kCountdownPeriodMs = 100;
// The repaired copies wait this long between tries while a start is under way.
constexpr int kOpenRetryMs = 100;
constexpr int kOpenAttempts = 300;

}  // namespace

FolderOpening::FolderOpening(CTRKDlg& window, RecordingLibrary& library, CPlaybackController& playback, BusyGuard& busy)
    : m_window(window), m_library(library), m_playback(playback), m_busy(busy) {
  connect(&m_countdown, &QTimer::timeout, this, [this] {
    // The delayed start waits for the steps under way; the countdown goes on after them.
    if (!m_playback.IsRunningSteps()) OnOpenCountdownTick();
  });
  m_countdown.start(kCountdownPeriodMs);
}

FolderOpening::~FolderOpening() = default;

void FolderOpening::OnBnClickedOpen() {
  if (!CanOpen()) return;
  // The recording stands paused under the picker; a cancel leaves it so.
  DialogPause pause(m_playback);
  const QString lastFolder = QFile::decodeName(CSettings::Instance().ReadLastFolder().c_str());
  CFolderDialog picker(&m_window, LoadQText(130), CFolderDialog::StartFolder(lastFolder));
  if (picker.DoModal() != CFolderDialog::kOk || m_window.m_closed || !PrepareToOpen()) return;
  pause.Release();
  OpenFolder(picker.FolderPath());
}

bool FolderOpening::CanOpen() const {
  // A recording is still starting from the last OPEN or list: ignore.
  if (!m_library.Recordings().empty() && m_busy.IsHeld()) return false;
  // The library is empty while a scan runs; a second scan must not start.
  return !IsScanning();
}

bool FolderOpening::PrepareToOpen() {
  if (!CanOpen()) return false;
  m_playback.SetSeekTarget(0);
  m_window.StopForCommand();
  m_playback.ResetRate();
  return true;
}

void FolderOpening::OpenDropped(const QString& path) {
  if (!PrepareToOpen()) return;
  OpenPath(path);
}

void FolderOpening::OpenWhenFree(const QString& folder) { TryOpen(folder, kOpenAttempts); }

void FolderOpening::TryOpen(const QString& folder, int attemptsLeft) {
  if (m_window.m_closed || attemptsLeft <= 0) return;
  if (!CanOpen()) {
    QTimer::singleShot(kOpenRetryMs, this, [this, folder, attemptsLeft] { TryOpen(folder, attemptsLeft - 1); });
  } else if (PrepareToOpen()) {
    OpenFolder(folder);
  }
}

void FolderOpening::OnOpenCountdownTick() {
  const int32_t index = m_playback.TickDelayedStart();
  if (index != -1) m_window.m_playbackPresenter->PlayRecording(index);
}

void FolderOpening::OpenFolder(const QString& chosen) { OpenFolder(QFile::encodeName(chosen).toStdString()); }

void FolderOpening::OpenFolder(const std::string& chosen) {
  if (IsScanning()) return;
  std::string folder = chosen;
  std::error_code error;
  if (!folder.empty() && !std::filesystem::exists(folder, error)) folder.clear();
  CSettings::Instance().WriteLastFolder(folder);
  CTrcConfigDlg::TellIfSettingNotStored(&m_window);

  m_busy.Hold();
  m_window.m_currentFolder = QFile::decodeName(folder.c_str());
  if (folder.empty()) {
    m_busy.Release();
    return;
  }
  m_library.ClearLibrary();
  m_window.m_lists.Clear();
  m_window.Ui().m_gsensor.Clear();
  m_window.m_clip->ClearClipMarks();
  CVideoStatic& video = m_window.Ui().m_video;
  video.SetCounter(0);
  video.SetBusyPicture(true);
  video.repaint();

  auto relay = std::make_shared<ScanCounterRelay>();
  auto onCount = [this, &video, relay](int32_t count) {
    relay->latest.store(count, std::memory_order_relaxed);
    if (relay->queued.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [&video, relay] {
          relay->queued.store(false);
          if (video.IsBusyPictureShown()) video.ShowScanCount(relay->latest.load(std::memory_order_relaxed));
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

void FolderOpening::FinishOpen() {
  if (!m_scan) return;
  const std::unique_ptr<CFolderScan> scan = std::move(m_scan);
  const std::string startPath = std::exchange(m_startRecording, std::string());
  m_library.SetRecordings(scan->TakeRecordings());
  m_library.SetScanCount(scan->ScanCount());
  m_library.SetUnreadableCount(scan->UnreadableCount());

  m_window.Ui().m_video.SetBusyPicture(false);
  m_window.Ui().m_video.repaint();
  // The window has closed meanwhile: nothing may start playing.
  if (m_window.m_closed) return;

  if (!m_library.Recordings().empty()) {
    m_library.MarkGroupStarts();
    m_window.m_lists.Fill();
  }
  // Recordings cut off by power loss: asked about before anything plays.
  m_library.SetCutRecordings(scan->TakeCutRecordings());
  if (!m_library.CutRecordings().empty()) m_window.m_files->OfferCutRepair();
  if (m_window.m_closed) return;
  if (m_library.Recordings().empty()) {
    m_busy.Release();
    // Files that looked like recordings and were refused: the user is told,
    // not left with empty lists.
    if (m_library.UnreadableCount() > 0)
      TrkMessageBox(&m_window, m_window.m_files->EmptyListText(), LoadQText(145), QMessageBox::Ok,
                    QMessageBox::Warning);
    return;
  }
  // The first recording, or the one OpenPath was given, selected at once.
  const int32_t asked = startPath.empty() ? -1 : FindRecordingIndex(startPath);
  if (asked >= 0) m_window.m_lists.SelectRecording(asked);
  const int32_t start = asked >= 0 ? asked : 0;
  m_window.m_playbackPresenter->RedrawGroupPaths(m_library.FindGroupOf(start));  // the starting recording's group
  m_playback.ArmDelayedStart(start, kStartDelayTicks);
}

void FolderOpening::OpenFolderWhenReady(const QString& folder) {
  OpenFolderWhenReady(QFile::encodeName(folder).toStdString());
}

void FolderOpening::OpenFolderWhenReady(const std::string& folder) {
  // The scan does not wait for the map page (its web engine takes seconds to
  // start). Script calls made before the page has loaded are dropped, so the
  // starting group's paths and its events are drawn again once it has; a
  // scan still running then draws them itself.
  CHtmlMapDlg* map = m_window.MapDlg();
  if (map != nullptr && !map->IsPageLoaded())
    connect(
        map, &CHtmlMapDlg::PageLoaded, this,
        [this](bool ok) {
          if (!ok || m_library.Recordings().empty()) return;
          m_window.m_playbackPresenter->RedrawGroupPaths(
              m_library.FindGroupOf(std::max(0, m_library.CurrentRecording())));
          m_window.m_events->MarkTripEventsOnMap();
        },
        Qt::SingleShotConnection);
  OpenFolder(folder);
}
