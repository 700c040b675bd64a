#include "container/SampleLoader.h"

#include <algorithm>
#include <new>

#include "fileio/ByteSource.h"

namespace {

// Records decoded per read: a block is never held twice over, raw and
// decoded, however large the size it claims.
constexpr std::size_t kRecordsPerRead = 4096;

// Decodes the block of `size` bytes at `offset` when it is non-empty and lies
// inside the file (written so that no offset + size can wrap around), so what
// is reserved is bounded by what the file holds. A read that fails, or memory
// that cannot be had for a huge block, drops the block: the recording then
// shows no track, and the program goes on.
template <typename Sample, typename Decode>
bool ReadRecords(ByteSource& source, uint64_t offset, uint32_t size, std::size_t recordSize, Decode decode,
                 std::vector<Sample>& out) {
  const uint64_t fileSize = source.Size();
  if (size == 0 || offset > fileSize || size > fileSize - offset) return false;
  const std::size_t count = size / recordSize;
  try {
    std::vector<uint8_t> bytes(std::min(count, kRecordsPerRead) * recordSize);
    out.reserve(count);
    for (std::size_t done = 0; done < count;) {
      const std::size_t n = std::min(count - done, kRecordsPerRead);
      const std::size_t length = n * recordSize;
      if (source.ReadAt(offset + done * recordSize, bytes.data(), length) != static_cast<int64_t>(length)) {
        std::vector<Sample>().swap(out);
        return false;
      }
      for (std::size_t i = 0; i < n; ++i) out.push_back(decode(bytes.data() + i * recordSize));
      done += n;
    }
  } catch (const std::bad_alloc&) {
    std::vector<Sample>().swap(out);
    return false;
  }
  return true;
}

}  // namespace

LoadedBlocks LoadRecordingBlocks(ByteSource& source, const RecordingSummary& summary, bool wantGps, bool wantGsensor) {
  LoadedBlocks blocks;
  blocks.opened = true;
  blocks.fileSize = source.Size();
  if (wantGps)
    blocks.gpsRead =
        ReadRecords(source, summary.gpsOffset, summary.gpsSize, kGpsRecordSize, DecodeGpsSample, blocks.gps);
  if (wantGsensor)
    blocks.gsensorRead = ReadRecords(source, summary.gsensorOffset, summary.gsensorSize, kGSensorRecordSize,
                                     DecodeGSensorSample, blocks.gsensor);
  return blocks;
}

LoadedBlocks LoadRecordingBlocks(const std::string& path, const RecordingSummary& summary, bool wantGps,
                                 bool wantGsensor) {
  FileByteSource source;
  if (!source.Open(path)) return LoadedBlocks{};
  return LoadRecordingBlocks(source, summary, wantGps, wantGsensor);
}
