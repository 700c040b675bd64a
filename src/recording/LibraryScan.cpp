// Folder scan and grouping of the library.
#include <sys/stat.h>

#include <algorithm>
#include <string_view>

#include "FileAttributes.h"
#include "FolderPath.h"
#include "RecordingFile.h"
#include "RecordingLibrary.h"

namespace {

// The camera's own system matches names without regard to case, and copies
// and other cameras write ".avi", ".mov" or ".mp4".
bool EndsWithIgnoringCase(const std::string& name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::size_t start = name.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char c = name[start + i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != suffix[i]) return false;
  }
  return true;
}

bool IsAviName(const std::string& name) { return EndsWithIgnoringCase(name, ".avi"); }
// MP4 is the same atom structure: the QuickTime reader reads it.
bool IsMovName(const std::string& name) {
  return EndsWithIgnoringCase(name, ".mov") || EndsWithIgnoringCase(name, ".mp4");
}

// A write-protected file whose name begins "EVGS" is an event recording, any
// other write-protected file a locked one.
void ClassifyProtection(const std::string& name, Protection protection, bool& event, bool& locked) {
  if (protection != Protection::Protected) return;
  if (name.compare(0, 4, "EVGS") == 0) event = true;
  else locked = true;
}

// During the walk the attributes are mostly known already: FAT attributes
// come with the entry, and elsewhere one stat tells the permission bits.
Protection ProtectionOfEntry(const std::string& path, const FolderEntryData& data) {
  if (data.hasFatAttributes) return ProtectionOfFatAttributes(data.fatAttributes);
  if (!data.onFatFileSystem) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? ProtectionOfMode(st.st_mode) : Protection::Unknown;
  }
  return QueryProtection(path);
}

}  // namespace

bool RecordingLibrary::IsAviRecording(const std::string& name, const std::string& folderPath,
                                      bool& event, bool& locked) {
  ClassifyProtection(name, QueryProtection(JoinPath(folderPath, name)), event, locked);
  return IsAviName(name);
}

bool RecordingLibrary::IsMovRecording(const std::string& name, const std::string& folderPath,
                                      bool& event, bool& locked) {
  ClassifyProtection(name, QueryProtection(JoinPath(folderPath, name)), event, locked);
  return IsMovName(name);
}

int RecordingLibrary::AddFolderEntry(const std::string& root, const std::string& relativeFolder,
                                     const std::string& name, const FolderEntryData& data,
                                     int isFolder, void* context) {
  if (isFolder) return 1;
  auto* library = static_cast<RecordingLibrary*>(context);

  const bool isAvi = IsAviName(name);
  const bool isMov = !isAvi && IsMovName(name);
  // Only regular files are read: a FIFO or a device named like a recording
  // would block or mislead the reader.
  if ((isAvi || isMov) && data.isRegularFile) {
    const std::string folderPath = root + relativeFolder;
    const std::string path = folderPath + name;
    bool event = false;
    bool locked = false;
    ClassifyProtection(name, ProtectionOfEntry(path, data), event, locked);

    RecordingInfo info;
    info.flags = static_cast<uint8_t>((event ? RecordingFlagEvent : 0) | (locked ? RecordingFlagLocked : 0));
    info.name = name;
    info.folder = root;
    info.subfolder = relativeFolder;
    CutRecording cut;
    if (DetectCutRecording(path, isAvi ? ContainerKind::Avi : ContainerKind::QuickTime, &cut))
      library->m_cutRecordings.push_back(std::move(cut));
    RecordingFile file(&info.summary);
    if (isAvi) {
      if (file.ParseAvi(path) == 0) library->m_recordings.push_back(std::move(info));
      else library->m_unreadableCount += 1;
    } else if (file.ParseMov(path) == 0) {
      if (info.summary.startTime == 0) file.ScanMov(path);
      library->m_recordings.push_back(std::move(info));
    } else {
      library->m_unreadableCount += 1;
    }
  }

  if (library->m_progressView) library->m_progressView->ShowScanCount(library->m_scanCount);
  library->m_scanCount += 1;
  return 1;
}

bool RecordingLibrary::OpenRecordings(const std::string& folder) {
  ClearLibrary();
  if (m_gsensorView) m_gsensorView->Repaint();
  m_scanCount = 0;
  m_unreadableCount = 0;
  if (!EnumerateFolder(folder, this, &RecordingLibrary::AddFolderEntry)) return false;
  SortScanResults();
  if (!m_recordings.empty()) MarkGroupStarts();
  return true;
}

void RecordingLibrary::SortScanResults() {
  // Stable, so that equal start times keep the order of the walk.
  std::stable_sort(m_recordings.begin(), m_recordings.end(), [](const RecordingInfo& a, const RecordingInfo& b) {
    return a.summary.startTime < b.summary.startTime;
  });
  std::sort(m_cutRecordings.begin(), m_cutRecordings.end(),
            [](const CutRecording& a, const CutRecording& b) { return a.path < b.path; });
}
