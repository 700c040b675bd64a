#pragma once
// The two lists as LibraryLists fills them, and what a copy asks and shows.
// The Qt controls and the window implement these in the GUI layers; tests
// implement them as doubles. The library itself holds no view.
#include <cstdint>
#include <string>

#include "container/RecordingTypes.h"

// Group list (report view with check boxes).
class IGroupListView {
 public:
  virtual ~IGroupListView() = default;
  virtual int AddGroupRow(int32_t number, const std::string& resolution, uint64_t durationMs, uint64_t size,
                          int iconIndex, int64_t startTime) = 0;
  virtual void DeleteAllRows() = 0;
  virtual void SetRowHighlighted(int row, bool highlighted) = 0;  // drop-highlight mark
  virtual void EnsureRowVisible(int row) = 0;                     // fully visible
  virtual bool IsRowChecked(int row) const = 0;
};

// File list (report view).
class IFileListView {
 public:
  virtual ~IFileListView() = default;
  virtual int AddFileRow(int32_t group, int32_t position, const std::string& folderText, const std::string& name,
                         uint32_t durationMs, uint64_t size, int iconIndex, int64_t startTime) = 0;
  virtual void DeleteAllRows() = 0;
  virtual void SetRowHighlighted(int row, bool highlighted) = 0;
  virtual void EnsureRowVisible(int row) = 0;
};

// What a copy asks and shows while it runs (a parameter of CopyChecked).
class CopyFeedback {
 public:
  virtual ~CopyFeedback() = default;
  // The overwrite question (text 141 / caption 140); true = overwrite.
  virtual bool ConfirmOverwrite(const std::string& destinationPath) = 0;
  // The progress board, repainted at once.
  virtual void ShowCopyProgress(int percent, const std::string& text) = 0;
  virtual void HideCopyProgress() = 0;
};
