#pragma once
// A deterministic drive around a loop through central Tokyo: speeds with
// stops at lights, optional harsh moments (braking, acceleration, turns,
// impacts), and what a GPS receiver and a G-sensor would see along it.
#include <cstdint>
#include <vector>

// Harsh moments of a drive, in seconds of the whole drive. The car is made to
// be moving when a braking or a turn comes.
struct DriveIncidents {
  std::vector<double> brakes;         // about 0.8 g until the car stands
  std::vector<double> accelerations;  // about 0.6 g for 2.5 s
  std::vector<double> rightTurns;     // about 0.55 g to the side for 3 s
  std::vector<double> leftTurns;
  std::vector<double> impacts;  // a knock of about 4 g for 0.2 s
};

struct DriveState {
  double latitude = 0;  // decimal degrees
  double longitude = 0;
  double altitude = 0;  // metres
  double speedKmh = 0;
  double headingDeg = 0;         // 0 = north, clockwise
  double longitudinalG = 0;      // forward acceleration (braking is negative)
  double lateralG = 0;           // to the right
  double knockG[3] = {0, 0, 0};  // an impact: forward, right, up
};

class DriveModel {
 public:
  // Simulates seconds [0, totalSeconds].
  DriveModel(uint32_t seed, double totalSeconds, const DriveIncidents& incidents);
  DriveState At(double seconds) const;

 private:
  static constexpr double kStep = 0.05;
  // Calm drivers take corners gently; the loop's corners are sharp.
  static constexpr double kCalmLateralG = 0.25;
  static constexpr double kTurnG = 0.55;
  static constexpr double kTurnSeconds = 3.0;
  static constexpr double kKnockSeconds = 0.2;
  std::vector<double> m_rightTurns;
  std::vector<double> m_leftTurns;
  std::vector<double> m_impacts;
  std::vector<double> m_speed;     // m/s per step
  std::vector<double> m_accel;     // m/s^2 per step
  std::vector<double> m_distance;  // metres travelled per step
  double m_startDistance = 0;      // where on the loop the drive starts
};
