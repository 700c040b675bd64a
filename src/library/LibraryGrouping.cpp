// Grouping of the sorted recordings and the file-list rows.
#include "library/RecordingLibrary.h"

namespace {

// Start times come from the files; the arithmetic must hold for any value.
using Wide = __int128;

}  // namespace

void RecordingLibrary::MarkGroupStarts() {
  m_groups.clear();
  m_entries.clear();
  if (!m_recordings.empty()) m_recordings[0].groupStart = 1;
  for (std::size_t i = 1; i < m_recordings.size(); ++i) {
    const RecordingSummary& previous = m_recordings[i - 1].summary;
    const Wide previousEnd = Wide(previous.startTime) + Wide(previous.durationSeconds);
    const Wide current = m_recordings[i].summary.startTime;
    // Joins the group before it when it starts within 2 s (either way) of the
    // previous recording's end; marks already set stay set.
    if (current + 2 < previousEnd || current - previousEnd > 2) m_recordings[i].groupStart = 1;
  }
  BuildGroups();
}

void RecordingLibrary::BuildGroups() {
  m_groups.clear();
  m_entries.clear();
  m_entries.reserve(m_recordings.size());
  RecordingGroup group;
  int32_t count = 0;
  for (std::size_t i = 0; i < m_recordings.size(); ++i) {
    const RecordingInfo& recording = m_recordings[i];
    if (recording.groupStart == 1) {
      if (i > 0) m_groups.push_back(group);
      group = RecordingGroup{};
      group.number = count;
      group.first = static_cast<int32_t>(i);
      count += 1;
    }
    RecordingEntry entry;
    entry.group = group.number;
    entry.position = group.count;
    entry.recording = static_cast<int32_t>(i);
    entry.size = recording.summary.fileSize;
    entry.durationMs = recording.summary.durationMs;
    m_entries.push_back(entry);
    group.count += 1;
    group.size += recording.summary.fileSize;
    group.durationMs += recording.summary.durationMs;
    group.flags |= recording.flags;
  }
  if (!m_recordings.empty()) m_groups.push_back(group);
}
