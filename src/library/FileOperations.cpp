// Unlock, delete and copy of the recordings of the checked groups.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "fileio/FileAttributes.h"
#include "fileio/FileCopy.h"
#include "fileio/FolderPath.h"
#include "library/RecordingLibrary.h"

namespace {

constexpr uint8_t kProtectionFlags = RecordingFlagEvent | RecordingFlagLocked;

void ShowProgress(CopyFeedback* feedback, int percent) {
  if (!feedback) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d %c", percent, '%');
  feedback->ShowCopyProgress(percent, text);
}

}  // namespace

void RecordingLibrary::CheckGroup(int32_t group, bool checked) {
  if (group >= 0 && static_cast<std::size_t>(group) < m_groups.size())
    m_groups[static_cast<std::size_t>(group)].checked = checked ? 1 : 0;
}

bool RecordingLibrary::MarkCheckedGroups() const {
  return std::any_of(m_groups.begin(), m_groups.end(), [](const RecordingGroup& group) { return group.checked != 0; });
}

CheckedContent RecordingLibrary::DescribeChecked() const {
  CheckedContent content;
  for (const RecordingGroup& group : m_groups) {
    if (!group.checked) continue;
    for (int32_t n = 0; n < group.count; ++n) {
      const int32_t i = group.first + n;
      if (i < 0 || static_cast<std::size_t>(i) >= m_recordings.size()) break;
      const RecordingInfo& recording = m_recordings[static_cast<std::size_t>(i)];
      if (recording.flags & kProtectionFlags) {
        content.protectedCount += 1;
      } else {
        content.unprotected += 1;
        content.unprotectedBytes += recording.summary.fileSize;
      }
    }
  }
  return content;
}

bool RecordingLibrary::UnlockChecked() {
  m_lastFailures.clear();
  m_lastCounts = {};
  if (!MarkCheckedGroups()) return false;
  for (RecordingGroup& group : m_groups) {
    if (!group.checked) continue;
    for (int32_t n = 0; n < group.count; ++n) {
      const int32_t i = group.first + n;
      if (i < 0 || static_cast<std::size_t>(i) >= m_recordings.size()) break;
      RecordingInfo& recording = m_recordings[static_cast<std::size_t>(i)];
      if (!(recording.flags & kProtectionFlags)) continue;
      const std::string path = GetRecordingPath(i);
      int error = 0;
      if (RemoveWriteProtection(path, error)) {
        recording.flags &= static_cast<uint8_t>(~kProtectionFlags);
        m_lastCounts.unlocked += 1;
      } else {
        m_lastFailures.push_back({path, std::string(), error});
      }
    }
    // The group row shows no lock any more, even for a member that kept its.
    group.flags = 0;
  }
  return true;
}

bool RecordingLibrary::DeleteChecked() {
  m_lastFailures.clear();
  m_lastCounts = {};
  if (!MarkCheckedGroups()) return false;
  int deleted = 0;
  // Last to first, so that removing a recording never moves one still to come.
  for (std::size_t g = m_groups.size(); g-- > 0;) {
    const RecordingGroup group = m_groups[g];
    if (!group.checked) continue;
    for (int32_t n = group.count - 1; n >= 0; --n) {
      const int32_t i = group.first + n;
      if (i < 0 || static_cast<std::size_t>(i) >= m_recordings.size()) continue;
      const std::string path = GetRecordingPath(i);
      int error = 0;
      const Protection protection = QueryProtection(path, &error);
      if (protection == Protection::Protected) {  // never deleted, not a failure
        m_lastCounts.keptProtected += 1;
        continue;
      }
      if (protection == Protection::Unknown || ::unlink(path.c_str()) != 0) {
        if (protection != Protection::Unknown) error = errno;
        m_lastFailures.push_back({path, std::string(), error});
        continue;
      }
      deleted += 1;
      m_lastCounts.deleted = deleted;
      m_recordings.erase(m_recordings.begin() + i);
      if (static_cast<std::size_t>(i) < m_entries.size()) m_entries.erase(m_entries.begin() + i);
    }
  }
  // Failures were found from the last recording back; report them in list order.
  std::reverse(m_lastFailures.begin(), m_lastFailures.end());

  if (deleted > 0) {
    MarkGroupStarts();
  }
  return true;
}

bool RecordingLibrary::CopyChecked(const std::string& destination, CopyFeedback* feedback) {
  m_lastFailures.clear();
  m_lastCounts = {};
  if (!MarkCheckedGroups()) return false;
  int64_t total = 0;
  for (const RecordingGroup& group : m_groups)
    if (group.checked) total += group.count;
  int64_t done = 0;
  ShowProgress(feedback, 0);

  for (const RecordingGroup& group : m_groups) {
    if (!group.checked) continue;
    for (int32_t n = 0; n < group.count; ++n) {
      const int32_t i = group.first + n;
      if (i < 0 || static_cast<std::size_t>(i) >= m_recordings.size()) break;
      const RecordingInfo& recording = m_recordings[static_cast<std::size_t>(i)];
      const std::string source = GetRecordingPath(i);
      // The folders below the opened folder are reproduced at the destination.
      const std::string folder = JoinPath(destination, recording.subfolder);
      int folderError = 0;
      if (!FolderExists(folder)) {
        if (!MakeFolderPath(folder)) folderError = errno;
        if (FolderExists(folder)) folderError = 0;
      }
      const std::string target = JoinPath(folder, recording.name);

      if (folderError != 0) {
        m_lastFailures.push_back({source, target, folderError});
      } else if (IsSameFile(source, target)) {
        // Copying a recording onto itself: the file is already there, intact.
        m_lastCounts.skipped += 1;
      } else if (PathExists(target) && !(feedback && feedback->ConfirmOverwrite(target))) {
        // Declined (or nobody to ask): the existing file stays as it is.
        m_lastCounts.skipped += 1;
      } else if (PathExists(target) && QueryProtection(target) == Protection::Protected) {
        // A write-protected file at the destination is not replaced.
        m_lastFailures.push_back({source, target, EACCES});
      } else {
        int error = 0;
        if (SafeCopyFile(source, target, error))
          m_lastCounts.copied += 1;
        else
          m_lastFailures.push_back({source, target, error});
      }

      done += 1;
      const int percent = static_cast<int>(std::min<int64_t>(100, 100 * done / total));
      ShowProgress(feedback, percent);
    }
  }
  if (feedback) feedback->HideCopyProgress();
  return true;
}
