#include "map/TrackDrawing.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "container/SampleLoader.h"
#include "library/RecordingLibrary.h"
#include "map/ScriptText.h"

namespace {

void PlotConverted(IMapView& map, const char* function, const GpsSample& sample) {
  map.RunScript(PlotCall(function, NmeaToDegrees(sample.latitude / 100.0), NmeaToDegrees(sample.longitude / 100.0)));
}

}  // namespace

void TrackDrawing::ClearGroupPaths() {
  if (m_map) m_map->RunScript("draw_file_path_clear_all()");
}

bool TrackDrawing::DrawRecordingPath(const RecordingLibrary& library, int32_t index, FirstFix* fix) {
  if (fix) fix->found = 0;
  if (index < 0 || static_cast<std::size_t>(index) >= library.Recordings().size()) return false;
  const RecordingInfo& recording = library.Recordings()[static_cast<std::size_t>(index)];
  if (recording.summary.gpsSize == 0) return true;

  // Only the GPS block is wanted; the loaded track stays untouched.
  LoadedBlocks blocks = LoadRecordingBlocks(library.GetRecordingPath(index), recording.summary,
                                            /*wantGps=*/true, /*wantGsensor=*/false);
  if (!blocks.opened) return false;
  if (!blocks.gpsRead || !m_map) return true;

  for (GpsSample& sample : blocks.gps) ApplyZeroRule(sample);
  if (!blocks.gps.empty()) m_map->RunScript("draw_file_path_begin()");
  for (const GpsSample& sample : blocks.gps) {
    if (!IsUsableGpsSample(sample)) continue;
    if (fix && fix->found == 0) {
      fix->found = 1;
      fix->latitude = sample.latitude / 100.0;
      fix->longitude = sample.longitude / 100.0;
    }
    PlotConverted(*m_map, "draw_file_path_plot", sample);
  }
  if (!blocks.gps.empty()) m_map->RunScript("draw_file_path_end()");
  return true;
}

void TrackDrawing::DrawGroupPath(const RecordingLibrary& library, int32_t group) {
  if (group < 0 || static_cast<std::size_t>(group) >= library.Groups().size()) return;
  const RecordingGroup info = library.Groups()[static_cast<std::size_t>(group)];
  FirstFix groupFix;
  for (int32_t i = 0; i < info.count; ++i) {
    FirstFix fix;
    DrawRecordingPath(library, info.first + i, &fix);
    if (groupFix.found == 0 && fix.found == 1) groupFix = fix;
  }
  if (groupFix.found == 1 && m_map) m_map->MovePosition(0, groupFix.latitude, groupFix.longitude);
}

void TrackDrawing::ClearTrack() {
  m_lastShownSample = 0;
  if (!m_map) return;
  m_map->RunScript("pathdrived_delete()");
  m_map->RunScript("path_delete()");
}

void TrackDrawing::PlotTrack(const RecordingTrack& track) {
  if (!m_map) return;
  const std::size_t count = track.GpsCount();
  for (std::size_t i = 0; i < count; ++i)
    if (IsUsableGpsSample(track.gps[i])) PlotConverted(*m_map, "path_plot", track.gps[i]);
}

void TrackDrawing::DrawLoadedTrack(const RecordingTrack& track) {
  if (!m_map) return;
  m_map->RunScript("path_delete()");
  PlotTrack(track);
}

void TrackDrawing::RedrawDrivenPath(const RecordingTrack& track, uint32_t timeMs) {
  if (!m_map) return;
  const double rate = track.gpsRate == 0.0 ? 1.0 : track.gpsRate;
  const double before = std::trunc(static_cast<double>(timeMs) * rate / 1000.0);
  m_map->RunScript("pathdrived_delete()");
  if (track.gpsBytes == 0) return;
  const std::size_t count = track.GpsCount();
  const std::size_t n = before <= 0.0                          ? 0
                        : before >= static_cast<double>(count) ? count
                                                               : static_cast<std::size_t>(before);
  for (std::size_t i = 0; i < n; ++i) {
    GpsSample sample = track.gps[i];
    ApplyZeroRule(sample);
    if (IsUsableGpsSample(sample)) PlotConverted(*m_map, "pathdrived_plot", sample);
  }
}

TrackPosition TrackDrawing::PositionAt(const RecordingTrack& track, int64_t timeMs, bool mapEnabled) {
  TrackPosition shown;
  const std::size_t count = track.GpsCount();
  // Compared as a double first, so no time can overflow the index.
  const double position = std::trunc(static_cast<double>(timeMs) * track.gpsRate / 1000.0);
  if (count == 0 || !(position >= 0.0) || position >= static_cast<double>(count)) return shown;
  const auto i = static_cast<int32_t>(position);
  const GpsSample& sample = track.gps[static_cast<std::size_t>(i)];
  if ((sample.status & GpsStatusValid) == 0) return shown;
  // An out-of-range position is never shown, so it must not count as the one
  // shown last either: every report at its time answers "no fix".
  if (!IsUsableGpsSample(sample)) {
    shown.kind = TrackPosition::Kind::Unusable;
    return shown;
  }
  if (i != 0 && i == m_lastShownSample) {
    shown.kind = TrackPosition::Kind::ShownLast;
    return shown;
  }
  m_lastShownSample = i;
  shown.kind = TrackPosition::Kind::NewFix;
  shown.heading = static_cast<int32_t>(sample.heading) * 2;
  shown.speed = sample.speed;
  if (mapEnabled && m_map) m_map->MovePosition(shown.heading, sample.latitude / 100.0, sample.longitude / 100.0);
  return shown;
}
