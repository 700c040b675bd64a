// AVI recordings: the camera's own layout around an MPEG-4 video stream.
#include <algorithm>

#include "SynthInternal.h"
#include "VideoClip.h"

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;

void Chunk(OutputFile& out, const char* code, const std::vector<uint8_t>& payload) {
  out.Fourcc(code);
  out.Le32(static_cast<uint32_t>(payload.size()));
  out.Write(payload);
  if (payload.size() & 1) out.Zeros(1);  // RIFF keeps chunks on even offsets
}

std::vector<uint8_t> Text(const std::string& text, std::size_t size) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.resize(size, 0);
  return bytes;
}

struct Le {
  std::vector<uint8_t> bytes;
  Le& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Le& u16(uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Le& code(const char* c) {
    bytes.insert(bytes.end(), c, c + 4);
    return *this;
  }
};

void WriteHeaderList(OutputFile& out, const AviClip& clip, bool withFormat, bool withIdit, bool hasIndex,
                     const CameraBlocks& blocks) {
  const uint32_t frames = static_cast<uint32_t>(clip.frames.size());
  std::size_t maxFrame = 0;
  for (const auto& f : clip.frames) maxFrame = std::max(maxFrame, f.size());
  const uint32_t usPerFrame = 1000000 / clip.fps;

  Le avih;
  avih.u32(usPerFrame)
      .u32(static_cast<uint32_t>(maxFrame * clip.fps))
      .u32(0)
      .u32(hasIndex ? kAvifHasIndex : 0)
      .u32(frames)
      .u32(0)
      .u32(1)
      .u32(static_cast<uint32_t>(maxFrame + 8))
      .u32(clip.width)
      .u32(clip.height)
      .u32(0)
      .u32(0)
      .u32(0)
      .u32(0);
  Le strh;
  strh.code("vids")
      .code("FMP4")
      .u32(0)
      .u16(0)
      .u16(0)
      .u32(0)
      .u32(1)
      .u32(clip.fps)
      .u32(0)
      .u32(frames)
      .u32(static_cast<uint32_t>(maxFrame + 8))
      .u32(0xFFFFFFFFu)
      .u32(0)
      .u16(0)
      .u16(0)
      .u16(clip.width)
      .u16(clip.height);
  Le strf;
  strf.u32(40)
      .u32(clip.width)
      .u32(clip.height)
      .u16(1)
      .u16(24)
      .code("FMP4")
      .u32(static_cast<uint32_t>(clip.width) * clip.height * 3)
      .u32(0)
      .u32(0)
      .u32(0)
      .u32(0);

  const uint32_t strlSize = 4 + 8 + 56 + (withFormat ? 8 + 40 : 0);
  const uint32_t hdrlSize = 4 + 8 + 56 + 8 + strlSize + (withIdit ? 8 + 20 : 0);
  out.Fourcc("LIST");
  out.Le32(hdrlSize);
  out.Fourcc("hdrl");
  Chunk(out, "avih", avih.bytes);
  out.Fourcc("LIST");
  out.Le32(strlSize);
  out.Fourcc("strl");
  Chunk(out, "strh", strh.bytes);
  if (withFormat) Chunk(out, "strf", strf.bytes);
  if (withIdit) Chunk(out, "IDIT", Text(blocks.dateText, 20));
}

}  // namespace

void WriteAviFile(const std::string& path, const SynthOptions& options, const CameraBlocks& blocks,
                  SynthReport& report) {
  const uint32_t videoMs = options.videoMs ? options.videoMs : options.durationMs;
  const AviClip& clip = AviClipFor(options.width, options.height, options.fps, videoMs);
  const auto pieces = ParseLayout(options.layout.empty() ? "hdrl,gpsa,gsea,gps0,gsen,movi,idx1" : options.layout);
  const bool explicitIdit =
      std::any_of(pieces.begin(), pieces.end(), [](const LayoutPiece& p) { return p.name == "idit"; });
  const bool hasIndex =
      std::any_of(pieces.begin(), pieces.end(), [](const LayoutPiece& p) { return p.name == "idx1"; });
  const bool wantIdit = options.idit != SynthIdit::None;

  OutputFile out(path);
  out.Fourcc("RIFF");
  out.Le32(0);  // patched at the end
  out.Fourcc("AVI ");

  uint64_t moviStart = 0;  // position of the "movi" type field
  std::vector<uint32_t> frameOffsets;
  uint64_t missing = 0;  // bytes a truncated movi list claims beyond the end
  bool stop = false;
  for (const LayoutPiece& p : pieces) {
    if (stop) break;
    if (p.name == "hdrl" || p.name == "hdrl-nostrf") {
      WriteHeaderList(out, clip, p.name == "hdrl", wantIdit && !explicitIdit, hasIndex, blocks);
    } else if (p.name == "idit") {
      if (wantIdit) Chunk(out, "IDIT", Text(blocks.dateText, p.hasArg ? p.number : 20));
    } else if (p.name == "gpsa" || p.name == "gsea") {
      Le v;
      v.u32(p.name == "gpsa" ? blocks.gpsa : blocks.gsea);
      Chunk(out, p.name.c_str(), v.bytes);
      (p.name == "gpsa" ? report.gpsaValue : report.gseaValue) = p.name == "gpsa" ? blocks.gpsa : blocks.gsea;
    } else if (p.name == "gps0") {
      const auto payload = SizedPayload(blocks.gps, p);
      report.gpsOffset = out.Position() + 8;
      report.gpsSize = static_cast<uint32_t>(payload.size());
      Chunk(out, "gps0", payload);
    } else if (p.name == "gsen") {
      const auto payload = SizedPayload(blocks.gsen, p);
      report.gsensorOffset = out.Position() + 8;
      report.gsensorSize = static_cast<uint32_t>(payload.size());
      Chunk(out, "gsen", payload);
    } else if (p.name == "junk" || p.name == "unknown") {
      out.Fourcc(p.name == "junk" ? "JUNK" : "UNKN");
      out.Le32(static_cast<uint32_t>(p.number));
      out.Zeros(p.number + (p.number & 1));
    } else if (p.name == "pad") {
      if (p.number >= out.Position() + 8) {
        const uint64_t n = p.number - out.Position() - 8;
        out.Fourcc("JUNK");
        out.Le32(static_cast<uint32_t>(n));
        out.Zeros(n + (n & 1));
      }
    } else if (p.name == "movi" || p.name == "movi-truncated") {
      uint64_t size = 4;
      for (const auto& f : clip.frames) size += 8 + f.size() + (f.size() & 1);
      out.Fourcc("LIST");
      out.Le32(static_cast<uint32_t>(size));
      moviStart = out.Position();
      out.Fourcc("movi");
      const std::size_t count = p.name == "movi" ? clip.frames.size() : clip.frames.size() / 2;
      for (std::size_t i = 0; i < count; ++i) {
        frameOffsets.push_back(static_cast<uint32_t>(out.Position() - moviStart));
        Chunk(out, "00dc", clip.frames[i]);
      }
      if (p.name == "movi-truncated") {
        missing = moviStart + size - out.Position();
        stop = true;  // the camera stopped writing here
      }
    } else if (p.name == "idx1") {
      out.Fourcc("idx1");
      out.Le32(static_cast<uint32_t>(16 * frameOffsets.size()));
      for (std::size_t i = 0; i < frameOffsets.size(); ++i) {
        out.Fourcc("00dc");
        out.Le32(clip.keyFrames[i] ? kAviifKeyFrame : 0);
        out.Le32(frameOffsets[i]);
        out.Le32(static_cast<uint32_t>(clip.frames[i].size()));
      }
    } else {
      throw SynthError("unknown AVI layout piece " + p.name);
    }
  }
  out.PatchLe32(4, static_cast<uint32_t>(out.Position() + missing - 8));
  out.Close();

  report.videoFrames = static_cast<uint32_t>(clip.frames.size());
  report.videoMs = static_cast<uint32_t>(uint64_t{report.videoFrames} * (1000000 / clip.fps) / 1000);
}
