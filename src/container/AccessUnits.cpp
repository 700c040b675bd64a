#include "container/AccessUnits.h"

#include <algorithm>
#include <optional>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"

namespace {

enum class NalKind { Invalid, Slice, StartsUnit, Other };

struct Nal {
  NalKind kind = NalKind::Invalid;
  bool firstSlice = false;  // the slice that begins a picture
  bool key = false;
  bool parameterSet = false;  // SPS
};

// What the unit header says, checked for the bits a valid stream never sets.
Nal Classify(VideoCodec codec, const uint8_t* h) {
  Nal n;
  if (h[0] & 0x80) return n;  // forbidden_zero_bit
  if (codec == VideoCodec::H264) {
    const int type = h[0] & 0x1F;
    const int refIdc = (h[0] >> 5) & 3;
    if (type >= 1 && type <= 5) {
      if (type == 5 && refIdc == 0) return n;
      n.kind = NalKind::Slice;
      n.firstSlice = (h[1] & 0x80) != 0;  // first_mb_in_slice is ue(v) 0: a single 1 bit
      n.key = type == 5;
    } else if (type == 6 || type == 9 || type == 10 || type == 11 || type == 12) {
      if (refIdc != 0) return n;
      n.kind = type == 6 || type == 9 ? NalKind::StartsUnit : NalKind::Other;
    } else if (type == 7 || type == 8) {
      n.kind = NalKind::StartsUnit;
      n.parameterSet = type == 7;
    } else if (type == 19 || type == 20) {
      n.kind = NalKind::Other;
    }
    return n;
  }
  const int type = (h[0] >> 1) & 0x3F;
  const int layer = ((h[0] & 1) << 5) | (h[1] >> 3);
  if (layer != 0 || (h[1] & 7) == 0) return n;
  if (type <= 9 || (type >= 16 && type <= 21)) {
    n.kind = NalKind::Slice;
    n.firstSlice = (h[2] & 0x80) != 0;  // first_slice_segment_in_pic_flag
    n.key = type >= 16;
  } else if (type >= 32 && type <= 35) {
    n.kind = NalKind::StartsUnit;
    n.parameterSet = type == 33;
  } else if (type == 39) {
    n.kind = NalKind::StartsUnit;
  } else if (type >= 36 && type <= 40) {
    n.kind = NalKind::Other;
  }
  return n;
}

class Splitter {
 public:
  Splitter(ByteSource& source, uint64_t end, const SplitSettings& s) : m_source(source), m_end(end), m_s(s) {}

  // The unit at pos: its kind and total length (prefix included); Invalid
  // when the bytes are no unit, `fits` false when the end cuts it.
  Nal At(uint64_t pos, uint64_t& total, bool& fits) {
    uint8_t b[7] = {};
    const std::size_t want = static_cast<std::size_t>(m_s.lengthSize) + 3;
    if (pos + m_s.lengthSize + 2 > m_end || m_source.ReadAt(pos, b, want) < static_cast<int64_t>(m_s.lengthSize) + 2)
      return Nal{};
    uint64_t length = 0;
    for (int i = 0; i < m_s.lengthSize; ++i) length = (length << 8) | b[i];
    const uint64_t minimum = m_s.codec == VideoCodec::H264 ? 2 : 3;
    if (length < minimum || (m_s.maxSampleBytes != 0 && length > m_s.maxSampleBytes)) return Nal{};
    total = m_s.lengthSize + length;
    fits = pos + total <= m_end;
    return Classify(m_s.codec, b + m_s.lengthSize);
  }

  // Video begins at pos: whole units, the first beginning a picture,
  // reaching a slice within a few units. (A unit the end cuts counts as no
  // video here: audio bytes that look like a long unit must not end the split.)
  bool VideoStartsAt(uint64_t pos) {
    for (int i = 0; i < 8; ++i) {
      uint64_t total = 0;
      bool fits = false;
      const Nal n = At(pos, total, fits);
      if (n.kind == NalKind::Invalid || (i == 0 && n.kind == NalKind::Other) || !fits) return false;
      if (n.kind == NalKind::Slice) return i > 0 || n.firstSlice;
      pos += total;
    }
    return false;
  }

  AccessUnitSplit Run(uint64_t begin) {
    AccessUnitSplit out;
    VideoSample current;
    bool open = false, hasSlice = false;
    // Pictures whole in themselves that nothing has vouched for yet: kept
    // once a picture right after them (or after audio between) is kept, or
    // when the data ends without losing the stream.
    std::vector<VideoSample> pending;
    uint64_t keptEnd = begin, lastVideoEnd = begin;
    auto keepPending = [&] {
      out.video.insert(out.video.end(), pending.begin(), pending.end());
      if (!pending.empty()) keptEnd = pending.back().offset + pending.back().size;
      pending.clear();
    };
    auto close = [&](bool vouched) {
      if (open && hasSlice) pending.push_back(current);
      if (open) lastVideoEnd = current.offset + current.size;
      open = hasSlice = false;
      if (vouched) keepPending();
    };
    // Bytes since the last picture: past the bound, what is left is not
    // this recording's stream (stale bytes of the card after the cut).
    auto lost = [&](uint64_t at) { return at - lastVideoEnd > m_s.maxGapBytes; };
    uint64_t pos = begin;
    bool stale = false;
    while (pos < m_end && !stale) {
      uint64_t total = 0;
      bool fits = false;
      const Nal n = At(pos, total, fits);
      const bool continues = open && pos == current.offset + current.size;
      if (n.kind != NalKind::Invalid && (continues || VideoStartsAt(pos))) {
        // A unit that begins a picture right after one vouches for it.
        const bool startsNew =
            hasSlice && (n.kind == NalKind::StartsUnit || (n.kind == NalKind::Slice && n.firstSlice));
        if (startsNew) close(true);
        if (fits) {
          if (n.parameterSet && out.firstParameterSet.empty()) {
            out.firstParameterSet.resize(static_cast<std::size_t>(std::min<uint64_t>(total - m_s.lengthSize, 4096)));
            m_source.ReadAt(pos + m_s.lengthSize, out.firstParameterSet.data(), out.firstParameterSet.size());
          }
          if (!open) {
            current = VideoSample{pos, 0, false};
            open = true;
          }
          if (current.size + total > 0xFFFFFFFFu) break;
          current.size += static_cast<uint32_t>(total);
          if (n.kind == NalKind::Slice) {
            hasSlice = true;
            current.key = current.key || n.key;
          }
          pos += total;
          continue;
        }
        // The end cuts this unit; the picture before it is whole only if
        // more video follows (the unit may be its next slice).
      }
      // Not video: the picture before it is whole, if anything vouches for it.
      close(false);
      if (lost(pos)) break;
      if (m_s.audioChunkBytes != 0) {
        if (pos + m_s.audioChunkBytes > m_end) {  // the cut went through this chunk
          pos = m_end;
          break;
        }
        out.audio.push_back(AudioChunk{pos, m_s.audioChunkBytes});
        pos += m_s.audioChunkBytes;
        continue;
      }
      // Audio of a format whose chunks cannot be told apart: on to where
      // the video goes on.
      ++pos;
      while (pos < m_end && !VideoStartsAt(pos)) {
        if (lost(pos)) {
          stale = true;
          break;
        }
        ++pos;
      }
    }
    stale = stale || lost(pos);
    // The data ended right after a whole unit, or between pictures.
    if (!stale && pos >= m_end) close(!open || pos == current.offset + current.size);
    // Audio after the last picture may be the cut video's bytes: left out.
    const uint64_t videoEnd = out.video.empty() ? 0 : out.video.back().offset + out.video.back().size;
    while (!out.audio.empty() && out.audio.back().offset >= videoEnd) out.audio.pop_back();
    for (const VideoSample& v : out.video) out.coveredBytes += v.size;
    for (const AudioChunk& a : out.audio) out.coveredBytes += a.size;
    out.end = videoEnd;
    if (!out.audio.empty()) out.end = std::max(out.end, out.audio.back().offset + out.audio.back().size);
    out.dataEnd = stale ? keptEnd : m_end;
    return out;
  }

 private:
  ByteSource& m_source;
  uint64_t m_end;
  SplitSettings m_s;
};

}  // namespace

AccessUnitSplit SplitAccessUnits(ByteSource& source, uint64_t begin, uint64_t end, const SplitSettings& settings) {
  SplitSettings s = settings;
  if (s.lengthSize != 1 && s.lengthSize != 2 && s.lengthSize != 4) s.lengthSize = 4;
  return Splitter(source, end, s).Run(begin);
}
