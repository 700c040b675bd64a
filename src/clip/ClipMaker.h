#pragma once
// MakeClip with its lossless writer handed in, so that the steps around the
// writers (folders, data, checksums, clearing up) run the same with any.
#include <functional>
#include <string>
#include <vector>

#include "clip/ClipTypes.h"

using LosslessWriter = std::function<ClipResult(const std::vector<ClipPiece>& pieces, const std::string& destination,
                                                const ClipProgress& progress)>;

ClipResult MakeClipWith(const ClipRequest& request, const ClipProgress& progress, const LosslessWriter& lossless,
                        const ShareableWriter& shareable);

// Names of the files beside the clip.
inline constexpr const char* kClipSumsName = "SHA256SUMS";
inline constexpr const char* kClipSourcesName = "SOURCES.TXT";
