#include "library/LibraryLists.h"

#include "library/RecordingLibrary.h"

void LibraryLists::Clear() {
  if (m_groupList) m_groupList->DeleteAllRows();
  if (m_fileList) m_fileList->DeleteAllRows();
}

void LibraryLists::Fill() {
  Clear();
  const std::vector<RecordingInfo>& recordings = m_library.Recordings();
  if (m_groupList) {
    for (const RecordingGroup& group : m_library.Groups()) {
      if (group.first < 0 || static_cast<std::size_t>(group.first) >= recordings.size()) continue;
      const RecordingSummary& first = recordings[static_cast<std::size_t>(group.first)].summary;
      m_groupList->AddGroupRow(group.number, ResolutionText(first.width, first.height), group.durationMs, group.size,
                               group.flags, first.startTime);
    }
  }
  if (m_fileList) {
    for (const RecordingEntry& entry : m_library.Entries()) {
      if (entry.recording < 0 || static_cast<std::size_t>(entry.recording) >= recordings.size()) continue;
      const RecordingInfo& recording = recordings[static_cast<std::size_t>(entry.recording)];
      m_fileList->AddFileRow(entry.group, entry.position, recording.folder + recording.subfolder, recording.name,
                             recording.summary.durationMs, recording.summary.fileSize, recording.flags,
                             recording.summary.startTime);
    }
  }
}

void LibraryLists::MarkRows(bool highlighted, bool scroll) {
  const int32_t group = m_library.CurrentGroup();
  const int32_t recording = m_library.CurrentRecording();
  if (m_groupList && group >= 0 && static_cast<std::size_t>(group) < m_library.Groups().size()) {
    m_groupList->SetRowHighlighted(group, highlighted);
    if (scroll) m_groupList->EnsureRowVisible(group);
  }
  if (m_fileList && recording >= 0 && static_cast<std::size_t>(recording) < m_library.Entries().size()) {
    m_fileList->SetRowHighlighted(recording, highlighted);
    if (scroll) m_fileList->EnsureRowVisible(recording);
  }
}

bool LibraryLists::SelectRecording(int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_library.Entries().size()) return false;
  MarkRows(false, false);
  m_library.SelectRecording(index);
  MarkRows(true, true);
  return true;
}

bool LibraryLists::SelectGroup(int32_t group) {
  if (group < 0 || static_cast<std::size_t>(group) >= m_library.Groups().size()) return false;
  // A current group that names no group (after a deletion shrank the list)
  // only means there is no old row to unmark.
  MarkRows(false, false);
  m_library.SelectGroup(group);
  MarkRows(true, false);
  return true;
}

bool LibraryLists::TakeChecks() {
  bool any = false;
  for (std::size_t j = 0; j < m_library.Groups().size(); ++j) {
    const bool checked = m_groupList && m_groupList->IsRowChecked(static_cast<int>(j));
    m_library.CheckGroup(static_cast<int32_t>(j), checked);
    any = any || checked;
  }
  return any;
}
