#pragma once
// The opened recordings sorted by start time, their groups and list rows, the
// current recording and group, the loaded samples and the attached views.
#include <cstdint>
#include <string>
#include <vector>

#include "LibraryViews.h"
#include "RecordingTypes.h"

class RecordingLibrary {
 public:
  RecordingLibrary() = default;
  ~RecordingLibrary() = default;
  RecordingLibrary(const RecordingLibrary&) = delete;
  RecordingLibrary& operator=(const RecordingLibrary&) = delete;

  // Scan and grouping.
  int OpenRecordings(const std::string& folder);  // 0 when the folder is missing
  int MarkGroupStarts();
  int BuildGroups();

  // Views and selection.
  int AttachViews(IGroupListView* groupList, IFileListView* fileList, IGSensorView* gsensorView,
                  IMapView* map, IOwnerView* owner);
  void SetProgressView(IProgressView* view) { m_progressView = view; }
  int ClearLibrary();
  void FillLists();
  int SelectRecording(int32_t index);
  int SelectGroup(int32_t group);
  int32_t FindCurrentGroup();
  int32_t FindGroupOf(int32_t index) const;
  std::string GetRecordingPath(int32_t index) const;
  std::string GetCurrentRecordingPath() const;
  int GetCurrentFrameSize(uint16_t* width, uint16_t* height);

  // File operations on the checked groups.
  bool MarkCheckedGroups();
  int UnlockChecked();
  int DeleteChecked();
  int CopyChecked(const std::string& destination);

  // Data (read by the views, the track functions and the commands).
  std::vector<RecordingInfo> m_recordings;
  std::vector<RecordingGroup> m_groups;
  std::vector<RecordingEntry> m_entries;
  int32_t m_currentRecording = -1;
  int32_t m_currentGroup = 0;

  IGroupListView* m_groupList = nullptr;
  IFileListView* m_fileList = nullptr;
  IGSensorView* m_gsensorView = nullptr;
  IMapView* m_map = nullptr;
  IOwnerView* m_owner = nullptr;
  IProgressView* m_progressView = nullptr;

  // Samples of the loaded recording (filled by LoadRecordingTrack).
  std::vector<GpsSample> m_gpsSamples;
  uint32_t m_gpsBytes = 0;
  std::vector<GSensorSample> m_gsensorSamples;
  uint32_t m_gsensorBytes = 0;
  double m_gpsRate = 1.0;

  int32_t m_scanCount = 0;
};

// Resolution label of a frame size ("1080p HD", "720P", "WxH", or empty).
std::string ResolutionText(int width, int height);
