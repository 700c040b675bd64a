#pragma once
// The data beside a clip: each piece's recording with the GPS and G-sensor
// records of exactly its share of the span, and the subtitle and source
// texts made from them.
#include <string>
#include <vector>

#include "clip/ClipTypes.h"
#include "export/TrackPart.h"

struct ClipSource {
  ClipPiece piece;
  std::string path;          // the recording on the card
  RecordingInfo recording;   // as read, untrimmed
  TrackPart span;            // the records of the piece, its start moved to the piece's first record
  std::size_t firstGps = 0;  // index in the whole recording of span.gps's first record
};

// Reads every piece's recording. False when one cannot be read; `failed`
// then names it.
bool LoadClipSources(const std::vector<ClipPiece>& pieces, std::vector<ClipSource>& sources, std::string& failed);

// The camera clock at `seconds` into the source's recording (seconds since
// 1970, fraction kept); 0 when the recording has no start time.
double CameraTimeAt(const ClipSource& source, double seconds);
// "YYYY-MM-DD hh:mm:ss.mmm" in camera (local civil) time, or UTC with a "Z".
std::string ClipTimeText(double time, bool utc);
// "CLIP_YYYYMMDD_hhmmss" of the span's start, or "CLIP_" and the first
// recording's name without its extension when its clock is unknown.
std::string ClipStem(const std::vector<ClipSource>& sources);

// The subtitles: one cue a second of the span with the camera time, the speed
// in `speedUnit` (0 km/h, 1 mph) and the position. `videoStart` is where the
// clip's first picture lies before the span's start (a key picture), so the
// cues meet the pictures they describe.
std::string SubtitleText(const std::vector<ClipSource>& sources, double videoStart, int speedUnit);

// One source recording's facts for SOURCES.TXT.
struct SourceFacts {
  uint64_t size = 0;
  int64_t modified = 0;  // seconds since 1970
  std::string sha256;
};
std::string SourcesText(const std::vector<ClipSource>& sources, const std::vector<SourceFacts>& facts, int64_t madeAt);
