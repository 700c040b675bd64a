#pragma once
// The G-sensor records of a recording turned into the car's own axes: gravity
// found and taken away, the driving axis found from the GPS speed's changes.
#include <cstdint>
#include <vector>

#include "container/RecordingTypes.h"

struct TrackPart;

// m/s² in one g: speeds' changes in km/h per second become g with it.
inline constexpr double kStandardGravity = 9.80665;

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

struct CarAxes {
  bool usable = false;         // gravity was found
  double rate = 0;             // records per second
  std::vector<float> forward;  // acceleration along the driving axis, g (braking negative)
  std::vector<float> right;    // to the right, g
  std::vector<float> dynamic;  // size of the whole acceleration less gravity, g
  std::vector<uint8_t> stuck;  // 1 where an axis sits at its limit for too long
};

// Records past the end of the recording are left out; a recording without a
// length keeps them all.
std::size_t RecordsWithinLength(std::size_t count, double rate, uint32_t durationMs);

CarAxes FindCarAxes(const TrackPart& part);
