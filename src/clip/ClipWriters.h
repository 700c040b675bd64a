#pragma once
// The lossless clip of each container: the pieces' sources are checked,
// their samples of the span planned, then the clip written through
// ClipOutput. Pieces that do not fit the first one are left out with a note.
#include <string>
#include <vector>

#include "clip/ClipTypes.h"

ClipResult WriteAviClip(const std::vector<ClipPiece>& pieces, const std::string& destination,
                        const ClipProgress& progress);
ClipResult WriteMovClip(const std::vector<ClipPiece>& pieces, const std::string& destination,
                        const ClipProgress& progress);
