#pragma once
// A deterministic drive around a loop through central Tokyo: speeds with
// stops at lights, optional hard braking, and what a GPS receiver and a
// G-sensor would see along it.
#include <cstdint>
#include <vector>

struct DriveState {
  double latitude = 0;   // decimal degrees
  double longitude = 0;
  double altitude = 0;   // metres
  double speedKmh = 0;
  double headingDeg = 0; // 0 = north, clockwise
  double longitudinalG = 0;  // forward acceleration (braking is negative)
  double lateralG = 0;       // to the right
};

class DriveModel {
 public:
  // Simulates seconds [0, totalSeconds]. hardBrakeAt < 0: no hard braking.
  DriveModel(uint32_t seed, double totalSeconds, double hardBrakeAt);
  DriveState At(double seconds) const;

 private:
  static constexpr double kStep = 0.05;
  std::vector<double> m_speed;     // m/s per step
  std::vector<double> m_accel;     // m/s^2 per step
  std::vector<double> m_distance;  // metres travelled per step
  double m_startDistance = 0;      // where on the loop the drive starts
};
