#pragma once
// From a span of a trip to the pieces of its recordings.
#include <string>
#include <vector>

#include "clip/ClipTypes.h"

struct TripRecording {
  std::string path;
  double seconds = 0.0;  // its length
};

// Without marks, a clip reaches this far before and after the moment.
constexpr double kClipReachSeconds = 15.0;

// The span [from, to) in seconds from the trip's start, clamped to the trip,
// as one piece per recording it touches. Empty when nothing is left.
std::vector<ClipPiece> PiecesOfSpan(const std::vector<TripRecording>& trip, double from, double to);

struct TripSpan {
  double from = 0.0;
  double to = 0.0;
};
// The span made without marks: kClipReachSeconds either side of `moment`,
// clamped to [0, tripSeconds].
TripSpan SpanAround(double moment, double tripSeconds);
