// AVI: keep the complete chunks of movi, rebuild idx1, make the sizes, the
// frame count and the stream lengths say what is kept.
#include <algorithm>
#include <cstring>
#include <vector>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "container/ContainerWalk.h"
#include "repair/CutRepairInternal.h"
#include "container/KeyFrame.h"
#include "fileio/NewFileWriter.h"
#include "container/RecordingTypes.h"

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr int kMaxStreams = 100;  // stream numbers are two digits

struct Chunk {
  uint64_t pos = 0;  // of its code
  uint32_t code = 0;
  uint64_t payload = 0;   // declared size
  uint32_t listType = 0;  // LIST only
  uint64_t End() const { return pos + 8 + payload + (payload & 1); }
};

Chunk ChunkOf(const ContainerBox& box) { return Chunk{box.at, box.code, box.payload, box.listType}; }

struct StreamFields {
  uint64_t lengthAt = 0;  // file offset of strh dwLength
  bool video = false;
  uint32_t sampleSize = 0;  // strh dwSampleSize
  uint32_t blockAlign = 0;  // audio strf nBlockAlign
  uint32_t chunks = 0;      // kept
  uint64_t bytes = 0;
};

struct KeptChunk {
  uint32_t code;
  uint32_t offset;  // from the movi type field, as idx1 counts
  uint32_t size;
  bool key;
};

// The n-th character of a code (0 to 3).
char Letter(uint32_t code, int n) { return static_cast<char>(code >> (8 * n)); }

// "00dc", "01wb", ...: the chunks a movi list holds for its streams.
int StreamOf(uint32_t code) {
  const char a = Letter(code, 0), b = Letter(code, 1);
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}

// A chunk header the camera could have written in movi: a stream's chunk,
// or one of the list's own. Stale bytes after the cut make none.
bool PlausibleHead(const Chunk& c, std::size_t streamCount) {
  const int stream = StreamOf(c.code);
  if (stream >= 0) return streamCount == 0 || static_cast<std::size_t>(stream) < streamCount;
  return c.code == FourCc("JUNK") || c.code == FourCc("LIST") || c.code == FourCc("idx1") ||
         (Letter(c.code, 0) == 'i' && Letter(c.code, 1) == 'x');
}

// The payload bytes of a camera block the copy keeps: a sample block down
// to its whole records of the kept span (the power loss may have cut it),
// other blocks whole or not at all.
bool KeepBlock(const Chunk& c, uint64_t fileSize, const SpanRates& rates, double seconds, uint64_t& keep) {
  const uint64_t have = fileSize > c.pos + 8 ? fileSize - c.pos - 8 : 0;
  const bool complete = have >= c.payload;
  const bool gps = c.code == FourCc("gps0");
  if (gps || c.code == FourCc("gsen")) {
    const uint64_t record = gps ? kGpsRecordSize : kGSensorRecordSize;
    const uint64_t records = std::min(c.payload, have) / record;
    keep = RecordsInSpan(gps, gps ? rates.gpsa : rates.gsea, seconds, records) * record;
    return keep > 0;
  }
  keep = c.payload;
  return complete && (c.code == FourCc("gpsa") || c.code == FourCc("gsea") || c.code == FourCc("IDIT"));
}

void WriteBlock(NewFileWriter& out, ByteSource& source, const Chunk& c, uint64_t keep) {
  uint8_t chunkHead[8];
  PutLe32(chunkHead, c.code);
  PutLe32(chunkHead + 4, static_cast<uint32_t>(keep));
  out.Write(chunkHead, sizeof chunkHead);
  out.CopyFrom(source, c.pos + 8, keep);
  if (keep & 1) out.Write("", 1);
}

}  // namespace

RepairResult RepairAvi(ByteSource& source, const std::string& destination) {
  const uint64_t size = source.Size();
  uint8_t head[12] = {};
  if (source.ReadAt(0, head, sizeof head) != 12) return Failure(RepairFailure::CannotRead, "too short for an AVI file");
  if (CodeAt(head) != FourCc("RIFF") || CodeAt(head + 8) != FourCc("AVI "))
    return Failure(RepairFailure::NothingPlayable, "not an AVI file");

  // Top-level chunks up to the cut.
  std::vector<Chunk> top;
  const WalkEnd topEnd = WalkBoxes(source, Container::Riff, 12, size, [&](const ContainerBox& chunk, int) {
    if (chunk.code == 0 && chunk.payload == 0) return WalkStep::Stop;  // zeros not yet overwritten
    top.push_back(ChunkOf(chunk));
    return WalkStep::Next;
  });
  if (topEnd == WalkEnd::ReadError) return Failure(RepairFailure::CannotRead, "read error");
  auto list = [&](const char(&type)[5]) {
    return std::find_if(top.begin(), top.end(),
                        [&](const Chunk& c) { return c.code == FourCc("LIST") && c.listType == FourCc(type); });
  };
  const auto hdrl = list("hdrl");
  const auto movi = list("movi");
  if (hdrl == top.end() || hdrl->pos + 8 + hdrl->payload > size || movi == top.end() || movi < hdrl)
    return Failure(RepairFailure::NothingPlayable, "the cut lies before the first frame");

  // The header fields to set: frame count, flags, and each stream's length.
  uint64_t avihAt = 0;
  uint32_t usPerFrame = 0;
  std::vector<StreamFields> streams;
  const WalkEnd headerEnd = WalkBoxes(
      source, Container::Riff, hdrl->pos + 12, hdrl->pos + 8 + hdrl->payload, [&](const ContainerBox& c, int) {
        if (c.code == FourCc("LIST")) return WalkStep::Enter;  // strl: walk its chunks
        uint8_t p[48] = {};
        source.ReadAt(c.PayloadAt(), p, static_cast<std::size_t>(std::min<uint64_t>(c.payload, sizeof p)));
        if (c.code == FourCc("avih") && c.payload >= 56) {
          avihAt = c.PayloadAt();
          usPerFrame = ReadLe32(p);
        } else if (c.code == FourCc("strh") && c.payload >= 48 &&
                   streams.size() < static_cast<std::size_t>(kMaxStreams)) {
          StreamFields s;
          s.lengthAt = c.PayloadAt() + 32;
          s.video = CodeAt(p) == FourCc("vids");
          s.sampleSize = ReadLe32(p + 44);
          streams.push_back(s);
        } else if (c.code == FourCc("strf") && !streams.empty() && !streams.back().video && c.payload >= 14) {
          streams.back().blockAlign = ReadLe16(p + 12);
        }
        return WalkStep::Next;
      });
  if (headerEnd == WalkEnd::ReadError) return Failure(RepairFailure::CannotRead, "read error");
  if (avihAt == 0) return Failure(RepairFailure::NothingPlayable, "no main AVI header");

  // The complete chunks of movi; the first partial or unreadable one is
  // where the camera stopped.
  const uint64_t moviType = movi->pos + 8;
  const uint64_t moviLimit = std::min(size, movi->pos + 8 + movi->payload);
  std::vector<KeptChunk> kept;
  uint64_t keptEnd = movi->pos + 12;
  uint32_t videoFrames = 0;
  // The last chunk kept is whole only when a chunk header or the end of the
  // data follows it: stale bytes after the cut can make it look longer.
  bool vouched = true;
  const WalkEnd dataEnd =
      WalkBoxes(source, Container::Riff, movi->pos + 12, moviLimit, [&](const ContainerBox& box, int) {
        const Chunk c = ChunkOf(box);
        vouched = PlausibleHead(c, streams.size());
        if (!vouched || !box.complete || c.pos - moviType > 0xFFFFFFFFu) return WalkStep::Stop;
        const int stream = StreamOf(c.code);
        const bool known =
            stream >= 0 || c.code == FourCc("JUNK") || (c.code == FourCc("LIST") && c.listType == FourCc("rec "));
        if (!known) return WalkStep::Stop;
        if (c.code == FourCc("LIST")) return WalkStep::Enter;  // a rec list: its chunks are indexed one by one
        if (stream >= 0) {
          KeptChunk k{};
          k.code = c.code;
          k.offset = static_cast<uint32_t>(c.pos - moviType);
          k.size = static_cast<uint32_t>(c.payload);
          const bool video =
              static_cast<std::size_t>(stream) < streams.size() ? streams[stream].video : Letter(c.code, 2) == 'd';
          k.key = !video || IsKeyFrame(source, c.pos + 8, c.payload);
          kept.push_back(k);
          if (static_cast<std::size_t>(stream) < streams.size()) {
            streams[stream].chunks += 1;
            streams[stream].bytes += c.payload;
          }
          if (video) videoFrames += 1;
        }
        keptEnd = std::min(c.End(), size);
        return WalkStep::Next;
      });
  if (dataEnd == WalkEnd::ReadError) return Failure(RepairFailure::CannotRead, "read error");
  if (!vouched && !kept.empty()) {
    const KeptChunk& last = kept.back();
    const int stream = StreamOf(last.code);
    if (static_cast<std::size_t>(stream) < streams.size()) {
      streams[stream].chunks -= 1;
      streams[stream].bytes -= last.size;
    }
    if (static_cast<std::size_t>(stream) < streams.size() ? streams[stream].video : Letter(last.code, 2) == 'd')
      videoFrames -= 1;
    keptEnd = moviType + last.offset;
    kept.pop_back();
  }
  if (videoFrames == 0) return Failure(RepairFailure::NothingPlayable, "no complete video frame before the cut");

  RepairResult result;
  result.frames = videoFrames;
  result.seconds = static_cast<double>(videoFrames) * usPerFrame / 1e6;
  for (const StreamFields& s : streams) result.hadAudio = result.hadAudio || !s.video;
  result.audioKept = result.hadAudio;
  result.output = destination;

  SpanRates rates;
  for (const Chunk& c : top) {
    if (c.End() <= size && (c.code == FourCc("gpsa") || c.code == FourCc("gsea")))
      (c.code == FourCc("gpsa") ? rates.gpsa : rates.gsea) = RateValue(source, c.pos + 8, c.payload);
  }

  NewFileWriter out;
  out.Create(destination);
  // Everything up to movi as it was, but the camera's sample blocks: only
  // the records of the kept span.
  out.CopyFrom(source, 0, 12);
  int64_t hdrlShift = 0;  // the header list may move with the blocks before it
  for (auto c = top.begin(); c != movi; ++c) {
    uint64_t keep = 0;
    if (c == hdrl) hdrlShift = static_cast<int64_t>(out.Position()) - static_cast<int64_t>(c->pos);
    if (c->code != FourCc("gps0") && c->code != FourCc("gsen"))
      out.CopyFrom(source, c->pos, c->End() - c->pos);
    else if (KeepBlock(*c, size, rates, result.seconds, keep))
      WriteBlock(out, source, *c, keep);
  }
  const uint64_t sourceAvih = avihAt;
  auto moved = [hdrlShift](uint64_t at) { return static_cast<uint64_t>(static_cast<int64_t>(at) + hdrlShift); };
  avihAt = moved(avihAt);
  for (StreamFields& s : streams) s.lengthAt = moved(s.lengthAt);
  uint8_t listHead[12];
  std::memcpy(listHead, "LIST", 4);
  PutLe32(listHead + 4, 0);
  std::memcpy(listHead + 8, "movi", 4);
  const uint64_t moviAt = out.Position();
  out.Write(listHead, sizeof listHead);
  const uint64_t copied = keptEnd - (movi->pos + 12);
  out.CopyFrom(source, movi->pos + 12, copied);
  if (out.Position() & 1) out.Write("", 1);  // the pad byte of a last odd chunk the cut took
  const uint64_t moviSize = out.Position() - moviAt - 8;

  // The camera's blocks after movi, when movi itself was whole.
  for (auto c = movi + 1; movi->End() <= size && c != top.end(); ++c) {
    uint64_t keep = 0;
    if (KeepBlock(*c, size, rates, result.seconds, keep)) WriteBlock(out, source, *c, keep);
  }

  // The index of every chunk kept.
  std::vector<uint8_t> index(8 + 16 * kept.size());
  std::memcpy(index.data(), "idx1", 4);
  PutLe32(index.data() + 4, static_cast<uint32_t>(16 * kept.size()));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    uint8_t* e = index.data() + 8 + 16 * i;
    PutLe32(e, kept[i].code);
    PutLe32(e + 4, kept[i].key ? kAviifKeyFrame : 0);
    PutLe32(e + 8, kept[i].offset);
    PutLe32(e + 12, kept[i].size);
  }
  out.Write(index);
  if (out.Error()) return WriteFailure(result, out);
  if (out.Position() - 8 > 0xFFFFFFFFu) {
    result.failure = RepairFailure::NothingPlayable;
    result.detail = "too large for one RIFF list";
    result.output.clear();
    return result;
  }

  uint8_t v[4];
  PutLe32(v, static_cast<uint32_t>(out.Position() - 8));
  out.PatchAt(4, v, 4);
  PutLe32(v, static_cast<uint32_t>(moviSize));
  out.PatchAt(moviAt + 4, v, 4);
  PutLe32(v, videoFrames);
  out.PatchAt(avihAt + 16, v, 4);
  uint8_t flags[4] = {};
  source.ReadAt(sourceAvih + 12, flags, 4);
  PutLe32(v, ReadLe32(flags) | kAvifHasIndex);
  out.PatchAt(avihAt + 12, v, 4);
  for (const StreamFields& s : streams) {
    // Video counts frames; audio counts samples of its block size when the
    // stream has fixed-size samples, else chunks.
    uint64_t length = s.chunks;
    if (!s.video && s.sampleSize != 0)
      length = s.bytes / std::max<uint32_t>(1, s.blockAlign ? s.blockAlign : s.sampleSize);
    PutLe32(v, static_cast<uint32_t>(std::min<uint64_t>(length, 0xFFFFFFFFu)));
    out.PatchAt(s.lengthAt, v, 4);
  }
  return CommitChecked(result, out, false);
}
