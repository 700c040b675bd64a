#include "container/PictureOrder.h"

#include <algorithm>
#include <numeric>

#include "fileio/ByteSource.h"

namespace {

// Bits of a NAL unit with its emulation-prevention bytes taken out. Reads
// past the end give zeros and set `overrun`.
class BitReader {
 public:
  explicit BitReader(const std::vector<uint8_t>& nal) {
    int zeros = 0;
    for (uint8_t b : nal) {
      if (zeros >= 2 && b == 3) {
        zeros = 0;
        continue;
      }
      zeros = b == 0 ? zeros + 1 : 0;
      m_bytes.push_back(b);
    }
  }
  uint32_t Bit() {
    if (m_pos >= m_bytes.size() * 8) {
      overrun = true;
      return 0;
    }
    const uint32_t bit = (m_bytes[m_pos / 8] >> (7 - m_pos % 8)) & 1;
    ++m_pos;
    return bit;
  }
  uint32_t Bits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 1) | Bit();
    return v;
  }
  uint32_t Ue() {
    int zeros = 0;
    while (Bit() == 0 && !overrun && zeros < 32) ++zeros;
    if (zeros >= 32) {
      overrun = true;
      return 0;
    }
    return zeros == 0 ? 0 : ((1u << zeros) - 1) + Bits(zeros);
  }
  int32_t Se() {
    const uint32_t v = Ue();
    return (v & 1) ? static_cast<int32_t>((v + 1) / 2) : -static_cast<int32_t>(v / 2);
  }
  bool overrun = false;

 private:
  std::vector<uint8_t> m_bytes;
  std::size_t m_pos = 0;
};

struct SequenceParameters {
  bool valid = false;
  bool separateColourPlanes = false;
  int frameNumBits = 0;
  uint32_t pocType = 0;
  int pocLsbBits = 0;
  bool frameMbsOnly = true;
};

void SkipScalingList(BitReader& r, int size) {
  int32_t last = 8, next = 8;
  for (int j = 0; j < size; ++j) {
    if (next != 0) next = (last + r.Se() + 256) % 256;
    last = next == 0 ? last : next;
  }
}

SequenceParameters ParseSps(const std::vector<uint8_t>& nal) {
  SequenceParameters p;
  BitReader r(nal);
  r.Bits(8);  // NAL header
  const uint32_t profile = r.Bits(8);
  r.Bits(16);  // constraint flags, level
  r.Ue();      // seq_parameter_set_id
  static const uint32_t kHighProfiles[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
  if (std::find(std::begin(kHighProfiles), std::end(kHighProfiles), profile) != std::end(kHighProfiles)) {
    const uint32_t chroma = r.Ue();
    if (chroma == 3) p.separateColourPlanes = r.Bit() != 0;
    r.Ue();
    r.Ue();
    r.Bit();
    if (r.Bit()) {
      for (int i = 0; i < (chroma == 3 ? 12 : 8); ++i)
        if (r.Bit()) SkipScalingList(r, i < 6 ? 16 : 64);
    }
  }
  const uint32_t frameNum = r.Ue();
  p.pocType = r.Ue();
  uint32_t pocLsb = 0;
  if (p.pocType == 0)
    pocLsb = r.Ue();
  else
    return p;  // type 1 is not read; type 2 shows pictures in decoding order
  r.Ue();      // max_num_ref_frames
  r.Bit();     // gaps_in_frame_num_value_allowed_flag
  r.Ue();
  r.Ue();  // picture size in macroblocks
  p.frameMbsOnly = r.Bit() != 0;
  if (r.overrun || frameNum > 12 || pocLsb > 12) return p;
  p.frameNumBits = static_cast<int>(frameNum) + 4;
  p.pocLsbBits = static_cast<int>(pocLsb) + 4;
  p.valid = true;
  return p;
}

// The first slice NAL unit of a sample (its first bytes are enough).
bool FirstSlice(ByteSource& source, const VideoSample& s, int lengthSize, std::vector<uint8_t>& nal) {
  uint64_t pos = s.offset;
  const uint64_t end = s.offset + s.size;
  while (pos + lengthSize + 1 <= end) {
    uint8_t b[5] = {};
    if (source.ReadAt(pos, b, static_cast<std::size_t>(lengthSize) + 1) != lengthSize + 1) return false;
    uint64_t length = 0;
    for (int i = 0; i < lengthSize; ++i) length = (length << 8) | b[i];
    const int type = b[lengthSize] & 0x1F;
    if (type == 1 || type == 5) {
      nal.resize(static_cast<std::size_t>(std::min<uint64_t>(length, 64)));
      return source.ReadAt(pos + lengthSize, nal.data(), nal.size()) == static_cast<int64_t>(nal.size());
    }
    pos += lengthSize + length;
  }
  return false;
}

}  // namespace

PictureOrder ReadPictureOrder(ByteSource& source, const std::vector<VideoSample>& samples,
                              const std::vector<uint8_t>& sps, int lengthSize) {
  PictureOrder order;
  const SequenceParameters p = ParseSps(sps);
  if (!p.valid || !p.frameMbsOnly || samples.empty()) return order;

  // (pictures since the last IDR, picture order count) of each sample.
  struct Key {
    uint32_t idr;
    int64_t poc;
  };
  std::vector<Key> keys;
  keys.reserve(samples.size());
  uint32_t idr = 0;
  int64_t prevMsb = 0, prevLsb = 0;
  const int64_t maxLsb = int64_t{1} << p.pocLsbBits;
  std::vector<uint8_t> nal;
  for (const VideoSample& s : samples) {
    if (!FirstSlice(source, s, lengthSize, nal) || nal.empty()) return order;
    const bool isIdr = (nal[0] & 0x1F) == 5;
    const bool reference = (nal[0] & 0x60) != 0;
    BitReader r(nal);
    r.Bits(8);
    r.Ue();  // first_mb_in_slice
    r.Ue();  // slice_type
    r.Ue();  // pic_parameter_set_id
    if (p.separateColourPlanes) r.Bits(2);
    r.Bits(p.frameNumBits);
    if (isIdr) r.Ue();  // idr_pic_id
    const int64_t lsb = r.Bits(p.pocLsbBits);
    if (r.overrun) return order;
    if (isIdr) {
      ++idr;
      prevMsb = prevLsb = 0;
    }
    int64_t msb = prevMsb;
    if (lsb < prevLsb && prevLsb - lsb >= maxLsb / 2)
      msb = prevMsb + maxLsb;
    else if (lsb > prevLsb && lsb - prevLsb > maxLsb / 2)
      msb = prevMsb - maxLsb;
    if (reference) {
      prevMsb = msb;
      prevLsb = lsb;
    }
    keys.push_back({idr, msb + lsb});
  }

  std::vector<std::size_t> display(samples.size());
  std::iota(display.begin(), display.end(), std::size_t{0});
  std::stable_sort(display.begin(), display.end(), [&](std::size_t a, std::size_t b) {
    return keys[a].idr != keys[b].idr ? keys[a].idr < keys[b].idr : keys[a].poc < keys[b].poc;
  });
  std::vector<int64_t> delta(samples.size());
  bool reordered = false;
  int64_t shift = 0;
  for (std::size_t slot = 0; slot < display.size(); ++slot) {
    const std::size_t i = display[slot];
    delta[i] = static_cast<int64_t>(slot) - static_cast<int64_t>(i);
    reordered = reordered || delta[i] != 0;
    shift = std::max(shift, -delta[i]);
  }
  if (!reordered || shift > 1000) return order;
  order.shift = static_cast<uint32_t>(shift);
  for (int64_t d : delta) order.offsets.push_back(static_cast<uint32_t>(d + shift));
  return order;
}
