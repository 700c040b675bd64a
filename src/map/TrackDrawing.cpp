#include "TrackDrawing.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "RecordingLibrary.h"
#include "SampleLoader.h"
#include "ScriptText.h"

int32_t LastShownSample = 0;

namespace {

bool IndexInRange(const RecordingLibrary& library, int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < library.m_recordings.size();
}

void PlotConverted(IMapView& map, const char* function, const GpsSample& sample) {
  map.RunScript(PlotCall(function, NmeaToDegrees(sample.latitude / 100.0),
                         NmeaToDegrees(sample.longitude / 100.0)));
}

void ShowNoData(RecordingLibrary& library) {
  if (library.m_owner) {
    library.m_owner->ClearHeading();
    library.m_owner->SetSpeed(false, 0);
  }
}

std::size_t GpsCount(const RecordingLibrary& library) {
  return std::min<std::size_t>(library.m_gpsBytes / kGpsRecordSize, library.m_gpsSamples.size());
}

}  // namespace

void ClearGroupPaths(RecordingLibrary& library) {
  if (library.m_map) library.m_map->RunScript("draw_file_path_clear_all()");
}

bool DrawRecordingPath(RecordingLibrary& library, int32_t index, FirstFix* fix) {
  if (fix) fix->found = 0;
  if (!IndexInRange(library, index)) return false;
  const RecordingInfo& recording = library.m_recordings[static_cast<std::size_t>(index)];
  if (recording.summary.gpsSize == 0) return true;

  // Only the GPS block is wanted; the library's own arrays stay untouched.
  LoadedBlocks blocks = LoadRecordingBlocks(library.GetRecordingPath(index), recording.summary,
                                            /*wantGps=*/true, /*wantGsensor=*/false);
  if (!blocks.opened) return false;
  if (!blocks.gpsRead || !library.m_map) return true;

  IMapView& map = *library.m_map;
  for (GpsSample& sample : blocks.gps) ApplyZeroRule(sample);
  if (!blocks.gps.empty()) map.RunScript("draw_file_path_begin()");
  for (const GpsSample& sample : blocks.gps) {
    if (!IsUsableGpsSample(sample)) continue;
    if (fix && fix->found == 0) {
      fix->found = 1;
      fix->latitude = sample.latitude / 100.0;
      fix->longitude = sample.longitude / 100.0;
    }
    PlotConverted(map, "draw_file_path_plot", sample);
  }
  if (!blocks.gps.empty()) map.RunScript("draw_file_path_end()");
  return true;
}

void DrawGroupPath(RecordingLibrary& library, int32_t group) {
  if (group < 0 || static_cast<std::size_t>(group) >= library.m_groups.size()) return;
  const RecordingGroup info = library.m_groups[static_cast<std::size_t>(group)];
  FirstFix groupFix;
  for (int32_t i = 0; i < info.count; ++i) {
    FirstFix fix;
    DrawRecordingPath(library, info.first + i, &fix);
    if (groupFix.found == 0 && fix.found == 1) groupFix = fix;
  }
  if (groupFix.found == 1 && library.m_map)
    library.m_map->MovePosition(0, groupFix.latitude, groupFix.longitude);
}

bool LoadRecordingTrack(RecordingLibrary& library, int32_t index) {
  if (!IndexInRange(library, index)) return false;
  if (library.m_map) {
    library.m_map->RunScript("pathdrived_delete()");
    library.m_map->RunScript("path_delete()");
  }
  library.m_gpsSamples.clear();
  library.m_gpsSamples.shrink_to_fit();
  library.m_gpsBytes = 0;
  library.m_gsensorSamples.clear();
  library.m_gsensorSamples.shrink_to_fit();
  library.m_gsensorBytes = 0;
  library.m_currentRecording = index;
  LastShownSample = 0;

  const RecordingSummary& summary = library.m_recordings[static_cast<std::size_t>(index)].summary;
  LoadedBlocks blocks = LoadRecordingBlocks(library.GetCurrentRecordingPath(), summary);
  if (!blocks.opened) return false;

  IGSensorView* curve = library.m_gsensorView;
  if (curve) curve->Clear();

  if (blocks.gsensorRead) {
    library.m_gsensorSamples = std::move(blocks.gsensor);
    library.m_gsensorBytes = summary.gsensorSize;
    const auto count = static_cast<uint32_t>(library.m_gsensorSamples.size());
    if (curve) {
      // The range byte goes as it stands: the curve itself reads 0 as 8 g.
      curve->SetScale(static_cast<double>((summary.gseaValue >> 8) & 0xFFu), 5.0);
      curve->Clear();
      curve->LoadSamples(static_cast<int32_t>(count), library.m_gsensorSamples.data());
      curve->UpdateTimeAxis();
      // Per millisecond; a recording with neither rate byte nor duration gets
      // the documented fallback of the time base instead of a division by zero.
      const double samplesPerMs = GSensorRatePerSecond(summary.gseaValue, count, summary.durationMs) / 1000.0;
      curve->SetSamplesPerMs(samplesPerMs);
      curve->UpdateTimeAxis();
    }
  }

  if (blocks.gpsRead) {
    library.m_gpsSamples = std::move(blocks.gps);
    library.m_gpsBytes = summary.gpsSize;
    library.m_gpsRate = static_cast<double>(GpsRateOf(summary.gpsaValue));
    for (GpsSample& sample : library.m_gpsSamples) {
      ApplyZeroRule(sample);
      if (library.m_map && IsUsableGpsSample(sample)) PlotConverted(*library.m_map, "path_plot", sample);
    }
  }
  return true;
}

void DrawLoadedTrack(RecordingLibrary& library) {
  if (!library.m_map) return;
  library.m_map->RunScript("path_delete()");
  const std::size_t count = GpsCount(library);
  for (std::size_t i = 0; i < count; ++i) {
    const GpsSample& sample = library.m_gpsSamples[i];
    if (IsUsableGpsSample(sample)) PlotConverted(*library.m_map, "path_plot", sample);
  }
}

void RedrawDrivenPath(RecordingLibrary& library, uint32_t timeMs) {
  if (library.m_gpsRate == 0.0) library.m_gpsRate = 1.0;
  const double before = std::trunc(static_cast<double>(timeMs) * library.m_gpsRate / 1000.0);
  if (!library.m_map) return;
  IMapView& map = *library.m_map;
  map.RunScript("pathdrived_delete()");
  if (library.m_gpsBytes != 0) {
    const std::size_t count = GpsCount(library);
    const std::size_t n = before <= 0.0 ? 0 : before >= static_cast<double>(count) ? count : static_cast<std::size_t>(before);
    for (std::size_t i = 0; i < n; ++i) {
      GpsSample& sample = library.m_gpsSamples[i];
      ApplyZeroRule(sample);
      if (IsUsableGpsSample(sample)) PlotConverted(map, "pathdrived_plot", sample);
    }
  }
}

bool UpdatePosition(RecordingLibrary& library, int64_t timeMs, bool curveEnabled, bool mapEnabled) {
  if (curveEnabled && library.m_gsensorView && library.m_gsensorBytes != 0) {
    library.m_gsensorView->SetIdle(false);
    library.m_gsensorView->Repaint();
    library.m_gsensorView->SetCursor(static_cast<int32_t>(static_cast<uint32_t>(timeMs & 0xFFFFFFFF)));
  }

  const std::size_t count = GpsCount(library);
  if (count == 0) {
    ShowNoData(library);
    return false;
  }
  // Compared as a double first, so no time can overflow the index.
  const double position = std::trunc(static_cast<double>(timeMs) * library.m_gpsRate / 1000.0);
  if (!(position >= 0.0) || position >= static_cast<double>(count)) {
    ShowNoData(library);
    return false;
  }
  const auto i = static_cast<int32_t>(position);
  const GpsSample& sample = library.m_gpsSamples[static_cast<std::size_t>(i)];
  if ((sample.status & GpsStatusValid) == 0) {
    ShowNoData(library);
    return false;
  }
  const double latitude = sample.latitude / 100.0;
  const double longitude = sample.longitude / 100.0;
  // An out-of-range position is never shown, so it must not count as the one
  // shown last either: every report at its time answers "no fix".
  if (latitude >= 200.0 || longitude >= 200.0) return false;
  if (i != 0 && i == LastShownSample) return true;
  LastShownSample = i;

  const int32_t heading = static_cast<int32_t>(sample.heading) * 2;
  if (library.m_owner) {
    library.m_owner->SetHeading(heading);
    library.m_owner->SetSpeed(true, sample.speed);
  }
  if (mapEnabled && library.m_map) library.m_map->MovePosition(heading, latitude, longitude);
  return true;
}
