#pragma once
// What the library's listing learns of one recording file, read through one
// open: whether it is cut off, the walk's summary (and the byte scan's start
// time for a QuickTime file without one) and, when asked, the GPS block for
// the trip figures.
#include <cstdint>
#include <string>
#include <vector>

#include "container/CutRecording.h"
#include "container/RecordingTypes.h"

struct RecordingListing {
  uint64_t size = 0;    // the file's length when it was read
  bool listed = false;  // the walk succeeded: the file is a recording of the library
  RecordingSummary summary;
  std::string cutReason;  // empty unless the file was cut off in writing
  bool gpsKept = false;   // `gps` holds the GPS block's records (zero rule not applied)
  std::vector<GpsSample> gps;
};

class ListingSource;
// Reads the listing of the file `source` has open.
void ReadRecordingListing(ListingSource& source, ContainerKind kind, bool keepGps, RecordingListing& listing);
// The same for a path; false when the file cannot be opened (it then is
// neither listed nor cut).
bool ReadRecordingListing(const std::string& path, ContainerKind kind, bool keepGps, RecordingListing& listing);
