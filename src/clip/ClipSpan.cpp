#include "clip/ClipSpan.h"

#include <algorithm>

std::vector<ClipPiece> PiecesOfSpan(const std::vector<TripRecording>& trip, double from, double to) {
  std::vector<ClipPiece> pieces;
  double start = 0.0;  // of the current recording within the trip
  for (const TripRecording& recording : trip) {
    const double end = start + std::max(recording.seconds, 0.0);
    const double pieceFrom = std::max(from, start);
    const double pieceTo = std::min(to, end);
    if (pieceTo > pieceFrom) pieces.push_back({recording.path, pieceFrom - start, pieceTo - start});
    start = end;
  }
  return pieces;
}

TripSpan SpanAround(double moment, double tripSeconds) {
  const double length = std::max(tripSeconds, 0.0);
  const double at = std::clamp(moment, 0.0, length);
  return {std::max(0.0, at - kClipReachSeconds), std::min(length, at + kClipReachSeconds)};
}
