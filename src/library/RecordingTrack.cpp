#include "library/RecordingTrack.h"

#include <algorithm>

#include "container/SampleLoader.h"

std::size_t RecordingTrack::GpsCount() const { return std::min<std::size_t>(gpsBytes / kGpsRecordSize, gps.size()); }

int64_t RecordingTrack::PointTime(std::size_t index) const {
  const std::size_t count = GpsCount();
  const double rate = gpsRate > 0.0 ? gpsRate : 1.0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsUsableGpsSample(gps[i])) continue;
    if (index-- == 0) return static_cast<int64_t>(static_cast<double>(i) * 1000.0 / rate);
  }
  return -1;
}

bool ReadRecordingTrack(const std::string& path, const RecordingSummary& summary, RecordingTrack& track) {
  track = RecordingTrack();
  LoadedBlocks blocks = LoadRecordingBlocks(path, summary);
  if (!blocks.opened) return false;
  if (blocks.gsensorRead) {
    track.gsensorRead = true;
    track.gsensor = std::move(blocks.gsensor);
    track.gsensorBytes = summary.gsensorSize;
    track.gsensorFullScale = static_cast<double>((summary.gseaValue >> 8) & 0xFFu);
    // Per millisecond; a recording with neither rate byte nor duration gets
    // the documented fallback of the time base instead of a division by zero.
    const auto count = static_cast<uint32_t>(track.gsensor.size());
    track.gsensorSamplesPerMs = GSensorRatePerSecond(summary.gseaValue, count, summary.durationMs) / 1000.0;
  }
  if (blocks.gpsRead) {
    for (GpsSample& sample : blocks.gps) ApplyZeroRule(sample);
    track.gps = std::move(blocks.gps);
    track.gpsBytes = summary.gpsSize;
    track.gpsRate = static_cast<double>(GpsRateOf(summary.gpsaValue));
  }
  return true;
}
