#include "events/SensorAxes.h"

#include <algorithm>
#include <cmath>

#include "export/TrackPart.h"

namespace {

// A sensor sitting at its limit longer than this is stuck, not measuring.
constexpr double kStuckSeconds = 0.3;
// Gravity must be found within these sizes, or the records are no sensor's.
constexpr double kMinGravityG = 0.6;
constexpr double kMaxGravityG = 1.5;
// Seconds of records needed to tell where gravity lies.
constexpr double kMinSeconds = 2.0;
// The GPS speed must have changed this much (sum of squared g over the
// seconds) before the driving axis is taken from it: about 20 s at 0.05 g.
constexpr double kMinSpeedChange = 0.05 * 0.05 * 20;

Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }

bool AtLimit(int8_t v) { return v == 127 || v == -128; }

// Marks runs where one axis stays at its limit for longer than kStuckSeconds.
std::vector<uint8_t> StuckRecords(const std::vector<GSensorSample>& samples, std::size_t count, double rate) {
  std::vector<uint8_t> stuck(count, 0);
  const std::size_t longest = std::max<std::size_t>(3, static_cast<std::size_t>(std::lround(kStuckSeconds * rate)));
  for (int axis = 0; axis < 3; ++axis) {
    auto value = [&](std::size_t i) { return axis == 0 ? samples[i].x : axis == 1 ? samples[i].y : samples[i].z; };
    std::size_t i = 0;
    while (i < count) {
      if (!AtLimit(value(i))) {
        ++i;
        continue;
      }
      std::size_t end = i;
      while (end < count && value(end) == value(i)) ++end;
      if (end - i >= longest)
        std::fill(stuck.begin() + static_cast<std::ptrdiff_t>(i), stuck.begin() + static_cast<std::ptrdiff_t>(end), 1);
      i = end;
    }
  }
  return stuck;
}

double Median(std::vector<float>& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// True when the course stays within 4 degrees around record k for a second
// and two more on either side: in a bend the sideways acceleration would
// pull the fit towards it.
bool Straight(const std::vector<GpsSample>& gps, std::size_t k, uint32_t gpsRate, std::size_t count) {
  const std::size_t from = k >= 2 * gpsRate ? k - 2 * gpsRate : 0;
  const std::size_t to = std::min(count, k + 3 * gpsRate + 1);
  for (std::size_t i = from; i < to; ++i) {
    if (!IsUsableGpsSample(gps[i])) continue;
    const int turn = std::abs(int(gps[i].heading) - int(gps[k].heading)) % 180;
    if (std::min(turn, 180 - turn) > 2) return false;
  }
  return true;
}

// The horizontal direction whose acceleration follows the GPS speed's
// changes best (a least-squares fit over the seconds on a straight road with
// a fix at both ends); false when the speed did not change enough to tell.
bool ForwardFromGps(const TrackPart& part, const std::vector<Vec3>& horizontal, const std::vector<uint8_t>& stuck,
                    double rate, Vec3& forward) {
  const uint32_t gpsRate = GpsRateOf(part.recording.summary.gpsaValue);
  const std::size_t gpsCount = RecordsWithinLength(part.gps.size(), gpsRate, part.recording.summary.durationMs);
  double speedChange = 0;
  Vec3 fit;
  for (std::size_t k = 0; k + gpsRate < gpsCount; ++k) {
    const GpsSample& a = part.gps[k];
    const GpsSample& b = part.gps[k + gpsRate];
    if (!IsUsableGpsSample(a) || !IsUsableGpsSample(b) || !Straight(part.gps, k, gpsRate, gpsCount)) continue;
    const double changeG = (double(b.speed) - double(a.speed)) / 3.6 / kStandardGravity;
    const double from = static_cast<double>(k) / gpsRate;
    const auto first = static_cast<std::size_t>(std::ceil(from * rate));
    const auto last = std::min(horizontal.size(), static_cast<std::size_t>(std::ceil((from + 1.0) * rate)));
    Vec3 mean;
    std::size_t n = 0;
    for (std::size_t i = first; i < last; ++i) {
      if (stuck[i]) continue;
      mean = {mean.x + horizontal[i].x, mean.y + horizontal[i].y, mean.z + horizontal[i].z};
      ++n;
    }
    if (n == 0) continue;
    mean = mean * (1.0 / static_cast<double>(n));
    speedChange += changeG * changeG;
    fit = {fit.x + mean.x * changeG, fit.y + mean.y * changeG, fit.z + mean.z * changeG};
  }
  const double size = Length(fit);
  if (speedChange < kMinSpeedChange || size < 1e-6) return false;
  // The fit's size says how well the sensor follows the speed; a direction
  // that explains less than a third of it is noise.
  if (size / speedChange < 0.33) return false;
  forward = fit * (1.0 / size);
  return true;
}

}  // namespace

std::size_t RecordsWithinLength(std::size_t count, double rate, uint32_t durationMs) {
  if (durationMs == 0 || !(rate > 0)) return count;
  const double within = std::floor(durationMs / 1000.0 * rate) + 1.0;
  return within < static_cast<double>(count) ? static_cast<std::size_t>(within) : count;
}

CarAxes FindCarAxes(const TrackPart& part) {
  CarAxes axes;
  const RecordingSummary& summary = part.recording.summary;
  if (part.gsensor.empty()) return axes;
  const double rate =
      GSensorRatePerSecond(summary.gseaValue, static_cast<uint32_t>(part.gsensor.size()), summary.durationMs);
  if (!(rate > 0) || !std::isfinite(rate)) return axes;
  const std::size_t count = RecordsWithinLength(part.gsensor.size(), rate, summary.durationMs);
  if (static_cast<double>(count) < kMinSeconds * rate) return axes;
  axes.rate = rate;
  axes.stuck = StuckRecords(part.gsensor, count, rate);

  const double scale = GSensorRangeOf(summary.gseaValue) / 128.0;
  std::vector<Vec3> g(count);
  for (std::size_t i = 0; i < count; ++i)
    g[i] = {part.gsensor[i].x * scale, part.gsensor[i].y * scale, part.gsensor[i].z * scale};

  // Gravity: the median of each axis over the records that measure.
  Vec3 gravity;
  {
    std::vector<float> column;
    column.reserve(count);
    for (int axis = 0; axis < 3; ++axis) {
      column.clear();
      for (std::size_t i = 0; i < count; ++i)
        if (!axes.stuck[i]) column.push_back(static_cast<float>(axis == 0 ? g[i].x : axis == 1 ? g[i].y : g[i].z));
      if (static_cast<double>(column.size()) < kMinSeconds * rate) return axes;
      (axis == 0 ? gravity.x : axis == 1 ? gravity.y : gravity.z) = Median(column);
    }
  }
  const double gravitySize = Length(gravity);
  if (gravitySize < kMinGravityG || gravitySize > kMaxGravityG) return axes;
  const Vec3 up = gravity * (1.0 / gravitySize);

  std::vector<Vec3> horizontal(count);
  axes.dynamic.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Vec3 d = g[i] - gravity;
    axes.dynamic[i] = static_cast<float>(Length(d));
    horizontal[i] = d - up * Dot(d, up);
  }

  Vec3 forward;
  if (!ForwardFromGps(part, horizontal, axes.stuck, rate, forward)) {
    // Without a fix the camera's own x axis, laid flat, is taken as forward.
    forward = Vec3{1, 0, 0} - up * up.x;
    if (Length(forward) < 0.3) forward = Vec3{0, 1, 0} - up * up.y;
    forward = forward * (1.0 / Length(forward));
  }
  const Vec3 right = Cross(up, forward);
  axes.forward.resize(count);
  axes.right.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    axes.forward[i] = static_cast<float>(Dot(horizontal[i], forward));
    axes.right[i] = static_cast<float>(Dot(horizontal[i], right));
  }
  axes.usable = true;
  return axes;
}
