#pragma once
// The opened recordings sorted by start time, their groups and list rows, the
// current recording and group, and the loaded recording's track.
#include <cstdint>
#include <functional>
#include <string>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "container/CutRecording.h"
#include "fileio/FolderWalk.h"
#include "container/RecordingTypes.h"
#include "library/LibraryViews.h"
#include "library/RecordingTrack.h"

// One recording that a file operation could not handle.
struct FileOperationFailure {
  std::string path;         // the recording's file
  std::string destination;  // copy: the file it was to become; empty otherwise
  int error = 0;            // errno of the step that failed
};

// What the last UnlockChecked / DeleteChecked / CopyChecked did.
struct FileOperationCounts {
  int32_t copied = 0;
  int32_t skipped = 0;  // copies declined or already in place
  int32_t deleted = 0;
  int32_t keptProtected = 0;  // write-protected recordings a deletion left alone
  int32_t unlocked = 0;
};

// What the checked groups hold, as the list shows it (protection as scanned).
struct CheckedContent {
  int32_t unprotected = 0;
  uint64_t unprotectedBytes = 0;
  int32_t protectedCount = 0;  // event and locked recordings
};

class ScanIndex;

class RecordingLibrary {
 public:
  RecordingLibrary();
  ~RecordingLibrary();
  RecordingLibrary(const RecordingLibrary&) = delete;
  RecordingLibrary& operator=(const RecordingLibrary&) = delete;

  // Scan and grouping.
  bool OpenRecordings(const std::string& folder);  // false when the folder is missing
  void MarkGroupStarts();
  void BuildGroups();
  // The walk's callback: examines one file of the scan (`library` is this).
  static int AddFolderEntry(const std::string& root, const std::string& relativeFolder, const std::string& name,
                            const FolderEntryData& data, int isFolder, void* library);
  // Name ends with ".AVI" / ".MOV" or ".MP4", in any case. Whatever the name, a
  // write-protected file gets `event` when its name begins "EVGS", else `locked`.
  static bool IsAviRecording(const std::string& name, const std::string& folderPath, bool& event, bool& locked);
  static bool IsMovRecording(const std::string& name, const std::string& folderPath, bool& event, bool& locked);

  // Selection. The library holds no view: the lists show it (LibraryLists).
  // Starts afresh: no recordings, groups, rows or track.
  void Reset();
  // Told the count of files examined before each one a scan examines.
  void SetScanCountCallback(std::function<void(int32_t count)> onCount) { m_onScanCount = std::move(onCount); }
  void ClearLibrary();
  bool SelectRecording(int32_t index);
  bool SelectGroup(int32_t group);
  int32_t FindCurrentGroup();
  int32_t FindGroupOf(int32_t index) const;
  // Empty for an index that names no recording.
  std::string GetRecordingPath(int32_t index) const;
  std::string GetCurrentRecordingPath() const;
  bool GetCurrentFrameSize(uint16_t* width, uint16_t* height);

  // File operations on the checked groups (CheckGroup). Each returns false
  // when no group is checked, else true; the recordings it could not handle are then listed in
  // LastFailures() (protected recordings skipped by DeleteChecked and copies
  // the user declined are not failures).
  // Ticks group `group` (out of range: ignored).
  void CheckGroup(int32_t group, bool checked);
  // Whether any group is ticked.
  bool MarkCheckedGroups() const;
  bool UnlockChecked();
  bool DeleteChecked();
  // `feedback` asks before a file is replaced (null: never replaced) and
  // shows the progress.
  bool CopyChecked(const std::string& destination, CopyFeedback* feedback);
  // What the checked groups hold.
  CheckedContent DescribeChecked() const;

  // The recordings in start order, their groups and list rows.
  const std::vector<RecordingInfo>& Recordings() const { return m_recordings; }
  const std::vector<RecordingGroup>& Groups() const { return m_groups; }
  const std::vector<RecordingEntry>& Entries() const { return m_entries; }
  // Takes the recordings of a scan done elsewhere (or made by hand); groups,
  // rows and the current recording are left as they are.
  void SetRecordings(std::vector<RecordingInfo> recordings) { m_recordings = std::move(recordings); }
  void SetGroups(std::vector<RecordingGroup> groups) { m_groups = std::move(groups); }
  int32_t CurrentRecording() const { return m_currentRecording; }
  void SetCurrentRecording(int32_t index) { m_currentRecording = index; }
  int32_t CurrentGroup() const { return m_currentGroup; }
  void SetCurrentGroup(int32_t group) { m_currentGroup = group; }

  // What the last UnlockChecked / DeleteChecked / CopyChecked could not do.
  const std::vector<FileOperationFailure>& LastFailures() const { return m_lastFailures; }
  const FileOperationCounts& LastCounts() const { return m_lastCounts; }

  // Makes recording `index` current and reads its track, which the displays
  // then draw. Null when the index names no recording (nothing changes) or
  // its file cannot be opened (the track held before is dropped).
  const RecordingTrack* LoadTrack(int32_t index);
  // The track LoadTrack read last.
  const RecordingTrack& Track() const { return m_track; }
  // Samples of the loaded recording: the records read and the byte sizes of
  // their blocks as the summary gives them.
  const std::vector<GpsSample>& GpsSamples() const { return m_track.gps; }
  uint32_t GpsBytes() const { return m_track.gpsBytes; }
  const std::vector<GSensorSample>& GSensorSamples() const { return m_track.gsensor; }
  uint32_t GSensorBytes() const { return m_track.gsensorBytes; }
  // GPS records per second.
  double GpsRate() const { return m_track.gpsRate; }
  void SetGpsRate(double rate) { m_track.gpsRate = rate; }
  void SetGpsSamples(std::vector<GpsSample> samples, uint32_t bytes);
  void SetGSensorSamples(std::vector<GSensorSample> samples, uint32_t bytes);
  // Drops both sample blocks and gives their memory back.
  void ClearSamples();

  // Files examined by the last scan.
  int32_t ScanCount() const { return m_scanCount; }
  void SetScanCount(int32_t count) { m_scanCount = count; }
  // Files of the last scan named as recordings that their reader refused.
  int32_t UnreadableCount() const { return m_unreadableCount; }
  void SetUnreadableCount(int32_t count) { m_unreadableCount = count; }

  // Files of the last scan with a recording's name that were cut off while
  // the camera wrote them, sorted by path. They are no recordings of their
  // own (a QuickTime file without moov is still listed above, as its walk
  // takes it); a repaired copy can be made of each.
  const std::vector<CutRecording>& CutRecordings() const { return m_cutRecordings; }
  void SetCutRecordings(std::vector<CutRecording> cut) { m_cutRecordings = std::move(cut); }

  // What a walk with AddFolderEntry found: ordered (recordings by start time,
  // stable so that equal times keep the walk's order; cut files by path), or
  // taken away by a scan on a worker.
  void SortScanResults();
  std::vector<RecordingInfo> TakeRecordings() { return std::move(m_recordings); }
  std::vector<CutRecording> TakeCutRecordings() { return std::move(m_cutRecordings); }

  // With KeepTrackGps set, the scan also keeps each recording's GPS records
  // (read through the same open), for trip figures without reading again.
  void SetKeepTrackGps(bool keep) { m_keepTrackGps = keep; }
  // The kept records of the recording at `path` (zero rule not applied), or
  // null when none were kept.
  const std::vector<GpsSample>* ScannedGps(const std::string& path) const;

  // The scan index file (ScanIndex.h) the scans read and write; empty, the
  // default, scans without one.
  void SetScanIndexFile(std::string file) { m_scanIndexFile = std::move(file); }
  const std::string& ScanIndexFile() const { return m_scanIndexFile; }

 private:
  std::vector<RecordingInfo> m_recordings;
  std::vector<RecordingGroup> m_groups;
  std::vector<RecordingEntry> m_entries;
  int32_t m_currentRecording = -1;
  int32_t m_currentGroup = 0;

  std::function<void(int32_t count)> m_onScanCount;
  std::vector<FileOperationFailure> m_lastFailures;
  FileOperationCounts m_lastCounts;

  RecordingTrack m_track;

  int32_t m_scanCount = 0;
  int32_t m_unreadableCount = 0;
  std::vector<CutRecording> m_cutRecordings;
  bool m_keepTrackGps = false;
  std::unordered_map<std::string, std::vector<GpsSample>> m_scannedGps;

  // The index of the scan under way, opened at its first recording.
  ScanIndex* ScanIndexFor(const std::string& root);
  void FinishScanIndex(bool complete);
  std::string m_scanIndexFile;
  std::unique_ptr<ScanIndex> m_scanIndex;
  bool m_scanIndexTried = false;
  std::unordered_set<std::string> m_scanSeen;  // files the scan met, for dropping the rows of those gone
};

// Resolution label of a frame size ("1080p HD", "720P", "WxH", or empty).
std::string ResolutionText(int width, int height);
