#pragma once
// The group and file lists of a library: their rows, the highlight of the
// current recording and group, and the group list's ticks. The library itself
// holds no view; the window owns one of these beside it.
#include <cstdint>

#include "library/LibraryViews.h"

class RecordingLibrary;

class LibraryLists {
 public:
  // Either list may be null.
  LibraryLists(RecordingLibrary& library, IGroupListView* groupList, IFileListView* fileList)
      : m_library(library), m_groupList(groupList), m_fileList(fileList) {}

  // Both lists emptied.
  void Clear();
  // Both lists show the library's groups and rows afresh.
  void Fill();
  // The library's SelectRecording / SelectGroup, with the rows' highlight
  // moved (and, for a recording, scrolled into view).
  bool SelectRecording(int32_t index);
  bool SelectGroup(int32_t group);
  // The group list's ticks into the library; true when any group is ticked.
  bool TakeChecks();

 private:
  // Rows that name nothing (-1, or left over from an earlier library) are not
  // handed to the views.
  void MarkRows(bool highlighted, bool scroll);

  RecordingLibrary& m_library;
  IGroupListView* m_groupList;
  IFileListView* m_fileList;
};
