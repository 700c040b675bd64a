#pragma once
// What a trip amounts to: how far and how long the car drove and how fast.
#include <cstdint>
#include <string>
#include <vector>

#include "export/TrackPart.h"

struct TripFigures {
  double distanceMetres = 0.0;  // great-circle steps between consecutive fixes
  double drivingSeconds = 0.0;  // time of the fixes that show the car moving
  double maxSpeedKmh = 0.0;     // highest plausible speed of a fix
  double meanSpeedKmh = 0.0;    // mean speed of the fixes that show the car moving
  uint32_t fixes = 0;           // records with a position (the route exports' rule)
};

// A fix moves the car when its speed is at least this: a standing car's
// receiver reports a few km/h of drift.
constexpr double kMovingSpeedKmh = 5.0;
// A step between two fixes that would need more than this is a position jump
// of the receiver, not driving, and adds no distance; a fix reporting a
// higher speed counts for neither the maximum nor the mean.
constexpr double kPlausibleSpeedKmh = 300.0;

// Figures of the parts taken as one trip, in order. A fix's time is its
// recording's start plus its place in the time base, so steps across two
// recordings of a group count too.
TripFigures ComputeTripFigures(const std::vector<TrackPart>& parts);

// Great-circle distance in metres between two positions in decimal degrees.
double GreatCircleMetres(double latitude1, double longitude1, double latitude2, double longitude2);

// "h:mm:ss".
std::string FormatDuration(double seconds);
// The figures as one line of text with "." decimals: "distance 12.35 km,
// driving time 0:20:00, max speed 88 km/h, mean speed 45.2 km/h".
std::string TripFiguresText(const TripFigures& figures);
