#include "app/CFolderScan.h"

#include <algorithm>

#include "fileio/FolderWalk.h"
#include "library/RecordingLibrary.h"

namespace {

struct WalkContext {
  CFolderScan* scan;
  RecordingLibrary* library;
};

}  // namespace

CFolderScan::CFolderScan(std::string folder, CountCallback onCount, DoneCallback onDone, std::string indexFile)
    : m_folder(std::move(folder)),
      m_indexFile(std::move(indexFile)),
      m_onCount(std::move(onCount)),
      m_onDone(std::move(onDone)),
      m_scan(std::make_unique<RecordingLibrary>()),
      m_worker([this] { Run(); }) {}

CFolderScan::~CFolderScan() {
  Cancel();
  if (m_worker.joinable()) m_worker.join();
}

int CFolderScan::OnEntry(const std::string& root, const std::string& relativeFolder, const std::string& name,
                         const FolderEntryData& data, int isFolder, void* context) {
  auto* walk = static_cast<WalkContext*>(context);
  // After a cancel the rest of the tree is only listed, not read.
  if (walk->scan->IsCancelled()) return 1;
  const int result = RecordingLibrary::AddFolderEntry(root, relativeFolder, name, data, isFolder, walk->library);
  walk->scan->m_scanCount.store(walk->library->ScanCount(), std::memory_order_release);
  return result;
}

void CFolderScan::Run() {
  // The callback must not touch any widget: it runs on the worker.
  m_scan->SetScanCountCallback(m_onCount);
  m_scan->SetScanCount(0);
  m_scan->SetUnreadableCount(0);
  m_scan->SetScanIndexFile(m_indexFile);
  WalkContext context{this, m_scan.get()};
  m_found.store(EnumerateFolder(m_folder, &context, &CFolderScan::OnEntry), std::memory_order_release);
  if (IsCancelled()) {
    // Nothing of a cancelled walk is kept.
    m_scan->SetRecordings({});
    m_scan->SetCutRecordings({});
  } else {
    m_scan->SortScanResults();  // as RecordingLibrary::OpenRecordings orders them
  }
  m_scan->SetScanCountCallback(nullptr);
  if (m_onDone) m_onDone();
}

std::vector<RecordingInfo> CFolderScan::TakeRecordings() {
  if (m_worker.joinable()) m_worker.join();
  return m_scan->TakeRecordings();
}

int32_t CFolderScan::UnreadableCount() {
  if (m_worker.joinable()) m_worker.join();
  return m_scan->UnreadableCount();
}

std::vector<CutRecording> CFolderScan::TakeCutRecordings() {
  if (m_worker.joinable()) m_worker.join();
  return m_scan->TakeCutRecordings();
}
