#include "clip/MakeClip.h"

#include "clip/ClipMaker.h"
#include "clip/LosslessClip.h"

ClipResult MakeClip(const ClipRequest& request, const ClipProgress& progress, const ShareableWriter& shareable) {
  return MakeClipWith(request, progress, &WriteLosslessClip, shareable);
}
