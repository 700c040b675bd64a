#include "clip/video/ClipTelemetry.h"

#include <cmath>

#include "container/RecordingFile.h"
#include "container/SampleLoader.h"

namespace {

bool ReadSummary(const std::string& path, RecordingSummary& summary) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  RecordingFile file(&summary);
  if (IsAviName(name)) return file.ParseAvi(path) == 0;
  // A QuickTime recording without its moov (cut by power loss) is still scanned.
  return file.ParseMov(path) == 0 || file.ScanMov(path) == 0;
}

// Record `seconds * rate` counted as the window counts it; -1 past either end.
int64_t RecordAt(double seconds, double rate, std::size_t count) {
  const double position = std::trunc(seconds * rate);
  if (!(position >= 0.0) || position >= static_cast<double>(count)) return -1;
  return static_cast<int64_t>(position);
}

}  // namespace

bool ClipTelemetry::Load(const std::vector<ClipPiece>& pieces, std::string& why) {
  m_recordings.clear();
  m_route.clear();
  for (const ClipPiece& piece : pieces) {
    Recording recording;
    if (!ReadSummary(piece.path, recording.summary)) {
      why = "cannot read the recording " + piece.path;
      return false;
    }
    LoadedBlocks blocks = LoadRecordingBlocks(piece.path, recording.summary);
    if (!blocks.opened) {
      why = "cannot open " + piece.path;
      return false;
    }
    recording.gps = std::move(blocks.gps);
    recording.gsensor = std::move(blocks.gsensor);
    recording.gpsRate = static_cast<double>(GpsRateOf(recording.summary.gpsaValue));
    recording.gsensorRate = GSensorRatePerSecond(
        recording.summary.gseaValue, static_cast<uint32_t>(recording.gsensor.size()), recording.summary.durationMs);
    recording.routeIndex.reserve(recording.gps.size());
    for (GpsSample& sample : recording.gps) {
      ApplyZeroRule(sample);
      RoutePoint point;
      if (FixPosition(sample, point.latitude, point.longitude)) m_route.push_back(point);
      recording.routeIndex.push_back(static_cast<int>(m_route.size()) - 1);
    }
    m_recordings.push_back(std::move(recording));
  }
  return true;
}

FrameTelemetry ClipTelemetry::At(std::size_t piece, double seconds) const {
  FrameTelemetry shown;
  if (piece >= m_recordings.size()) return shown;
  const Recording& recording = m_recordings[piece];
  if (recording.summary.startTime != 0)
    shown.clock = recording.summary.startTime + static_cast<int64_t>(std::floor(seconds));
  shown.gRange = static_cast<double>(GSensorRangeOf(recording.summary.gseaValue));

  shown.gpsIndex = RecordAt(seconds, recording.gpsRate, recording.gps.size());
  if (shown.gpsIndex >= 0) {
    const GpsSample& sample = recording.gps[static_cast<std::size_t>(shown.gpsIndex)];
    shown.routeIndex = recording.routeIndex[static_cast<std::size_t>(shown.gpsIndex)];
    shown.fix = FixPosition(sample, shown.latitude, shown.longitude);
    if (shown.fix) {
      shown.speed = sample.speed;
      shown.heading = static_cast<int>(sample.heading) * 2;
    }
  }
  shown.gsensorIndex = RecordAt(seconds, recording.gsensorRate, recording.gsensor.size());
  if (shown.gsensorIndex >= 0) {
    const GSensorSample& sample = recording.gsensor[static_cast<std::size_t>(shown.gsensorIndex)];
    // As the curve reads a record: full scale over a signed byte.
    const double unit = shown.gRange / 128.0;
    shown.g[0] = sample.x * unit;
    shown.g[1] = sample.y * unit;
    shown.g[2] = sample.z * unit;
  }
  return shown;
}
