#pragma once
// A recording's track as the displays draw it: its GPS records (zero rule
// applied) and G-sensor records, with the rates and the scale read from its
// summary. A plain value: whoever loads it hands it to the map and the curve.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "container/RecordingTypes.h"

struct RecordingTrack {
  std::vector<GpsSample> gps;
  uint32_t gpsBytes = 0;  // the GPS block's size as the summary gives it
  double gpsRate = 1.0;   // GPS records per second
  bool gsensorRead = false;
  std::vector<GSensorSample> gsensor;
  uint32_t gsensorBytes = 0;
  // The summary's range byte as it stands (the curve reads 0 as 8 g).
  double gsensorFullScale = 0.0;
  double gsensorSamplesPerMs = 0.0;

  // GPS records that both the block's size and the records read cover.
  std::size_t GpsCount() const;
  // The time of point `index` of the track's line (its usable records in
  // order); -1 when there is no such point.
  int64_t PointTime(std::size_t index) const;
};

// Reads both blocks of the recording at `path`; false when the file cannot be
// opened (`track` is then left empty).
bool ReadRecordingTrack(const std::string& path, const RecordingSummary& summary, RecordingTrack& track);
