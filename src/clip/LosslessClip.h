#pragma once
// The lossless clip: the span's samples copied, not encoded again, into one
// file of the camera's own container, with its GPS and G-sensor records.
#include <string>
#include <vector>

#include "clip/ClipTypes.h"

// Writes `destination` (a temporary name first; nothing is left under the
// final name on failure or cancel). Pieces whose codec, frame size or sound
// differ from the first one's are left out, and a note says so.
ClipResult WriteLosslessClip(const std::vector<ClipPiece>& pieces, const std::string& destination,
                             const ClipProgress& progress);
