#pragma once
// Loads a recording's GPS and G-sensor blocks for display and export.
#include <cstdint>
#include <string>
#include <vector>

#include "container/RecordingTypes.h"

struct LoadedBlocks {
  bool opened = false;   // the file could be opened
  bool gpsRead = false;  // the GPS block was non-empty, inside the file and read
  bool gsensorRead = false;
  std::vector<GpsSample> gps;  // zero rule NOT applied: callers apply it
  std::vector<GSensorSample> gsensor;
  uint64_t fileSize = 0;
};

// Opens `path` read-only and reads each requested block only when it is
// non-empty and offset + size does not exceed the file's size.
LoadedBlocks LoadRecordingBlocks(const std::string& path, const RecordingSummary& summary, bool wantGps = true,
                                 bool wantGsensor = true);

class ByteSource;
// The same over an already opened source (tests, fuzzers).
LoadedBlocks LoadRecordingBlocks(ByteSource& source, const RecordingSummary& summary, bool wantGps = true,
                                 bool wantGsensor = true);
