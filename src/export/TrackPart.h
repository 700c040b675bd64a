#pragma once
// The recordings an export writes: each one's record and its samples, read
// from the file or taken from what the library holds for the playing one.
#include <cstdint>
#include <string>
#include <vector>

#include "container/RecordingTypes.h"

class RecordingLibrary;

struct TrackPart {
  RecordingInfo recording;
  std::vector<GpsSample> gps;  // zero rule applied
  std::vector<GSensorSample> gsensor;

  // Seconds of record i after the recording's start, by the time base.
  double GpsSeconds(std::size_t i) const;
  double GSensorSeconds(std::size_t i) const;
};

// Reads both sample blocks of the recording's file. False when the file
// cannot be opened; a recording without blocks gives an empty part.
bool LoadTrackPart(const RecordingInfo& recording, const std::string& path, TrackPart& part);
// The current recording with the samples the library has loaded for it (what
// the KML button writes). False when no recording is current; like the KML
// button, an index past the end means the last recording.
bool CurrentTrackPart(RecordingLibrary& library, TrackPart& part);
// Every recording of the group, in order. False when the group does not exist
// or a file cannot be opened; `failedPath` then names that file (empty for a
// group that does not exist).
bool LoadGroupParts(const RecordingLibrary& library, int32_t group, std::vector<TrackPart>& parts,
                    std::string& failedPath);

// The record's own clock as seconds since 1970 UTC, its calendar fields read
// as local civil time like every start time; of the two moments that a
// repeated hour gives, the one nearest to `expected` (the recording's start
// plus the record's place in the time base). False when it has no valid clock.
bool RecordClockTime(const GpsSample& sample, int64_t expected, int64_t& time);
// The same for record `i` of `part`.
bool RecordClockTime(const TrackPart& part, std::size_t i, int64_t& time);
// "YYYY-MM-DDThh:mm:ssZ".
std::string UtcIsoTime(int64_t time);
// `value` with `decimals` decimals and "." as separator whatever the locale.
void AppendDecimal(std::string& out, double value, int decimals);
