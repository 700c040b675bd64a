#include "MakeClip.h"

#include "ClipMaker.h"
#include "LosslessClip.h"

ClipResult MakeClip(const ClipRequest& request, const ClipProgress& progress, const ShareableWriter& shareable) {
  return MakeClipWith(request, progress, &WriteLosslessClip, shareable);
}
