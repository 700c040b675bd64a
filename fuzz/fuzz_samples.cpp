// libFuzzer target: loading a recording's GPS and G-sensor blocks at file
// offsets. The first 24 bytes are the block positions of a summary (GPS offset
// and size, G-sensor offset and size, little-endian), as a damaged or hostile
// recording could make a reader deliver them; the rest is the file. The file
// is also read as each container and loaded with the summary that gives.
#include <cstddef>
#include <cstdint>

#include "fileio/ByteSource.h"
#include "FuzzSupport.h"
#include "container/RecordingFile.h"
#include "container/SampleLoader.h"

namespace {

uint64_t Le(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void LoadBoth(MemFile& onDisk, const uint8_t* file, std::size_t size, const RecordingSummary& summary, bool wantGps,
              bool wantGsensor) {
  MemoryByteSource memory(file, size, kFuzzFileTime);
  const LoadedBlocks fromMemory = LoadRecordingBlocks(memory, summary, wantGps, wantGsensor);
  CheckLoadedBlocks(fromMemory, summary, file, size, wantGps, wantGsensor);
  static FileByteSource reopened;  // keeps its read-ahead buffer between inputs
  Require(reopened.Open(onDisk.Path()), "cannot open the input file");
  const LoadedBlocks fromFile = size % 16 == 0 ? LoadRecordingBlocks(onDisk.Path(), summary, wantGps, wantGsensor)
                                               : LoadRecordingBlocks(reopened, summary, wantGps, wantGsensor);
  CheckLoadedBlocks(fromFile, summary, file, size, wantGps, wantGsensor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static MemFile onDisk;
  constexpr std::size_t kHeader = 24;
  if (size < kHeader) return 0;
  RecordingSummary summary;
  summary.gpsOffset = Le(data, 8);
  summary.gpsSize = static_cast<uint32_t>(Le(data + 8, 4));
  summary.gsensorOffset = Le(data + 12, 8);
  summary.gsensorSize = static_cast<uint32_t>(Le(data + 20, 4));
  const uint8_t* file = data + kHeader;
  const std::size_t fileSize = size - kHeader;
  onDisk.Write(file, fileSize);

  LoadBoth(onDisk, file, fileSize, summary, true, true);
  LoadBoth(onDisk, file, fileSize, summary, (size & 1) != 0, (size & 2) != 0);

  // The blocks of what the readers deliver for the same bytes.
  MemoryByteSource memory(file, fileSize, kFuzzFileTime);
  RecordingFile reader;
  if (reader.ParseAvi(memory) == 0) LoadBoth(onDisk, file, fileSize, reader.State(), true, true);
  if (reader.ParseMov(memory) == 0) LoadBoth(onDisk, file, fileSize, reader.State(), true, true);
  return 0;
}
