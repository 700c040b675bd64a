// AVI: keep the complete chunks of movi, rebuild idx1, make the sizes, the
// frame count and the stream lengths say what is kept.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ByteOrder.h"
#include "ByteSource.h"
#include "CutRepairInternal.h"
#include "KeyFrame.h"
#include "NewFileWriter.h"
#include "RecordingTypes.h"

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr int kMaxStreams = 100;  // stream numbers are two digits

struct Chunk {
  uint64_t pos = 0;       // of its code
  char code[4] = {};
  uint64_t payload = 0;   // declared size
  char listType[4] = {};  // LIST only
  uint64_t End() const { return pos + 8 + payload + (payload & 1); }
};

struct StreamFields {
  uint64_t lengthAt = 0;     // file offset of strh dwLength
  bool video = false;
  uint32_t sampleSize = 0;   // strh dwSampleSize
  uint32_t blockAlign = 0;   // audio strf nBlockAlign
  uint32_t chunks = 0;       // kept
  uint64_t bytes = 0;
};

struct KeptChunk {
  char code[4];
  uint32_t offset;  // from the movi type field, as idx1 counts
  uint32_t size;
  bool key;
};

bool ReadChunk(ByteSource& source, uint64_t pos, Chunk& chunk) {
  uint8_t head[12] = {};
  if (source.ReadAt(pos, head, sizeof head) < 8) return false;
  chunk.pos = pos;
  std::memcpy(chunk.code, head, 4);
  chunk.payload = ReadLe32(head + 4);
  std::memcpy(chunk.listType, head + 8, 4);
  return true;
}

bool Is(const char* code, const char (&what)[5]) { return std::memcmp(code, what, 4) == 0; }

// "00dc", "01wb", ...: the chunks a movi list holds for its streams.
int StreamOf(const char* code) {
  if (code[0] < '0' || code[0] > '9' || code[1] < '0' || code[1] > '9') return -1;
  return (code[0] - '0') * 10 + (code[1] - '0');
}

// A chunk header the camera could have written in movi: a stream's chunk,
// or one of the list's own. Stale bytes after the cut make none.
bool PlausibleHead(const Chunk& c, std::size_t streamCount) {
  const int stream = StreamOf(c.code);
  if (stream >= 0) return streamCount == 0 || static_cast<std::size_t>(stream) < streamCount;
  return Is(c.code, "JUNK") || Is(c.code, "LIST") || Is(c.code, "idx1") || (c.code[0] == 'i' && c.code[1] == 'x');
}

// The payload bytes of a camera block the copy keeps: a sample block down
// to its whole records of the kept span (the power loss may have cut it),
// other blocks whole or not at all.
bool KeepBlock(const Chunk& c, uint64_t fileSize, const SpanRates& rates, double seconds, uint64_t& keep) {
  const uint64_t have = fileSize > c.pos + 8 ? fileSize - c.pos - 8 : 0;
  const bool complete = have >= c.payload;
  const bool gps = Is(c.code, "gps0");
  if (gps || Is(c.code, "gsen")) {
    const uint64_t record = gps ? kGpsRecordSize : kGSensorRecordSize;
    const uint64_t records = std::min(c.payload, have) / record;
    keep = RecordsInSpan(gps, gps ? rates.gpsa : rates.gsea, seconds, records) * record;
    return keep > 0;
  }
  keep = c.payload;
  return complete && (Is(c.code, "gpsa") || Is(c.code, "gsea") || Is(c.code, "IDIT"));
}

void WriteBlock(NewFileWriter& out, ByteSource& source, const Chunk& c, uint64_t keep) {
  uint8_t chunkHead[8];
  std::memcpy(chunkHead, c.code, 4);
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
  if (!HasCode(head, "RIFF") || !HasCode(head + 8, "AVI ")) return Failure(RepairFailure::NothingPlayable, "not an AVI file");

  // Top-level chunks up to the cut.
  std::vector<Chunk> top;
  for (uint64_t pos = 12; pos + 8 <= size;) {
    Chunk c;
    if (!ReadChunk(source, pos, c)) return Failure(RepairFailure::CannotRead, "read error");
    if (ReadLe32(reinterpret_cast<const uint8_t*>(c.code)) == 0 && c.payload == 0) break;
    top.push_back(c);
    if (c.End() > size) break;
    pos = c.End();
  }
  auto list = [&](const char (&type)[5]) {
    return std::find_if(top.begin(), top.end(), [&](const Chunk& c) { return Is(c.code, "LIST") && Is(c.listType, type); });
  };
  const auto hdrl = list("hdrl");
  const auto movi = list("movi");
  if (hdrl == top.end() || hdrl->pos + 8 + hdrl->payload > size || movi == top.end() || movi < hdrl)
    return Failure(RepairFailure::NothingPlayable, "the cut lies before the first frame");

  // The header fields to set: frame count, flags, and each stream's length.
  uint64_t avihAt = 0;
  uint32_t usPerFrame = 0;
  std::vector<StreamFields> streams;
  for (uint64_t pos = hdrl->pos + 12; pos + 8 <= hdrl->pos + 8 + hdrl->payload;) {
    Chunk c;
    if (!ReadChunk(source, pos, c)) return Failure(RepairFailure::CannotRead, "read error");
    if (Is(c.code, "LIST")) {  // strl: walk its chunks
      pos += 12;
      continue;
    }
    uint8_t p[48] = {};
    source.ReadAt(pos + 8, p, static_cast<std::size_t>(std::min<uint64_t>(c.payload, sizeof p)));
    if (Is(c.code, "avih") && c.payload >= 56) {
      avihAt = pos + 8;
      usPerFrame = ReadLe32(p);
    } else if (Is(c.code, "strh") && c.payload >= 48 && streams.size() < static_cast<std::size_t>(kMaxStreams)) {
      StreamFields s;
      s.lengthAt = pos + 8 + 32;
      s.video = HasCode(p, "vids");
      s.sampleSize = ReadLe32(p + 44);
      streams.push_back(s);
    } else if (Is(c.code, "strf") && !streams.empty() && !streams.back().video && c.payload >= 14) {
      streams.back().blockAlign = ReadLe16(p + 12);
    }
    pos = c.End();
  }
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
  for (uint64_t pos = movi->pos + 12; pos + 8 <= moviLimit;) {
    Chunk c;
    if (!ReadChunk(source, pos, c)) return Failure(RepairFailure::CannotRead, "read error");
    vouched = PlausibleHead(c, streams.size());
    if (!vouched || pos + 8 + c.payload > moviLimit || pos - moviType > 0xFFFFFFFFu) break;
    const int stream = StreamOf(c.code);
    const bool known = stream >= 0 || Is(c.code, "JUNK") || (Is(c.code, "LIST") && Is(c.listType, "rec "));
    if (!known) break;
    if (Is(c.code, "LIST")) {  // a rec list: its chunks are indexed one by one
      pos += 12;
      continue;
    }
    if (stream >= 0) {
      KeptChunk k{};
      std::memcpy(k.code, c.code, 4);
      k.offset = static_cast<uint32_t>(pos - moviType);
      k.size = static_cast<uint32_t>(c.payload);
      const bool video = static_cast<std::size_t>(stream) < streams.size() ? streams[stream].video : c.code[2] == 'd';
      k.key = !video || IsKeyFrame(source, pos + 8, c.payload);
      kept.push_back(k);
      if (static_cast<std::size_t>(stream) < streams.size()) {
        streams[stream].chunks += 1;
        streams[stream].bytes += c.payload;
      }
      if (video) videoFrames += 1;
    }
    pos = c.End();
    keptEnd = std::min(pos, size);
  }
  if (!vouched && !kept.empty()) {
    const KeptChunk& last = kept.back();
    const int stream = StreamOf(last.code);
    if (static_cast<std::size_t>(stream) < streams.size()) {
      streams[stream].chunks -= 1;
      streams[stream].bytes -= last.size;
    }
    if (static_cast<std::size_t>(stream) < streams.size() ? streams[stream].video : last.code[2] == 'd') videoFrames -= 1;
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
    if (c.End() <= size && (Is(c.code, "gpsa") || Is(c.code, "gsea")))
      (Is(c.code, "gpsa") ? rates.gpsa : rates.gsea) = RateValue(source, c.pos + 8, c.payload);
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
    if (!Is(c->code, "gps0") && !Is(c->code, "gsen")) out.CopyFrom(source, c->pos, c->End() - c->pos);
    else if (KeepBlock(*c, size, rates, result.seconds, keep)) WriteBlock(out, source, *c, keep);
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
    std::memcpy(e, kept[i].code, 4);
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
    if (!s.video && s.sampleSize != 0) length = s.bytes / std::max<uint32_t>(1, s.blockAlign ? s.blockAlign : s.sampleSize);
    PutLe32(v, static_cast<uint32_t>(std::min<uint64_t>(length, 0xFFFFFFFFu)));
    out.PatchAt(s.lengthAt, v, 4);
  }
  return CommitChecked(result, out, false);
}
