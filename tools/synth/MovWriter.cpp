// QuickTime recordings: the camera's atoms around ffmpeg's movie, with the
// movie's chunk offsets moved to where its media data ends up.
#include <algorithm>
#include <cstring>

#include "container/ByteOrder.h"
#include "SynthInternal.h"
#include "VideoClip.h"

namespace {

// Adds delta to every entry of the stco / co64 tables below the atoms in
// [begin, end) of a moov atom.
void ShiftChunkOffsets(std::vector<uint8_t>& moov, std::size_t begin, std::size_t end, int64_t delta) {
  std::size_t pos = begin;
  while (pos + 8 <= end) {
    const uint32_t size = ReadBe32(&moov[pos]);
    if (size < 8 || pos + size > end) throw SynthError("unexpected atom in ffmpeg's movie");
    const char* type = reinterpret_cast<const char*>(&moov[pos + 4]);
    if (!std::memcmp(type, "trak", 4) || !std::memcmp(type, "mdia", 4) || !std::memcmp(type, "minf", 4) ||
        !std::memcmp(type, "stbl", 4)) {
      ShiftChunkOffsets(moov, pos + 8, pos + size, delta);
    } else if (!std::memcmp(type, "stco", 4) || !std::memcmp(type, "co64", 4)) {
      const bool wide = type[0] == 'c';
      const uint32_t count = ReadBe32(&moov[pos + 12]);
      for (uint32_t i = 0; i < count; ++i) {
        uint8_t* entry = &moov[pos + 16 + static_cast<std::size_t>(i) * (wide ? 8 : 4)];
        if (entry + (wide ? 8 : 4) > moov.data() + pos + size) throw SynthError("bad chunk offset table");
        if (wide) {
          const uint64_t v = static_cast<uint64_t>(static_cast<int64_t>(ReadBe64(entry)) + delta);
          PutBe64(entry, v);
        } else {
          const int64_t v = static_cast<int64_t>(ReadBe32(entry)) + delta;
          if (v < 0 || v > 0xFFFFFFFFll) throw SynthError("chunk offset out of 32-bit range");
          PutBe32(entry, static_cast<uint32_t>(v));
        }
      }
    }
    pos += size;
  }
}

std::string AtomType(const LayoutPiece& p) {
  if (p.text.size() != 4) throw SynthError("size0 needs a four-character type");
  return p.text;
}

}  // namespace

void WriteMovFile(const std::string& path, const SynthOptions& options, const CameraBlocks& blocks,
                  SynthReport& report) {
  const uint32_t videoMs = options.videoMs ? options.videoMs : options.durationMs;
  const MovClip& clip = MovClipFor(options.width, options.height, options.fps, videoMs);
  const auto pieces = ParseLayout(options.layout.empty() ? "ftyp,idit,gpsa,gsea,gps0,gsen,mdat,moov" : options.layout);
  const bool wantIdit = options.idit != SynthIdit::None;
  const uint64_t mdatPayload = clip.mdatPayload.size() + options.mdatFillerBytes;

  // First pass: where everything goes.
  uint64_t position = 0;
  uint64_t newPayloadOffset = 0;
  std::vector<uint64_t> sizes;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const LayoutPiece& p = pieces[i];
    uint64_t size = 0;
    if (p.name == "ftyp")
      size = clip.ftyp.size();
    else if (p.name == "moov")
      size = clip.moov.size();
    else if (p.name == "idit")
      size = wantIdit ? 8 + (p.hasArg ? p.number : 20) : 0;
    else if (p.name == "datetext")
      size = 28;
    else if (p.name == "gpsa" || p.name == "gsea")
      size = 12;
    else if (p.name == "gps0")
      size = 8 + SizedPayload(blocks.gps, p).size();
    else if (p.name == "gsen")
      size = 8 + SizedPayload(blocks.gsen, p).size();
    else if (p.name == "skip" || p.name == "junk" || p.name == "unknown")
      size = 8 + p.number;
    else if (p.name == "size0")
      size = 8;
    else if (p.name == "pad")
      size = p.number >= position + 8 ? p.number - position : 0;
    else if (p.name == "mdat" || p.name == "mdat0" || p.name == "mdat64") {
      const uint64_t header = p.name == "mdat64" ? 16 : 8;
      newPayloadOffset = position + header;
      size = header + mdatPayload;
      if (p.name == "mdat" && size > 0xFFFFFFFFull) throw SynthError("mdat too large for a 32-bit size: use mdat64");
      if (p.name == "mdat0" && i + 1 != pieces.size()) throw SynthError("mdat0 must be the last piece");
    } else {
      throw SynthError("unknown QuickTime layout piece " + p.name);
    }
    if (p.name != "pad" && p.name != "size0" && size > 0xFFFFFFFFull && p.name != "mdat64" && p.name != "mdat0")
      throw SynthError("piece " + p.name + " too large");
    sizes.push_back(size);
    position += size;
  }

  std::vector<uint8_t> moov = clip.moov;
  ShiftChunkOffsets(moov, 8, moov.size(),
                    static_cast<int64_t>(newPayloadOffset) - static_cast<int64_t>(clip.mdatPayloadOffset));

  OutputFile out(path);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const LayoutPiece& p = pieces[i];
    const uint64_t size = sizes[i];
    if (p.name == "ftyp") {
      out.Write(clip.ftyp);
    } else if (p.name == "moov") {
      out.Write(moov);
    } else if (p.name == "idit" || p.name == "datetext") {
      if (size == 0) continue;
      out.Be32(static_cast<uint32_t>(size));
      out.Fourcc(p.name == "idit" ? "IDIT" : "date");
      std::vector<uint8_t> text(blocks.dateText.begin(), blocks.dateText.end());
      text.resize(size - 8, 0);
      out.Write(text);
    } else if (p.name == "gpsa" || p.name == "gsea") {
      const uint32_t v = p.name == "gpsa" ? blocks.gpsa : blocks.gsea;
      out.Be32(12);
      out.Fourcc(p.name.c_str());
      out.Le32(v);  // the camera's values are little-endian even here
      (p.name == "gpsa" ? report.gpsaValue : report.gseaValue) = v;
    } else if (p.name == "gps0" || p.name == "gsen") {
      const auto payload = SizedPayload(p.name == "gps0" ? blocks.gps : blocks.gsen, p);
      out.Be32(static_cast<uint32_t>(size));
      out.Fourcc(p.name.c_str());
      (p.name == "gps0" ? report.gpsOffset : report.gsensorOffset) = out.Position();
      (p.name == "gps0" ? report.gpsSize : report.gsensorSize) = static_cast<uint32_t>(payload.size());
      out.Write(payload);
    } else if (p.name == "skip" || p.name == "junk" || p.name == "unknown" || p.name == "pad") {
      if (size == 0) continue;
      out.Be32(static_cast<uint32_t>(size));
      out.Fourcc(p.name == "unknown" ? "free" : "skip");
      out.Zeros(size - 8);
    } else if (p.name == "size0") {
      out.Be32(0);
      out.Fourcc(AtomType(p).c_str());
    } else {  // mdat, mdat0, mdat64
      if (p.name == "mdat64") {
        out.Be32(1);
        out.Fourcc("mdat");
        out.Be64(size);
      } else {
        out.Be32(p.name == "mdat0" ? 0 : static_cast<uint32_t>(size));
        out.Fourcc("mdat");
      }
      out.Write(clip.mdatPayload);
      out.PseudoRandom(options.mdatFillerBytes, options.routeSeed);
    }
  }
  out.Close();
  report.videoFrames = clip.frames;
  report.videoMs = videoMs;
}
