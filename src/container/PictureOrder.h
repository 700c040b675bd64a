#pragma once
// The presentation order of H.264 pictures stored in decoding order (streams
// with B-frames), read from the slice headers by the stream's sequence
// parameter set, so that a rebuilt QuickTime track can carry composition
// offsets.
#include <cstdint>
#include <vector>

#include "container/AccessUnits.h"

class ByteSource;

struct PictureOrder {
  // Per sample: presentation slot minus decoding slot plus `shift`, in
  // frames (never negative). Empty when pictures are shown in decoding
  // order, or when the order cannot be read (then nothing is claimed).
  std::vector<uint32_t> offsets;
  uint32_t shift = 0;  // frames the first picture is shown after its decoding
};

// `sps`: an H.264 sequence parameter set NAL unit (header byte included);
// `lengthSize`: the bytes of each NAL unit's length prefix in the samples.
PictureOrder ReadPictureOrder(ByteSource& source, const std::vector<VideoSample>& samples,
                              const std::vector<uint8_t>& sps, int lengthSize);
