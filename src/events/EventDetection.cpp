// Peaks of the car's acceleration classified as harsh moments, and harsh
// braking from the GPS speed where the G-sensor has nothing useful.
#include <algorithm>
#include <cmath>

#include "events/DrivingEvents.h"
#include "events/SensorAxes.h"
#include "export/TrackPart.h"

namespace {

// Braking, acceleration and turns: the acceleration, smoothed over this long,
// stays above the threshold for at least kHoldSeconds.
constexpr double kSmoothSeconds = 0.3;
constexpr double kHoldSeconds = 0.3;
// An impact is over within this time; longer strong acceleration is driving.
constexpr double kImpactSeconds = 0.5;
// How far the speeds before and after are looked for.
constexpr double kSpeedSearchSeconds = 2.0;
// A GPS speed that falls and comes back within a second is a glitch.
constexpr double kReboundKmh = 5.0;

enum class Kind { Braking, Acceleration, Turn, Impact };

struct Candidate {
  Kind kind;
  DrivingEventType type;
  double start;  // seconds from the recording's start
  double end;
  double peakG;
  bool fromGpsSpeed = false;
};

Kind KindOf(DrivingEventType type) {
  switch (type) {
    case DrivingEventType::HarshBraking:
      return Kind::Braking;
    case DrivingEventType::HarshAcceleration:
      return Kind::Acceleration;
    case DrivingEventType::HarshTurnLeft:
    case DrivingEventType::HarshTurnRight:
      return Kind::Turn;
    case DrivingEventType::Impact:
      break;
  }
  return Kind::Impact;
}

std::size_t Samples(double seconds, double rate) {
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(seconds * rate)));
}

// Short peaks of the whole acceleration; the records they cover are marked
// so that braking and turns do not take them for held acceleration.
void FindImpacts(const CarAxes& axes, double impactG, std::vector<uint8_t>& knocked, std::vector<Candidate>& out) {
  const std::size_t n = axes.dynamic.size();
  const std::size_t longest = Samples(kImpactSeconds, axes.rate);
  auto measuring = [&](std::size_t i) { return !axes.stuck[i]; };
  for (std::size_t i = 0; i < n; ++i) {
    if (!measuring(i) || axes.dynamic[i] < impactG) continue;
    // The whole bump: where the acceleration is above half the threshold.
    std::size_t first = i, last = i;
    while (first > 0 && measuring(first - 1) && axes.dynamic[first - 1] >= impactG / 2) --first;
    while (last + 1 < n && measuring(last + 1) && axes.dynamic[last + 1] >= impactG / 2) ++last;
    double peak = 0;
    std::size_t at = i;
    for (std::size_t k = first; k <= last; ++k) {
      if (axes.dynamic[k] > peak) {
        peak = axes.dynamic[k];
        at = k;
      }
    }
    const std::size_t from = first > 0 ? first - 1 : 0;
    const std::size_t to = std::min(n - 1, last + 1);
    std::fill(knocked.begin() + static_cast<std::ptrdiff_t>(from),
              knocked.begin() + static_cast<std::ptrdiff_t>(to) + 1, 1);
    if (last - first + 1 <= longest)
      out.push_back({Kind::Impact, DrivingEventType::Impact, at / axes.rate, (last + 1) / axes.rate, peak});
    i = last;
  }
}

// Runs where one signal, smoothed, stays beyond the threshold on one side.
void FindHeld(const std::vector<float>& signal, const CarAxes& axes, const std::vector<uint8_t>& knocked, double heldG,
              DrivingEventType positive, DrivingEventType negative, std::vector<Candidate>& out) {
  const std::size_t n = signal.size();
  std::vector<double> clean(n);
  for (std::size_t i = 0; i < n; ++i) clean[i] = axes.stuck[i] || knocked[i] ? 0.0 : signal[i];
  const std::size_t half = Samples(kSmoothSeconds, axes.rate) / 2;
  const std::size_t hold = Samples(kHoldSeconds, axes.rate);
  // Centred moving mean by a running sum.
  std::vector<double> prefix(n + 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + clean[i];
  auto smoothed = [&](std::size_t i) {
    const std::size_t a = i >= half ? i - half : 0;
    const std::size_t b = std::min(n, i + half + 1);
    return (prefix[b] - prefix[a]) / static_cast<double>(b - a);
  };
  std::size_t i = 0;
  while (i < n) {
    const double s = smoothed(i);
    if (std::abs(s) < heldG) {
      ++i;
      continue;
    }
    const bool up = s > 0;
    std::size_t end = i;
    double peak = 0;
    while (end < n) {
      const double v = smoothed(end);
      if ((up ? v : -v) < heldG) break;
      peak = std::max(peak, up ? clean[end] : -clean[end]);
      ++end;
    }
    if (end - i >= hold)
      out.push_back({KindOf(up ? positive : negative), up ? positive : negative, i / axes.rate, end / axes.rate, peak});
    i = end;
  }
}

// Harsh braking from the GPS speed alone: a drop of at least the held
// threshold within one second between two fixes, not coming back at once.
void FindSpeedDrops(const TrackPart& part, double heldG, std::vector<Candidate>& out) {
  const uint32_t rate = GpsRateOf(part.recording.summary.gpsaValue);
  const std::size_t n = RecordsWithinLength(part.gps.size(), rate, part.recording.summary.durationMs);
  const double dropKmh = heldG * kStandardGravity * 3.6;
  for (std::size_t k = 0; k + rate < n; ++k) {
    const GpsSample& a = part.gps[k];
    const GpsSample& b = part.gps[k + rate];
    if (!IsUsableGpsSample(a) || !IsUsableGpsSample(b) || double(a.speed) - double(b.speed) < dropKmh) continue;
    std::size_t end = k + rate;
    while (end + rate < n && IsUsableGpsSample(part.gps[end + rate]) &&
           part.gps[end + rate].speed < part.gps[end].speed)
      end += rate;
    const std::size_t after = end + rate;
    if (after < n && IsUsableGpsSample(part.gps[after]) && part.gps[after].speed > part.gps[end].speed + kReboundKmh) {
      k = end;
      continue;
    }
    const double peak = (double(a.speed) - double(b.speed)) / 3.6 / kStandardGravity;
    out.push_back({Kind::Braking, DrivingEventType::HarshBraking, static_cast<double>(k) / rate,
                   static_cast<double>(end) / rate, peak, true});
    k = end;
  }
}

// Moments of one kind closer than kEventMergeSeconds are one; the strongest
// peak (and, for turns, its side) stands for it.
std::vector<Candidate> Merge(std::vector<Candidate> found) {
  std::stable_sort(found.begin(), found.end(),
                   [](const Candidate& a, const Candidate& b) { return a.start < b.start; });
  std::vector<Candidate> merged;
  for (const Candidate& c : found) {
    auto same = std::find_if(merged.rbegin(), merged.rend(), [&](const Candidate& m) { return m.kind == c.kind; });
    if (same != merged.rend() && c.start - same->end < kEventMergeSeconds) {
      if (c.peakG > same->peakG) {
        same->peakG = c.peakG;
        same->type = c.type;
      }
      same->end = std::max(same->end, c.end);
      continue;
    }
    merged.push_back(c);
  }
  return merged;
}

// The usable GPS record nearest to `seconds` within kSpeedSearchSeconds,
// looking in `step` direction only (0: both ways); -1 when there is none.
long NearestFix(const TrackPart& part, double seconds, int step) {
  const uint32_t rate = GpsRateOf(part.recording.summary.gpsaValue);
  const long n = static_cast<long>(RecordsWithinLength(part.gps.size(), rate, part.recording.summary.durationMs));
  const long at = static_cast<long>(std::floor(seconds * rate));
  const long reach = static_cast<long>(kSpeedSearchSeconds * rate);
  for (long d = 0; d <= reach; ++d) {
    for (long k : {at + (step >= 0 ? d : -d), at - d}) {
      if (step > 0 && k < at) continue;
      if (k >= 0 && k < n && IsUsableGpsSample(part.gps[static_cast<std::size_t>(k)])) return k;
    }
  }
  return -1;
}

// The records' own clock at `seconds`: the nearest record with a valid clock,
// moved by the time between; the recording's start when no record has one.
int64_t WallClockAt(const TrackPart& part, double seconds) {
  const uint32_t rate = GpsRateOf(part.recording.summary.gpsaValue);
  const long n = static_cast<long>(part.gps.size());
  const long at = std::clamp(static_cast<long>(std::floor(seconds * rate)), 0L, std::max(0L, n - 1));
  for (long d = 0; d < n; ++d) {
    for (long k : {at - d, at + d}) {
      int64_t clock = 0;
      if (k >= 0 && k < n && RecordClockTime(part, static_cast<std::size_t>(k), clock))
        return clock + static_cast<int64_t>(std::floor(seconds - static_cast<double>(k) / rate));
    }
  }
  const int64_t start = part.recording.summary.startTime;
  return start != 0 ? start + static_cast<int64_t>(std::floor(seconds)) : 0;
}

DrivingEvent Describe(const TrackPart& part, const Candidate& c, int32_t recordingIndex) {
  DrivingEvent e;
  e.type = c.type;
  e.recording = recordingIndex;
  e.offsetMs = static_cast<uint32_t>(std::clamp(std::lround(c.start * 1000.0), 0L, 0xFFFFFFFFL));
  e.wallClock = WallClockAt(part, c.start);
  e.peakG = std::round(c.peakG * 100.0) / 100.0;
  e.fromGpsSpeed = c.fromGpsSpeed;
  if (const long k = NearestFix(part, c.start - 1.0, -1); k >= 0)
    e.speedBeforeKmh = part.gps[static_cast<std::size_t>(k)].speed;
  if (const long k = NearestFix(part, c.end + 1.0, 1); k >= 0)
    e.speedAfterKmh = part.gps[static_cast<std::size_t>(k)].speed;
  if (const long k = NearestFix(part, c.start, 0); k >= 0) {
    double lat = part.gps[static_cast<std::size_t>(k)].latitude;
    double lon = part.gps[static_cast<std::size_t>(k)].longitude;
    if (ConvertNmeaPosition(lat, lon)) {
      e.hasPosition = true;
      e.latitude = lat;
      e.longitude = lon;
    }
  }
  return e;
}

}  // namespace

EventThresholds ThresholdsOf(EventSensitivity sensitivity) {
  switch (sensitivity) {
    case EventSensitivity::Low:
      return {0.5, 2.5};
    case EventSensitivity::High:
      return {0.3, 1.5};
    case EventSensitivity::Normal:
      break;
  }
  return {0.4, 2.0};
}

RecordingEvents FindRecordingEvents(const TrackPart& part, EventSensitivity sensitivity, int32_t recordingIndex) {
  const EventThresholds limits = ThresholdsOf(sensitivity);
  RecordingEvents result;
  std::vector<Candidate> found;
  const CarAxes axes = FindCarAxes(part);
  if (axes.usable) {
    result.sensor = SensorState::Usable;
    std::vector<uint8_t> knocked(axes.dynamic.size(), 0);
    FindImpacts(axes, limits.impactG, knocked, found);
    FindHeld(axes.forward, axes, knocked, limits.heldG, DrivingEventType::HarshAcceleration,
             DrivingEventType::HarshBraking, found);
    FindHeld(axes.right, axes, knocked, limits.heldG, DrivingEventType::HarshTurnRight, DrivingEventType::HarshTurnLeft,
             found);
  } else {
    result.sensor = part.gsensor.empty() ? SensorState::Missing : SensorState::Unusable;
    FindSpeedDrops(part, limits.heldG, found);
  }
  for (const Candidate& c : Merge(std::move(found))) result.events.push_back(Describe(part, c, recordingIndex));
  return result;
}

std::vector<RecordingEvents> FindTripEvents(const std::vector<TrackPart>& parts, int32_t firstRecording,
                                            EventSensitivity sensitivity) {
  std::vector<RecordingEvents> found;
  found.reserve(parts.size());
  for (const TrackPart& part : parts) found.push_back(FindRecordingEvents(part, sensitivity));
  return JoinTripEvents(std::move(found), parts, firstRecording);
}

std::vector<RecordingEvents> JoinTripEvents(std::vector<RecordingEvents> found, const std::vector<TrackPart>& parts,
                                            int32_t firstRecording) {
  std::vector<RecordingEvents> trip;
  const std::size_t count = std::min(found.size(), parts.size());
  trip.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    RecordingEvents& own = found[i];
    for (DrivingEvent& e : own.events) e.recording = firstRecording + static_cast<int32_t>(i);
    if (i > 0) {
      // The end of the recording before, as seen from this one's start.
      const double before = parts[i - 1].recording.summary.durationMs / 1000.0;
      const std::vector<DrivingEvent>& previous = trip.back().events;
      std::erase_if(own.events, [&](const DrivingEvent& e) {
        return std::any_of(previous.begin(), previous.end(), [&](const DrivingEvent& p) {
          return KindOf(p.type) == KindOf(e.type) &&
                 e.offsetMs / 1000.0 + before - p.offsetMs / 1000.0 < kEventMergeSeconds + 1.0;
        });
      });
    }
    trip.push_back(std::move(own));
  }
  return trip;
}

EventCounts CountEvents(const std::vector<RecordingEvents>& recordings) {
  EventCounts counts{};
  for (const RecordingEvents& r : recordings)
    for (const DrivingEvent& e : r.events) ++counts[static_cast<std::size_t>(e.type)];
  return counts;
}

std::vector<DrivingEvent> FlattenEvents(const std::vector<RecordingEvents>& recordings) {
  std::vector<DrivingEvent> all;
  for (const RecordingEvents& r : recordings) all.insert(all.end(), r.events.begin(), r.events.end());
  return all;
}

const char* EventTypeKey(DrivingEventType type) {
  switch (type) {
    case DrivingEventType::HarshBraking:
      return "harshBraking";
    case DrivingEventType::HarshAcceleration:
      return "harshAcceleration";
    case DrivingEventType::HarshTurnLeft:
      return "harshTurnLeft";
    case DrivingEventType::HarshTurnRight:
      return "harshTurnRight";
    case DrivingEventType::Impact:
      break;
  }
  return "impact";
}
