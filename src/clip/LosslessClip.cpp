#include "clip/LosslessClip.h"

#include <cmath>

#include "clip/ClipWriters.h"
#include "clip/ClipWriting.h"
#include "container/RecordingTypes.h"

ClipResult WriteLosslessClip(const std::vector<ClipPiece>& pieces, const std::string& destination,
                             const ClipProgress& progress) {
  if (pieces.empty()) return ClipFailed(ClipFailure::EmptySpan, "the span holds no recording");
  // The camera's container is the first recording's; a recording of the
  // other one cannot join it.
  const bool avi = IsAviName(pieces.front().path);
  std::vector<ClipPiece> same;
  ClipResult refused;
  for (const ClipPiece& piece : pieces) {
    if (!std::isfinite(piece.from) || !std::isfinite(piece.to) || !(piece.to > piece.from) || piece.to <= 0)
      return ClipFailed(ClipFailure::EmptySpan, "the span of " + piece.path + " is empty");
    if (IsAviName(piece.path) != avi) {
      refused.notes.push_back(BoundaryNote(piece.path, "is in another container"));
      break;
    }
    // A cut recording is never read as a whole one; it is repaired first.
    if (std::string why = RefusedSource(piece.path, !avi); !why.empty())
      return ClipFailed(ClipFailure::SourceUnreadable, why);
    same.push_back(piece);
  }
  ClipResult result = avi ? WriteAviClip(same, destination, progress) : WriteMovClip(same, destination, progress);
  if (result.Ok()) result.files.push_back(destination);
  result.notes.insert(result.notes.end(), refused.notes.begin(), refused.notes.end());
  return result;
}
