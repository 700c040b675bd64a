#pragma once
// The camera's records behind each picture of a clip: the GPS record and the
// G-sensor record the window would show at that moment of the recording, and
// the route of the recordings the clip comes from.
#include <cstdint>
#include <string>
#include <vector>

#include "clip/ClipTypes.h"
#include "container/RecordingTypes.h"

struct RoutePoint {
  double latitude = 0.0;  // decimal degrees
  double longitude = 0.0;
};

struct FrameTelemetry {
  int64_t gpsIndex = -1;  // record of its recording, -1 = none at that time
  int64_t gsensorIndex = -1;
  bool fix = false;       // a usable position, speed and heading
  uint16_t speed = 0;     // km/h
  double latitude = 0.0;  // decimal degrees, signless as the camera writes them
  double longitude = 0.0;
  int heading = 0;                // degrees
  int64_t clock = 0;              // the camera's clock, seconds since 1970 (0 = unknown)
  double g[3] = {0.0, 0.0, 0.0};  // x, y, z in g
  double gRange = 8.0;            // full scale in g
  int routeIndex = -1;            // the point of Route() nearest before, -1 = none
};

class ClipTelemetry {
 public:
  // Reads the blocks of every piece's recording; false with `why` when one
  // cannot be read at all (a recording without blocks is fine).
  bool Load(const std::vector<ClipPiece>& pieces, std::string& why);

  // The records in force `seconds` after the first picture of piece `piece`,
  // chosen as the window chooses them (the record whose second has begun).
  FrameTelemetry At(std::size_t piece, double seconds) const;

  // Usable positions of all the pieces' recordings, in play order.
  const std::vector<RoutePoint>& Route() const { return m_route; }

 private:
  struct Recording {
    RecordingSummary summary;
    std::vector<GpsSample> gps;
    std::vector<GSensorSample> gsensor;
    std::vector<int> routeIndex;  // per GPS record: last route point at or before it
    double gpsRate = 1.0;
    double gsensorRate = 10.0;
  };
  std::vector<Recording> m_recordings;
  std::vector<RoutePoint> m_route;
};
