#include "ClipWriters.h"
#include "ClipWriting.h"

ClipResult WriteMovClip(const std::vector<ClipPiece>&, const std::string&, const ClipProgress&) {
  return ClipFailed(ClipFailure::SourceUnreadable, "QuickTime clips are not made yet");
}
