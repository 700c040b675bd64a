#include "export/TripFigures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "export/KmlExport.h"

namespace {

constexpr double kEarthRadiusMetres = 6371008.8;  // mean radius
constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) { return degrees * kPi / 180.0; }

}  // namespace

double GreatCircleMetres(double latitude1, double longitude1, double latitude2, double longitude2) {
  const double phi1 = Radians(latitude1), phi2 = Radians(latitude2);
  const double dPhi = phi2 - phi1, dLambda = Radians(longitude2 - longitude1);
  const double a = std::sin(dPhi / 2) * std::sin(dPhi / 2) +
                   std::cos(phi1) * std::cos(phi2) * std::sin(dLambda / 2) * std::sin(dLambda / 2);
  return 2.0 * kEarthRadiusMetres * std::asin(std::sqrt(std::min(1.0, a)));
}

TripFigures ComputeTripFigures(const std::vector<TrackPart>& parts) {
  TripFigures figures;
  bool havePrevious = false;
  double previousLatitude = 0.0, previousLongitude = 0.0, previousTime = 0.0;
  double movingSpeedSum = 0.0;
  uint32_t moving = 0;
  for (const TrackPart& part : parts) {
    const double secondsPerRecord = part.GpsSeconds(1);
    for (std::size_t i = 0; i < part.gps.size(); ++i) {
      double latitude = 0.0, longitude = 0.0;
      if (!ExportedPosition(part.gps[i], latitude, longitude)) continue;
      const double time = static_cast<double>(part.recording.summary.startTime) + part.GpsSeconds(i);
      ++figures.fixes;
      const double speed = part.gps[i].speed;
      // A speed no car drives is a glitch of the receiver, like a step that
      // would need one: it neither makes the maximum nor lifts the mean.
      const bool plausibleSpeed = speed <= kPlausibleSpeedKmh;
      if (plausibleSpeed) figures.maxSpeedKmh = std::max(figures.maxSpeedKmh, speed);
      if (plausibleSpeed && speed >= kMovingSpeedKmh) {
        ++moving;
        movingSpeedSum += speed;
        figures.drivingSeconds += secondsPerRecord;
      }
      if (havePrevious) {
        const double step = GreatCircleMetres(previousLatitude, previousLongitude, latitude, longitude);
        const double elapsed = time - previousTime;
        // A step without elapsed time is plausible only when it goes nowhere.
        const bool plausible = elapsed > 0.0 ? step / elapsed * 3.6 <= kPlausibleSpeedKmh : step == 0.0;
        if (plausible) figures.distanceMetres += step;
      }
      havePrevious = true;
      previousLatitude = latitude;
      previousLongitude = longitude;
      previousTime = time;
    }
  }
  if (moving > 0) figures.meanSpeedKmh = movingSpeedSum / moving;
  return figures;
}

std::string FormatDuration(double seconds) {
  const auto total = static_cast<int64_t>(std::llround(std::max(0.0, seconds)));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%lld:%02d:%02d", static_cast<long long>(total / 3600),
                static_cast<int>(total / 60 % 60), static_cast<int>(total % 60));
  return buffer;
}

std::string TripFiguresText(const TripFigures& figures) {
  std::string text = "distance ";
  AppendDecimal(text, figures.distanceMetres / 1000.0, 2);
  text += " km, driving time " + FormatDuration(figures.drivingSeconds) + ", max speed ";
  AppendDecimal(text, figures.maxSpeedKmh, 0);
  text += " km/h, mean speed ";
  AppendDecimal(text, figures.meanSpeedKmh, 1);
  text += " km/h";
  return text;
}
