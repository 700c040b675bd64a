#pragma once
// The folder scan of OPEN, run on a thread of its own so that the window keeps
// painting (and its scan counter keeps counting) while a card of thousands of
// recordings is read.
//
// The worker fills a private RecordingLibrary that no view is attached to: the
// window's library, its lists, the curve and the map are never touched from
// the worker. The window takes the sorted recordings when the scan has ended
// and groups them itself (RecordingLibrary::MarkGroupStarts).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "container/CutRecording.h"
#include "container/RecordingTypes.h"

class RecordingLibrary;
struct FolderEntryData;

class CFolderScan {
 public:
  // Both run on the worker thread: `onCount` after each file examined (with
  // the number examined before it, as the library's progress view gets it),
  // `onDone` once, as the worker's last action.
  using CountCallback = std::function<void(int32_t count)>;
  using DoneCallback = std::function<void()>;

  // `indexFile`: the scan index the scan reads and writes (ScanIndex.h);
  // empty scans without one.
  CFolderScan(std::string folder, CountCallback onCount, DoneCallback onDone, std::string indexFile = {});
  // Cancels the scan and waits for the worker.
  ~CFolderScan();
  CFolderScan(const CFolderScan&) = delete;
  CFolderScan& operator=(const CFolderScan&) = delete;

  // The files not yet examined are skipped; the walk ends soon after.
  void Cancel() { m_cancel.store(true, std::memory_order_relaxed); }
  bool IsCancelled() const { return m_cancel.load(std::memory_order_relaxed); }

  // Waits for the worker, then hands over the recordings sorted by start
  // time (empty after a cancel or for a folder without recordings).
  std::vector<RecordingInfo> TakeRecordings();
  // Waits for the worker, then hands over the files found cut off by power
  // loss, sorted by path (empty after a cancel).
  std::vector<CutRecording> TakeCutRecordings();
  // Waits for the worker, then tells how many files named as recordings
  // could not be read.
  int32_t UnreadableCount();
  // Files examined by the walk (the library's m_scanCount).
  int32_t ScanCount() const { return m_scanCount.load(std::memory_order_acquire); }
  // The folder existed (EnumerateFolder's result).
  bool FolderFound() const { return m_found.load(std::memory_order_acquire); }

 private:
  void Run();
  static int OnEntry(const std::string& root, const std::string& relativeFolder, const std::string& name,
                     const FolderEntryData& data, int isFolder, void* context);

  const std::string m_folder;
  const std::string m_indexFile;
  CountCallback m_onCount;
  DoneCallback m_onDone;
  std::unique_ptr<RecordingLibrary> m_scan;
  std::atomic<bool> m_cancel{false};
  std::atomic<int32_t> m_scanCount{0};
  std::atomic<bool> m_found{false};
  std::thread m_worker;  // last: started once everything above exists
};
