#include "SampleLoader.h"

#include <new>

#include "ByteSource.h"

namespace {

// Reads `size` bytes at `offset` when the block is non-empty and lies inside
// the file. Written so that no offset + size can wrap around.
bool ReadBlock(ByteSource& source, uint64_t offset, uint32_t size, std::vector<uint8_t>& out) {
  const uint64_t fileSize = source.Size();
  if (size == 0 || offset > fileSize || size > fileSize - offset) return false;
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return source.ReadAt(offset, out.data(), size) == static_cast<int64_t>(size);
}

}  // namespace

LoadedBlocks LoadRecordingBlocks(ByteSource& source, const RecordingSummary& summary, bool wantGps,
                                 bool wantGsensor) {
  LoadedBlocks blocks;
  blocks.opened = true;
  blocks.fileSize = source.Size();
  std::vector<uint8_t> bytes;
  if (wantGps && ReadBlock(source, summary.gpsOffset, summary.gpsSize, bytes)) {
    const std::size_t count = bytes.size() / kGpsRecordSize;
    blocks.gps.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      blocks.gps.push_back(DecodeGpsSample(bytes.data() + i * kGpsRecordSize));
    blocks.gpsRead = true;
  }
  if (wantGsensor && ReadBlock(source, summary.gsensorOffset, summary.gsensorSize, bytes)) {
    const std::size_t count = bytes.size() / kGSensorRecordSize;
    blocks.gsensor.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      blocks.gsensor.push_back(DecodeGSensorSample(bytes.data() + i * kGSensorRecordSize));
    blocks.gsensorRead = true;
  }
  return blocks;
}

LoadedBlocks LoadRecordingBlocks(const std::string& path, const RecordingSummary& summary,
                                 bool wantGps, bool wantGsensor) {
  FileByteSource source;
  if (!source.Open(path)) return LoadedBlocks{};
  return LoadRecordingBlocks(source, summary, wantGps, wantGsensor);
}
