#include "library/RecordingListing.h"

#include "fileio/ByteSource.h"
#include "container/RecordingFile.h"
#include "container/SampleLoader.h"

void ReadRecordingListing(ListingSource& source, ContainerKind kind, bool keepGps, RecordingListing& listing) {
  listing = RecordingListing{};
  listing.size = source.Size();
  // The cut detection first: it reads the top-level headers, which the walk
  // then finds among the pieces already read.
  IsCutRecording(source, kind, &listing.cutReason);
  RecordingFile file(&listing.summary);
  if (kind == ContainerKind::Avi) {
    listing.listed = file.ParseAvi(source) == 0;
  } else if (file.ParseMov(source) == 0) {
    if (listing.summary.startTime == 0) file.ScanMov(source);
    listing.listed = true;
  }
  if (listing.listed && keepGps) {
    LoadedBlocks blocks = LoadRecordingBlocks(source, listing.summary, true, false);
    listing.gpsKept = true;
    if (blocks.gpsRead) listing.gps = std::move(blocks.gps);
  }
}

bool ReadRecordingListing(const std::string& path, ContainerKind kind, bool keepGps, RecordingListing& listing) {
  ListingSource source;
  if (!source.Open(path)) {
    listing = RecordingListing{};
    return false;
  }
  ReadRecordingListing(source, kind, keepGps, listing);
  return true;
}
