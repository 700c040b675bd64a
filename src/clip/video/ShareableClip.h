#pragma once
// The shareable clip: H.264/AAC MP4 (yuv420p, +faststart) with the time,
// speed, position, heading, G-force and route drawn on every picture.
#include <string>
#include <vector>

#include "clip/ClipTypes.h"

// Matches ShareableWriter. Needs a QGuiApplication (the offscreen platform
// serves); nothing is left under `destination` on failure or cancel.
ClipResult WriteShareableClip(const std::vector<ClipPiece>& pieces, const std::string& destination, int speedUnit,
                              const ClipProgress& progress);
