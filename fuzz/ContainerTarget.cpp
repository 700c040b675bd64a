#include "ContainerTarget.h"

#include "fileio/ByteSource.h"
#include "FuzzSupport.h"
#include "container/RecordingFile.h"
#include "library/RecordingListing.h"
#include "container/SampleLoader.h"

namespace {

template <typename Input>
int RunWalk(RecordingFile& file, FuzzedWalk walk, Input&& input) {
  switch (walk) {
    case FuzzedWalk::Avi:
      return file.ParseAvi(input);
    case FuzzedWalk::MovAtoms: {
      const int result = file.ParseMov(input);
      RecordingSummary first = file.State();
      if (result == 0 && first.startTime == 0) file.ScanMov(input);  // its result is not tested
      return result;
    }
    case FuzzedWalk::MovScan:
      return file.ScanMov(input);
  }
  return -1;
}

}  // namespace

void FuzzContainer(const uint8_t* data, std::size_t size, FuzzedWalk walk) {
  static MemFile onDisk;
  onDisk.Write(data, size);

  RecordingSummary fromMemory;
  RecordingSummary fromFile;
  MemoryByteSource memory(data, size, kFuzzFileTime);
  RecordingFile a(&fromMemory);
  const int ra = RunWalk(a, walk, memory);
  // The buffered file source over the same bytes. One source is reopened for
  // every input, as its read-ahead buffer outlives a Close(): stale bytes of
  // the previous input must never show through. The path-based entry point
  // (open, refuse anything but a regular file) runs for every 16th size only:
  // its fresh 1 MiB buffer costs more than the walk itself.
  static FileByteSource reopened;
  Require(reopened.Open(onDisk.Path()), "cannot open the input file");
  RecordingFile b(&fromFile);
  const int rb = size % 16 == 0 ? RunWalk(b, walk, onDisk.Path()) : RunWalk(b, walk, reopened);

  Require(ra == 0 || ra == -1, "walk result is neither 0 nor -1");
  Require(ra == rb, "memory and file walks disagree on the result");
  // The library's listing: the same file through one open and a few pieces.
  if (walk != FuzzedWalk::MovScan) {
    const ContainerKind kind = walk == FuzzedWalk::Avi ? ContainerKind::Avi : ContainerKind::QuickTime;
    RecordingListing listing;
    Require(ReadRecordingListing(onDisk.Path(), kind, false, listing), "cannot open the input file");
    Require(listing.listed == (ra == 0), "the listing and the walk disagree on the result");
    Require(ra != 0 || SameSummary(listing.summary, fromMemory),
            "the listing and the walk deliver different summaries");
    Require(IsCutRecording(memory, kind, nullptr) == !listing.cutReason.empty(), "the listing misses a cut");
  }
  if (ra != 0) {
    Require(a.FailureReason() != nullptr, "failed walk without a reason");
    Require(SameSummary(fromMemory, RecordingSummary{}), "failed walk wrote its summary target");
    return;
  }
  Require(SameSummary(fromMemory, fromFile), "memory and file walks deliver different summaries");
  Require(fromMemory.fileSize == size, "summary file size differs from the input size");
  if (walk == FuzzedWalk::Avi)
    Require(fromMemory.width != 0 && fromMemory.height != 0, "AVI accepted without a frame size");
  Require(fromMemory.durationSeconds >= 0, "negative duration");

  const LoadedBlocks blocks = LoadRecordingBlocks(memory, fromMemory);
  CheckLoadedBlocks(blocks, fromMemory, data, size, true, true);
}
