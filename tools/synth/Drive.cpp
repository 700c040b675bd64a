#include "Drive.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kG = 9.80665;
constexpr double kMetresPerDegree = 111320.0;

struct Waypoint {
  double lat, lon;
};

// Tokyo Station - Yurakucho - Ginza - Shimbashi - Toranomon - Kasumigaseki -
// Sakuradamon - Takebashi - Kanda - Nihonbashi - Yaesu, and back.
constexpr std::array<Waypoint, 12> kLoop = {{
    {35.68120, 139.76710},
    {35.67850, 139.76360},
    {35.67510, 139.76300},
    {35.67170, 139.76500},
    {35.66600, 139.76000},
    {35.66600, 139.75200},
    {35.67400, 139.75100},
    {35.67800, 139.75400},
    {35.69000, 139.75700},
    {35.69200, 139.76600},
    {35.68600, 139.77400},
    {35.68000, 139.77200},
}};

double LonScale() { return std::cos(35.68 * kPi / 180.0); }

double SegmentLength(const Waypoint& a, const Waypoint& b) {
  const double dy = (b.lat - a.lat) * kMetresPerDegree;
  const double dx = (b.lon - a.lon) * kMetresPerDegree * LonScale();
  return std::hypot(dx, dy);
}

double LoopLength() {
  double total = 0;
  for (std::size_t i = 0; i < kLoop.size(); ++i) total += SegmentLength(kLoop[i], kLoop[(i + 1) % kLoop.size()]);
  return total;
}

// Position and heading at a distance along the loop.
void OnLoop(double distance, double& lat, double& lon, double& heading) {
  const double loop = LoopLength();
  double d = std::fmod(distance, loop);
  if (d < 0) d += loop;
  for (std::size_t i = 0; i < kLoop.size(); ++i) {
    const Waypoint& a = kLoop[i];
    const Waypoint& b = kLoop[(i + 1) % kLoop.size()];
    const double len = SegmentLength(a, b);
    if (d <= len || i + 1 == kLoop.size()) {
      const double f = len > 0 ? std::clamp(d / len, 0.0, 1.0) : 0.0;
      lat = a.lat + (b.lat - a.lat) * f;
      lon = a.lon + (b.lon - a.lon) * f;
      const double dy = b.lat - a.lat;
      const double dx = (b.lon - a.lon) * LonScale();
      heading = std::fmod(std::atan2(dx, dy) * 180.0 / kPi + 360.0, 360.0);
      return;
    }
    d -= len;
  }
}

class Random {
 public:
  explicit Random(uint32_t seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {
    if (m_state == 0) m_state = 1;
  }
  double Next() {  // [0, 1)
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return (m_state & 0xFFFFFF) / double(0x1000000);
  }
  double Between(double lo, double hi) { return lo + (hi - lo) * Next(); }

 private:
  uint32_t m_state;
};

}  // namespace

namespace {

// True when one of `times` lies in [t - before, t + after).
bool Near(const std::vector<double>& times, double t, double before, double after) {
  return std::any_of(times.begin(), times.end(), [&](double at) { return t >= at - before && t < at + after; });
}

}  // namespace

DriveModel::DriveModel(uint32_t seed, double totalSeconds, const DriveIncidents& incidents)
    : m_rightTurns(incidents.rightTurns), m_leftTurns(incidents.leftTurns), m_impacts(incidents.impacts) {
  Random random(seed);
  m_startDistance = random.Between(0.0, LoopLength());
  const std::size_t steps = static_cast<std::size_t>(std::max(0.0, totalSeconds) / kStep) + 2;
  m_speed.resize(steps);
  m_accel.resize(steps);
  m_distance.resize(steps);

  enum class Phase { Accelerate, Cruise, Brake, Stop, HardBrake, HardAccelerate };
  Phase phase = Phase::Accelerate;
  double target = random.Between(30, 55) / 3.6;
  double rate = random.Between(1.5, 2.5);
  double phaseLeft = 0;
  double v = 0, d = 0;
  std::vector<bool> braked(incidents.brakes.size(), false);
  std::vector<bool> pushed(incidents.accelerations.size(), false);
  for (std::size_t i = 0; i < steps; ++i) {
    const double t = i * kStep;
    // Be moving when a braking or a turn comes, and through the turn.
    bool approaching = false;
    for (std::size_t b = 0; b < braked.size(); ++b)
      approaching |= !braked[b] && t >= incidents.brakes[b] - 12 && t < incidents.brakes[b];
    approaching |= Near(incidents.rightTurns, t, 12, kTurnSeconds) || Near(incidents.leftTurns, t, 12, kTurnSeconds);
    if (approaching && (phase == Phase::Brake || phase == Phase::Stop)) {
      phase = Phase::Accelerate;
      target = 50 / 3.6;
    }
    for (std::size_t b = 0; b < braked.size(); ++b) {
      if (!braked[b] && t >= incidents.brakes[b]) {
        phase = Phase::HardBrake;
        braked[b] = true;
      }
    }
    for (std::size_t k = 0; k < pushed.size(); ++k) {
      if (!pushed[k] && t >= incidents.accelerations[k]) {
        phase = Phase::HardAccelerate;
        phaseLeft = 2.5;
        pushed[k] = true;
      }
    }
    double a = 0;
    switch (phase) {
      case Phase::Accelerate:
        a = rate;
        if (v >= target) {
          phase = Phase::Cruise;
          phaseLeft = random.Between(15, 45);
          a = 0;
        }
        break;
      case Phase::Cruise:
        a = 0.3 * std::sin(t * 0.7 + seed);  // a little give and take
        phaseLeft -= kStep;
        if (phaseLeft <= 0 && !approaching) {
          phase = Phase::Brake;
          rate = random.Between(1.5, 2.5);
        }
        break;
      case Phase::Brake:
        a = -rate;
        if (v <= 0) {
          phase = Phase::Stop;
          phaseLeft = random.Between(5, 15);
        }
        break;
      case Phase::Stop:
        phaseLeft -= kStep;
        if (phaseLeft <= 0) {
          phase = Phase::Accelerate;
          target = random.Between(30, 55) / 3.6;
          rate = random.Between(1.5, 2.5);
        }
        break;
      case Phase::HardBrake:
        a = -8.0;
        if (v <= 0) {
          phase = Phase::Stop;
          phaseLeft = 4;
        }
        break;
      case Phase::HardAccelerate:
        a = 6.0;
        phaseLeft -= kStep;
        if (phaseLeft <= 0) {
          phase = Phase::Cruise;
          phaseLeft = random.Between(15, 45);
        }
        break;
    }
    if (v + a * kStep < 0) a = -v / kStep;
    m_speed[i] = v;
    m_accel[i] = a;
    m_distance[i] = d;
    d += v * kStep + 0.5 * a * kStep * kStep;
    v = std::max(0.0, v + a * kStep);
  }
}

DriveState DriveModel::At(double seconds) const {
  const std::size_t i = std::min(static_cast<std::size_t>(std::max(0.0, seconds) / kStep), m_speed.size() - 1);
  DriveState s;
  const double v = m_speed[i];
  const double distance = m_startDistance + m_distance[i];
  OnLoop(distance, s.latitude, s.longitude, s.headingDeg);
  s.speedKmh = v * 3.6;
  s.altitude = 30.0 + 8.0 * std::sin(distance / 900.0);
  s.longitudinalG = m_accel[i] / kG;
  // Turning: change of heading over 30 m of road, felt as v^2 * curvature.
  double lat = 0, lon = 0, before = 0, after = 0;
  OnLoop(distance - 15, lat, lon, before);
  OnLoop(distance + 15, lat, lon, after);
  double turn = after - before;
  if (turn > 180) turn -= 360;
  if (turn < -180) turn += 360;
  const double curvature = turn * kPi / 180.0 / 30.0;
  s.lateralG = std::clamp(v * v * curvature / kG, -kCalmLateralG, kCalmLateralG);
  if (Near(m_rightTurns, seconds, 0, kTurnSeconds)) s.lateralG = kTurnG;
  if (Near(m_leftTurns, seconds, 0, kTurnSeconds)) s.lateralG = -kTurnG;
  if (Near(m_impacts, seconds, 0, kKnockSeconds)) {
    s.knockG[0] = -3.0;  // struck from the front left
    s.knockG[1] = 2.2;
    s.knockG[2] = 1.0;
  }
  return s;
}
