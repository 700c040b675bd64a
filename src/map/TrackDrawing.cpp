#include "map/TrackDrawing.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "library/RecordingLibrary.h"
#include "container/SampleLoader.h"
#include "map/ScriptText.h"

int32_t LastShownSample = 0;

namespace {

bool IndexInRange(const RecordingLibrary& library, int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < library.Recordings().size();
}

void PlotConverted(IMapView& map, const char* function, const GpsSample& sample) {
  map.RunScript(PlotCall(function, NmeaToDegrees(sample.latitude / 100.0), NmeaToDegrees(sample.longitude / 100.0)));
}

void ShowNoData(RecordingLibrary& library) {
  if (library.OwnerView()) {
    library.OwnerView()->ClearHeading();
    library.OwnerView()->SetSpeed(false, 0);
  }
}

std::size_t GpsCount(const RecordingLibrary& library) {
  return std::min<std::size_t>(library.GpsBytes() / kGpsRecordSize, library.GpsSamples().size());
}

}  // namespace

void ClearGroupPaths(RecordingLibrary& library) {
  if (library.MapView()) library.MapView()->RunScript("draw_file_path_clear_all()");
}

bool DrawRecordingPath(RecordingLibrary& library, int32_t index, FirstFix* fix) {
  if (fix) fix->found = 0;
  if (!IndexInRange(library, index)) return false;
  const RecordingInfo& recording = library.Recordings()[static_cast<std::size_t>(index)];
  if (recording.summary.gpsSize == 0) return true;

  // Only the GPS block is wanted; the library's own arrays stay untouched.
  LoadedBlocks blocks = LoadRecordingBlocks(library.GetRecordingPath(index), recording.summary,
                                            /*wantGps=*/true, /*wantGsensor=*/false);
  if (!blocks.opened) return false;
  if (!blocks.gpsRead || !library.MapView()) return true;

  IMapView& map = *library.MapView();
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
  if (group < 0 || static_cast<std::size_t>(group) >= library.Groups().size()) return;
  const RecordingGroup info = library.Groups()[static_cast<std::size_t>(group)];
  FirstFix groupFix;
  for (int32_t i = 0; i < info.count; ++i) {
    FirstFix fix;
    DrawRecordingPath(library, info.first + i, &fix);
    if (groupFix.found == 0 && fix.found == 1) groupFix = fix;
  }
  if (groupFix.found == 1 && library.MapView())
    library.MapView()->MovePosition(0, groupFix.latitude, groupFix.longitude);
}

bool LoadRecordingTrack(RecordingLibrary& library, int32_t index) {
  if (!IndexInRange(library, index)) return false;
  if (library.MapView()) {
    library.MapView()->RunScript("pathdrived_delete()");
    library.MapView()->RunScript("path_delete()");
  }
  library.ClearSamples();
  library.SetCurrentRecording(index);
  LastShownSample = 0;

  const RecordingSummary& summary = library.Recordings()[static_cast<std::size_t>(index)].summary;
  LoadedBlocks blocks = LoadRecordingBlocks(library.GetCurrentRecordingPath(), summary);
  if (!blocks.opened) return false;

  IGSensorView* curve = library.GSensorView();
  if (curve) curve->Clear();

  if (blocks.gsensorRead) {
    library.SetGSensorSamples(std::move(blocks.gsensor), summary.gsensorSize);
    const auto count = static_cast<uint32_t>(library.GSensorSamples().size());
    if (curve) {
      // The range byte goes as it stands: the curve itself reads 0 as 8 g.
      curve->SetScale(static_cast<double>((summary.gseaValue >> 8) & 0xFFu), 5.0);
      curve->Clear();
      curve->LoadSamples(static_cast<int32_t>(count), library.GSensorSamples().data());
      curve->UpdateTimeAxis();
      // Per millisecond; a recording with neither rate byte nor duration gets
      // the documented fallback of the time base instead of a division by zero.
      const double samplesPerMs = GSensorRatePerSecond(summary.gseaValue, count, summary.durationMs) / 1000.0;
      curve->SetSamplesPerMs(samplesPerMs);
      curve->UpdateTimeAxis();
    }
  }

  if (blocks.gpsRead) {
    for (GpsSample& sample : blocks.gps) {
      ApplyZeroRule(sample);
      if (library.MapView() && IsUsableGpsSample(sample)) PlotConverted(*library.MapView(), "path_plot", sample);
    }
    library.SetGpsSamples(std::move(blocks.gps), summary.gpsSize);
    library.SetGpsRate(static_cast<double>(GpsRateOf(summary.gpsaValue)));
  }
  return true;
}

void DrawLoadedTrack(RecordingLibrary& library) {
  if (!library.MapView()) return;
  library.MapView()->RunScript("path_delete()");
  const std::size_t count = GpsCount(library);
  for (std::size_t i = 0; i < count; ++i) {
    const GpsSample& sample = library.GpsSamples()[i];
    if (IsUsableGpsSample(sample)) PlotConverted(*library.MapView(), "path_plot", sample);
  }
}

int64_t RoutePointTime(const RecordingLibrary& library, std::size_t index) {
  const std::size_t count = GpsCount(library);
  const double rate = library.GpsRate() > 0.0 ? library.GpsRate() : 1.0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsUsableGpsSample(library.GpsSamples()[i])) continue;
    if (index-- == 0) return static_cast<int64_t>(static_cast<double>(i) * 1000.0 / rate);
  }
  return -1;
}

void RedrawDrivenPath(RecordingLibrary& library, uint32_t timeMs) {
  if (library.GpsRate() == 0.0) library.SetGpsRate(1.0);
  const double before = std::trunc(static_cast<double>(timeMs) * library.GpsRate() / 1000.0);
  if (!library.MapView()) return;
  IMapView& map = *library.MapView();
  map.RunScript("pathdrived_delete()");
  if (library.GpsBytes() != 0) {
    const std::size_t count = GpsCount(library);
    const std::size_t n = before <= 0.0                          ? 0
                          : before >= static_cast<double>(count) ? count
                                                                 : static_cast<std::size_t>(before);
    for (std::size_t i = 0; i < n; ++i) {
      GpsSample sample = library.GpsSamples()[i];
      ApplyZeroRule(sample);
      if (IsUsableGpsSample(sample)) PlotConverted(map, "pathdrived_plot", sample);
    }
  }
}

bool UpdatePosition(RecordingLibrary& library, int64_t timeMs, bool curveEnabled, bool mapEnabled) {
  if (curveEnabled && library.GSensorView() && library.GSensorBytes() != 0) {
    library.GSensorView()->SetIdle(false);
    library.GSensorView()->Repaint();
    library.GSensorView()->SetCursor(static_cast<int32_t>(static_cast<uint32_t>(timeMs & 0xFFFFFFFF)));
  }

  const std::size_t count = GpsCount(library);
  if (count == 0) {
    ShowNoData(library);
    return false;
  }
  // Compared as a double first, so no time can overflow the index.
  const double position = std::trunc(static_cast<double>(timeMs) * library.GpsRate() / 1000.0);
  if (!(position >= 0.0) || position >= static_cast<double>(count)) {
    ShowNoData(library);
    return false;
  }
  const auto i = static_cast<int32_t>(position);
  const GpsSample& sample = library.GpsSamples()[static_cast<std::size_t>(i)];
  if ((sample.status & GpsStatusValid) == 0) {
    ShowNoData(library);
    return false;
  }
  const double latitude = sample.latitude / 100.0;
  const double longitude = sample.longitude / 100.0;
  // An out-of-range position is never shown, so it must not count as the one
  // shown last either: every report at its time answers "no fix".
  if (!IsUsableGpsSample(sample)) return false;
  if (i != 0 && i == LastShownSample) return true;
  LastShownSample = i;

  const int32_t heading = static_cast<int32_t>(sample.heading) * 2;
  if (library.OwnerView()) {
    library.OwnerView()->SetHeading(heading);
    library.OwnerView()->SetSpeed(true, sample.speed);
  }
  if (mapEnabled && library.MapView()) library.MapView()->MovePosition(heading, latitude, longitude);
  return true;
}
