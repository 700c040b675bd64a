#pragma once
// Makes a clip with everything that goes beside it: the span's GPX and CSV
// exports, its subtitles, SOURCES.TXT and SHA256SUMS, in a folder of its own
// under the request's output folder.
#include "clip/ClipTypes.h"

// `shareable` makes the MP4; without it a shareable request fails with
// ClipFailure::EncoderMissing. On failure or cancel nothing made is left.
ClipResult MakeClip(const ClipRequest& request, const ClipProgress& progress, const ShareableWriter& shareable = {});
