// Folder scan and grouping of the library.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "fileio/FileAttributes.h"
#include "fileio/ByteSource.h"
#include "fileio/FolderPath.h"
#include "library/RecordingListing.h"
#include "library/ScanIndex.h"
#include "library/RecordingLibrary.h"

namespace {

// A write-protected file whose name begins "EVGS" is an event recording, any
// other write-protected file a locked one.
void ClassifyProtection(const std::string& name, Protection protection, bool& event, bool& locked) {
  if (protection != Protection::Protected) return;
  if (name.compare(0, 4, "EVGS") == 0)
    event = true;
  else
    locked = true;
}

// During the walk the attributes are mostly known already: FAT attributes
// come with the entry, and elsewhere the entry's stat tells the permission bits.
Protection ProtectionOfEntry(const std::string& path, const FolderEntryData& data, const struct stat* st) {
  if (data.hasFatAttributes) return ProtectionOfFatAttributes(data.fatAttributes);
  if (!data.onFatFileSystem) return st ? ProtectionOfMode(st->st_mode) : Protection::Unknown;
  return QueryProtection(path);
}

}  // namespace

bool RecordingLibrary::IsAviRecording(const std::string& name, const std::string& folderPath, bool& event,
                                      bool& locked) {
  ClassifyProtection(name, QueryProtection(JoinPath(folderPath, name)), event, locked);
  return IsAviName(name);
}

bool RecordingLibrary::IsMovRecording(const std::string& name, const std::string& folderPath, bool& event,
                                      bool& locked) {
  ClassifyProtection(name, QueryProtection(JoinPath(folderPath, name)), event, locked);
  return IsMovName(name);
}

int RecordingLibrary::AddFolderEntry(const std::string& root, const std::string& relativeFolder,
                                     const std::string& name, const FolderEntryData& data, int isFolder,
                                     void* context) {
  if (isFolder) return 1;
  auto* library = static_cast<RecordingLibrary*>(context);

  const bool isAvi = IsAviName(name);
  const bool isMov = !isAvi && IsMovName(name);
  // Only regular files are read: a FIFO or a device named like a recording
  // would block or mislead the reader.
  if ((isAvi || isMov) && data.isRegularFile) {
    const std::string folderPath = root + relativeFolder;
    const std::string path = folderPath + name;
    // With an index the file's stamp comes first (a known file is not
    // opened at all); without one the open's own status serves.
    // On FAT the walk has the file open already (for its attributes): the
    // listing reads through that descriptor rather than opening it again.
    UniqueFd* walkFile = data.file && data.file->Valid() ? data.file : nullptr;
    ScanIndex* index = library->ScanIndexFor(root);
    struct stat st {};
    const bool inFolder = data.folderFd >= 0;
    bool statted = index && (walkFile   ? ::fstat(walkFile->Get(), &st)
                             : inFolder ? ::fstatat(data.folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW)
                                        : ::stat(path.c_str(), &st)) == 0;
    const bool keepGps = library->m_keepTrackGps;
    RecordingListing listing;
    bool read = statted && index->Find(path, StampOf(st), keepGps, listing);
    if (!read) {
      ListingSource source;
      read = walkFile   ? source.Adopt(std::move(*walkFile))
             : inFolder ? source.OpenAt(data.folderFd, name)
                        : source.Open(path);
      if (read) {
        if (!statted) st = source.Status();
        statted = true;
        ReadRecordingListing(source, isAvi ? ContainerKind::Avi : ContainerKind::QuickTime, keepGps, listing);
        // Stamped as the open found the file, before any read: a change
        // while it is read leaves a stamp that the next scan finds stale.
        if (index) index->Store(path, StampOf(source.Status()), listing);
      }
    }
    // The protection is never taken from the index: LOCK changes it without
    // touching the content.
    bool event = false;
    bool locked = false;
    ClassifyProtection(name, ProtectionOfEntry(path, data, statted ? &st : nullptr), event, locked);

    RecordingInfo info;
    info.flags = static_cast<uint8_t>((event ? RecordingFlagEvent : 0) | (locked ? RecordingFlagLocked : 0));
    info.name = name;
    info.folder = root;
    info.subfolder = relativeFolder;
    if (index) library->m_scanSeen.insert(path);
    if (read) {
      if (!listing.cutReason.empty())
        library->m_cutRecordings.push_back(CutRecording{path, listing.size, listing.cutReason});
      if (listing.listed) {
        info.summary = listing.summary;
        if (listing.gpsKept) library->m_scannedGps[path] = std::move(listing.gps);
        library->m_recordings.push_back(std::move(info));
      } else {
        library->m_unreadableCount += 1;
      }
    } else {
      library->m_unreadableCount += 1;
    }
  }

  if (library->m_onScanCount) library->m_onScanCount(library->m_scanCount);
  library->m_scanCount += 1;
  return 1;
}

RecordingLibrary::RecordingLibrary() = default;
RecordingLibrary::~RecordingLibrary() = default;

ScanIndex* RecordingLibrary::ScanIndexFor(const std::string& root) {
  if (!m_scanIndexTried && !m_scanIndexFile.empty()) m_scanIndex = ScanIndex::Open(m_scanIndexFile, root);
  m_scanIndexTried = true;
  return m_scanIndex.get();
}

void RecordingLibrary::FinishScanIndex(bool complete) {
  if (m_scanIndex && complete) m_scanIndex->Finish(m_scanSeen);
  m_scanIndex.reset();
  m_scanIndexTried = false;
  m_scanSeen.clear();
}

bool RecordingLibrary::OpenRecordings(const std::string& folder) {
  FinishScanIndex(false);
  ClearLibrary();
  m_scanCount = 0;
  m_unreadableCount = 0;
  if (!EnumerateFolder(folder, this, &RecordingLibrary::AddFolderEntry)) return false;
  SortScanResults();
  if (!m_recordings.empty()) MarkGroupStarts();
  return true;
}

void RecordingLibrary::SortScanResults() {
  FinishScanIndex(true);
  // Stable, so that equal start times keep the order of the walk.
  std::stable_sort(m_recordings.begin(), m_recordings.end(), [](const RecordingInfo& a, const RecordingInfo& b) {
    return a.summary.startTime < b.summary.startTime;
  });
  std::sort(m_cutRecordings.begin(), m_cutRecordings.end(),
            [](const CutRecording& a, const CutRecording& b) { return a.path < b.path; });
}

const std::vector<GpsSample>* RecordingLibrary::ScannedGps(const std::string& path) const {
  const auto found = m_scannedGps.find(path);
  return found == m_scannedGps.end() ? nullptr : &found->second;
}
