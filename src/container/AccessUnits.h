#pragma once
// Splits media data holding length-prefixed H.264 or H.265 NAL units (as a
// QuickTime video track stores them) into access units, one per video
// sample, and steps over what lies between them: audio chunks of a known
// size, or bytes that are no video (found again by the next access unit).
#include <cstdint>
#include <vector>

class ByteSource;

enum class VideoCodec { H264, H265 };

struct VideoSample {
  uint64_t offset = 0;  // in the source
  uint32_t size = 0;
  bool key = false;  // an IDR / IRAP picture
};

struct AudioChunk {
  uint64_t offset = 0;
  uint32_t size = 0;
};

struct AccessUnitSplit {
  std::vector<VideoSample> video;
  std::vector<AudioChunk> audio;
  std::vector<uint8_t> firstParameterSet;  // the first SPS found in the data, if any
  uint64_t end = 0;                        // just past the last sample or chunk kept
  uint64_t coveredBytes = 0;               // bytes that went into samples and chunks
  // Where the data stopped following the stream: the end given, or the end
  // of the last picture vouched for when the stream was lost (stale bytes
  // after the cut).
  uint64_t dataEnd = 0;
};

struct SplitSettings {
  VideoCodec codec = VideoCodec::H264;
  int lengthSize = 4;               // bytes of each NAL unit's length prefix (1, 2 or 4)
  uint32_t audioChunkBytes = 0;     // 0: audio cannot be told apart, it is stepped over
  uint64_t maxSampleBytes = 0;      // a longer unit is no video (0: no bound)
  uint64_t maxGapBytes = 1u << 20;  // bytes without a picture after which the stream is lost
};

// Walks [begin, end) of the source. A unit cut by the end is dropped with
// the access unit it belongs to. A picture is kept only when the next unit
// directly after it begins a picture, when the data ends right after it, or
// when a picture kept later follows it across audio: bytes that look like a
// picture by chance are seldom followed by one, and where no picture comes
// for `maxGapBytes` the stream is lost: the split ends at the last picture
// vouched for.
AccessUnitSplit SplitAccessUnits(ByteSource& source, uint64_t begin, uint64_t end, const SplitSettings& settings);
