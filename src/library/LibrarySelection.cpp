// The library's list rows, the current recording and group, and the lookups.
#include <cstdio>

#include "fileio/FolderPath.h"
#include "library/RecordingLibrary.h"

namespace {

struct ResolutionName {
  int width;
  int height;
  const char* text;
};

constexpr ResolutionName kResolutionNames[] = {
    {2048, 1600, "QXGA"}, {2048, 1536, "QXGA"}, {1920, 1080, "1080p HD"}, {1600, 1200, "UXGA"}, {1280, 1024, "SXGA"},
    {1280, 720, "720P"},  {1152, 870, "MAC"},   {1024, 768, "XGA"},       {800, 600, "SVGA"},   {720, 480, "480P"},
    {640, 480, "VGA"},    {320, 240, "CIF"},    {1440, 1080, "1080p"},
};

}  // namespace

std::string ResolutionText(int width, int height) {
  for (const ResolutionName& row : kResolutionNames)
    if (row.width == width && row.height == height) return row.text;
  if (width == 0 || height == 0) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", width, height);
  return text;
}

void RecordingLibrary::Reset() {
  m_recordings.clear();
  m_groups.clear();
  m_entries.clear();
  m_currentRecording = -1;
  m_currentGroup = 0;
  m_track = RecordingTrack();
}

void RecordingLibrary::ClearLibrary() {
  m_recordings.clear();
  m_cutRecordings.clear();
  m_scannedGps.clear();
  m_currentRecording = -1;
  m_groups.clear();
  m_entries.clear();
}

void RecordingLibrary::SetGpsSamples(std::vector<GpsSample> samples, uint32_t bytes) {
  m_track.gps = std::move(samples);
  m_track.gpsBytes = bytes;
}

void RecordingLibrary::SetGSensorSamples(std::vector<GSensorSample> samples, uint32_t bytes) {
  m_track.gsensor = std::move(samples);
  m_track.gsensorBytes = bytes;
}

void RecordingLibrary::ClearSamples() {
  const double rate = m_track.gpsRate;
  m_track = RecordingTrack();  // the samples' memory goes back at once
  m_track.gpsRate = rate;
}

const RecordingTrack* RecordingLibrary::LoadTrack(int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_recordings.size()) return nullptr;
  ClearSamples();
  m_currentRecording = index;
  const RecordingSummary& summary = m_recordings[static_cast<std::size_t>(index)].summary;
  if (!ReadRecordingTrack(GetRecordingPath(index), summary, m_track)) return nullptr;
  return &m_track;
}

bool RecordingLibrary::SelectRecording(int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) return false;
  m_currentRecording = index;
  FindCurrentGroup();
  return true;
}

bool RecordingLibrary::SelectGroup(int32_t group) {
  if (group < 0 || static_cast<std::size_t>(group) >= m_groups.size()) return false;
  m_currentGroup = group;
  m_currentRecording = m_groups[static_cast<std::size_t>(group)].first;
  return true;
}

int32_t RecordingLibrary::FindCurrentGroup() {
  m_currentGroup = -1;
  if (m_currentRecording < 0) return -1;
  for (const RecordingGroup& group : m_groups) {
    if (int64_t(m_currentRecording) < int64_t(group.first) + group.count) {
      m_currentGroup = group.number;
      break;
    }
  }
  return m_currentGroup;
}

int32_t RecordingLibrary::FindGroupOf(int32_t index) const {
  if (index < 0 || m_groups.empty()) return -1;
  for (const RecordingGroup& group : m_groups)
    if (int64_t(index) < int64_t(group.first) + group.count) return group.number;
  return -1;
}

std::string RecordingLibrary::GetRecordingPath(int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_recordings.size()) return std::string();
  const RecordingInfo& recording = m_recordings[static_cast<std::size_t>(index)];
  return JoinPath(JoinPath(recording.folder, recording.subfolder), recording.name);
}

std::string RecordingLibrary::GetCurrentRecordingPath() const { return GetRecordingPath(m_currentRecording); }

bool RecordingLibrary::GetCurrentFrameSize(uint16_t* width, uint16_t* height) {
  if (m_recordings.empty()) return false;
  if (static_cast<int64_t>(m_currentRecording) >= static_cast<int64_t>(m_recordings.size()))
    m_currentRecording = static_cast<int32_t>(m_recordings.size() - 1);
  if (m_currentRecording < 0) return false;
  const RecordingSummary& summary = m_recordings[static_cast<std::size_t>(m_currentRecording)].summary;
  if (width) *width = summary.width;
  if (height) *height = summary.height;
  return true;
}
