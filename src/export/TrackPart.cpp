#include "export/TrackPart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

#include "export/KmlExport.h"
#include "library/RecordingLibrary.h"
#include "container/SampleLoader.h"

double TrackPart::GpsSeconds(std::size_t i) const {
  return static_cast<double>(i) / static_cast<double>(GpsRateOf(recording.summary.gpsaValue));
}

double TrackPart::GSensorSeconds(std::size_t i) const {
  const double rate = GSensorRatePerSecond(recording.summary.gseaValue, static_cast<uint32_t>(gsensor.size()),
                                           recording.summary.durationMs);
  return static_cast<double>(i) / rate;
}

bool LoadTrackPart(const RecordingInfo& recording, const std::string& path, TrackPart& part) {
  // Built aside: `recording` may be the part's own record.
  TrackPart loaded;
  loaded.recording = recording;
  LoadedBlocks blocks = LoadRecordingBlocks(path, recording.summary);
  if (!blocks.opened) return false;
  if (blocks.gpsRead) loaded.gps = std::move(blocks.gps);
  if (blocks.gsensorRead) loaded.gsensor = std::move(blocks.gsensor);
  for (GpsSample& sample : loaded.gps) ApplyZeroRule(sample);
  part = std::move(loaded);
  return true;
}

bool CurrentTrackPart(RecordingLibrary& library, TrackPart& part) {
  const std::size_t count = library.Recordings().size();
  if (count == 0) return false;
  if (library.CurrentRecording() >= 0 && static_cast<std::size_t>(library.CurrentRecording()) >= count)
    library.SetCurrentRecording(static_cast<int32_t>(count - 1));
  // Nothing is current (right after opening): the loaded blocks belong to no recording.
  if (library.CurrentRecording() < 0) return false;
  part = TrackPart{};
  part.recording = library.Recordings()[static_cast<std::size_t>(library.CurrentRecording())];
  const std::size_t gps = std::min<std::size_t>(library.GpsBytes() / kGpsRecordSize, library.GpsSamples().size());
  part.gps.assign(library.GpsSamples().begin(), library.GpsSamples().begin() + static_cast<std::ptrdiff_t>(gps));
  const std::size_t gsensor =
      std::min<std::size_t>(library.GSensorBytes() / kGSensorRecordSize, library.GSensorSamples().size());
  part.gsensor.assign(library.GSensorSamples().begin(),
                      library.GSensorSamples().begin() + static_cast<std::ptrdiff_t>(gsensor));
  return true;
}

bool LoadGroupParts(const RecordingLibrary& library, int32_t group, std::vector<TrackPart>& parts,
                    std::string& failedPath) {
  parts.clear();
  failedPath.clear();
  if (group < 0 || static_cast<std::size_t>(group) >= library.Groups().size()) return false;
  const RecordingGroup& g = library.Groups()[static_cast<std::size_t>(group)];
  for (int32_t i = g.first; i < g.first + g.count; ++i) {
    if (i < 0 || static_cast<std::size_t>(i) >= library.Recordings().size()) return false;
    const RecordingInfo& recording = library.Recordings()[static_cast<std::size_t>(i)];
    TrackPart part;
    if (!LoadTrackPart(recording, library.GetRecordingPath(i), part)) {
      failedPath = library.GetRecordingPath(i);
      return false;
    }
    parts.push_back(std::move(part));
  }
  return !parts.empty();
}

bool RecordClockTime(const GpsSample& sample, int64_t expected, int64_t& time) {
  if (!IsValidRecordClock(sample)) return false;  // no rollover of 31 April into May
  bool ok = false;
  time = LocalCalendarToTimeNear(2000 + sample.year, sample.month, sample.day, sample.hour, sample.minute,
                                 sample.second, expected, &ok);
  return ok;
}

bool RecordClockTime(const TrackPart& part, std::size_t i, int64_t& time) {
  const auto expected = part.recording.summary.startTime + static_cast<int64_t>(std::llround(part.GpsSeconds(i)));
  return RecordClockTime(part.gps[i], expected, time);
}

std::string UtcIsoTime(int64_t time) { return FormatCalendarTime("%Y-%m-%dT%H:%M:%SZ", time, true); }

void AppendDecimal(std::string& out, double value, int decimals) {
  char buffer[400];  // 309 integer digits, sign, point and the decimals
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec == std::errc()) out.append(buffer, result.ptr);
}
