#pragma once
// What the recording library needs from the views attached to it. The Qt
// controls implement these in the GUI layers; tests implement them as doubles.
// The library never owns a view.
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

// G-sensor curve.
class IGSensorView {
 public:
  virtual ~IGSensorView() = default;
  virtual void Clear() = 0;  // empties the samples, cursor 0, repaints
  virtual void Repaint() = 0;
  virtual void SetScale(double fullScale, double range) = 0;
  virtual void LoadSamples(int32_t count, const GSensorSample* samples) = 0;
  virtual void UpdateTimeAxis() = 0;
  virtual void SetCursor(int32_t ms) = 0;
  virtual void SetSamplesPerMs(double samplesPerMs) = 0;  // the curve's m_samplesPerMs
  virtual void SetIdle(bool idle) = 0;                    // the curve's m_idle
};

// Map page host: every script call of the page goes through here.
class IMapView {
 public:
  virtual ~IMapView() = default;
  virtual bool RunScript(const std::string& code) = 0;
  // latitude / longitude in degrees-and-decimal-minutes form (dd.mmmm).
  virtual bool MovePosition(int32_t heading, double latitude, double longitude) = 0;
};

// Video surface while scanning: shows how many files were examined.
class IProgressView {
 public:
  virtual ~IProgressView() = default;
  virtual void ShowScanCount(int32_t count) = 0;  // store and repaint at once
};

// The main window, as the library's operations see it.
class IOwnerView {
 public:
  virtual ~IOwnerView() = default;
  // Compass and speed label.
  virtual void SetHeading(int32_t degrees) = 0;
  virtual void ClearHeading() = 0;
  virtual void SetSpeed(bool valid, uint16_t kmh) = 0;
  // Copy: the overwrite question (text 141 / caption 140); true = overwrite.
  virtual bool ConfirmOverwrite(const std::string& destinationPath) = 0;
  // Copy: the progress board, repainted at once.
  virtual void ShowCopyProgress(int percent, const std::string& text) = 0;
  virtual void HideCopyProgress() = 0;
};
