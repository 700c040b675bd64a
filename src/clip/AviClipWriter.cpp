// AVI clips: the header list of the first recording with the lengths of the
// clip, the movi chunks of each piece's span copied as they lie, a new idx1,
// and the camera's blocks holding the span's records.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "clip/ClipWriters.h"
#include "clip/ClipWriting.h"
#include "container/KeyFrame.h"
#include "container/RecordingFile.h"

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint64_t kMaxHeaderList = 1u << 20;
constexpr std::size_t kMaxStreams = 100;  // stream numbers are two digits

struct Chunk {
  uint64_t pos = 0;  // of its code
  char code[4] = {};
  uint64_t payload = 0;
  char listType[4] = {};
  uint64_t End() const { return pos + 8 + payload + (payload & 1); }
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

int StreamOf(const char* code) {
  if (code[0] < '0' || code[0] > '9' || code[1] < '0' || code[1] > '9') return -1;
  return (code[0] - '0') * 10 + (code[1] - '0');
}

struct Stream {
  bool video = false;
  uint32_t sampleSize = 0;      // strh dwSampleSize
  uint32_t blockAlign = 0;      // audio strf nBlockAlign
  std::vector<uint8_t> format;  // strh type and handler, then strf: what must match to join
  uint64_t lengthAt = 0;        // strh dwLength, from the start of the header list
  double perSecond = 0;         // sound: bytes a second (fixed-size samples), else chunks a second
  uint64_t chunks = 0;          // in the clip
  uint64_t bytes = 0;
};

struct MoviChunk {
  uint64_t pos = 0;
  char code[4] = {};
  uint32_t size = 0;
  bool video = false;
  double at = 0;  // seconds from the start of its stream
  uint64_t End() const { return pos + 8 + size + (size & 1); }
};

// One recording of the clip, read far enough to plan its share.
struct AviSource {
  std::string path;
  FileByteSource file;
  RecordingSummary summary;
  std::vector<Chunk> top;
  std::size_t hdrl = 0, movi = 0;
  uint32_t usPerFrame = 0;
  uint64_t avihAt = 0;  // from the start of the header list
  std::vector<Stream> streams;
  std::vector<uint64_t> dateTexts;  // IDIT payloads in the header list, from its start
  std::vector<MoviChunk> chunks;
  std::vector<std::size_t> pictures;  // the video chunks, in order

  std::string Open(const std::string& name);
  // The chunks [first, last) of the piece's span; empty words when found.
  std::string Plan(const ClipPiece& piece, std::vector<std::size_t>& kept, double& start, double& seconds);
};

std::string AviSource::Open(const std::string& name) {
  path = name;
  if (!file.Open(path)) return "cannot open " + path + ": " + std::strerror(errno);
  RecordingFile reader(&summary);
  if (reader.ParseAvi(file) != 0) return path + " is no readable AVI recording: " + reader.FailureReason();
  const uint64_t size = file.Size();
  for (uint64_t pos = 12; pos + 8 <= size;) {
    Chunk c;
    if (!ReadChunk(file, pos, c)) return "cannot read " + path;
    if (ReadLe32(reinterpret_cast<const uint8_t*>(c.code)) == 0 && c.payload == 0) break;
    if (c.End() > size + (c.payload & 1)) return path + " ends inside its chunk at byte " + std::to_string(pos);
    if (HasCode(c.code, "LIST") && HasCode(c.listType, "hdrl")) hdrl = top.size();
    if (HasCode(c.code, "LIST") && HasCode(c.listType, "movi")) movi = top.size();
    top.push_back(c);
    pos = c.End();
  }
  if (top.empty() || !HasCode(top[hdrl].listType, "hdrl") || !HasCode(top[movi].listType, "movi") || movi < hdrl)
    return path + " has no header list or no movi list";
  const Chunk& h = top[hdrl];
  if (h.payload > kMaxHeaderList) return path + " has a header list too large to be a camera's";
  for (uint64_t pos = h.pos + 12; pos + 8 <= h.pos + 8 + h.payload;) {
    Chunk c;
    if (!ReadChunk(file, pos, c)) return "cannot read " + path;
    if (HasCode(c.code, "LIST")) {  // strl: walk its chunks
      pos += 12;
      continue;
    }
    if (c.End() > h.End()) break;  // the fields set later must lie inside the list
    std::vector<uint8_t> p(static_cast<std::size_t>(std::min<uint64_t>(c.payload, 256)));
    file.ReadAt(pos + 8, p.data(), p.size());
    if (HasCode(c.code, "avih") && p.size() >= 56) {
      avihAt = pos + 8 - h.pos;
      usPerFrame = ReadLe32(p.data());
    } else if (HasCode(c.code, "strh") && p.size() >= 48 && streams.size() < kMaxStreams) {
      Stream s;
      s.lengthAt = pos + 8 + 32 - h.pos;
      s.video = HasCode(p.data(), "vids");
      s.sampleSize = ReadLe32(p.data() + 44);
      s.format.assign(p.begin(), p.begin() + 8);
      const uint32_t scale = ReadLe32(p.data() + 20), rate = ReadLe32(p.data() + 24);
      s.perSecond = scale ? static_cast<double>(rate) / scale : 0;
      streams.push_back(std::move(s));
    } else if (HasCode(c.code, "strf") && !streams.empty()) {
      streams.back().format.insert(streams.back().format.end(), p.begin(), p.end());
      if (!streams.back().video && p.size() >= 14) {
        streams.back().blockAlign = ReadLe16(p.data() + 12);
        if (streams.back().sampleSize != 0) streams.back().perSecond = ReadLe32(p.data() + 8);
      }
    } else if (HasCode(c.code, "IDIT")) {
      dateTexts.push_back(pos + 8 - h.pos);
    }
    pos = c.End();
  }
  if (avihAt == 0 || usPerFrame == 0) return path + " has no frame rate in its main header";

  const Chunk& m = top[movi];
  std::vector<double> done(streams.size());  // bytes or chunks of each stream so far
  for (uint64_t pos = m.pos + 12; pos + 8 <= m.pos + 8 + m.payload;) {
    Chunk c;
    if (!ReadChunk(file, pos, c)) return "cannot read " + path;
    if (HasCode(c.code, "LIST")) {  // a rec list: its chunks one by one
      pos += 12;
      continue;
    }
    if (c.End() > m.End()) return "the video of " + path + " is unreadable from byte " + std::to_string(pos);
    const int stream = StreamOf(c.code);
    if (stream >= 0 && static_cast<std::size_t>(stream) < streams.size()) {
      MoviChunk k;
      k.pos = pos;
      std::memcpy(k.code, c.code, 4);
      k.size = static_cast<uint32_t>(c.payload);
      const Stream& own = streams[static_cast<std::size_t>(stream)];
      k.video = own.video;
      double& before = done[static_cast<std::size_t>(stream)];
      k.at = own.perSecond > 0 ? before / own.perSecond : 0;
      before += own.sampleSize != 0 ? c.payload : 1;
      if (k.video) pictures.push_back(chunks.size());
      chunks.push_back(k);
    }
    pos = c.End();
  }
  return {};
}

std::string AviSource::Plan(const ClipPiece& piece, std::vector<std::size_t>& kept, double& start, double& seconds) {
  const double period = usPerFrame / 1e6;
  const std::size_t count = pictures.size();
  std::size_t from =
      static_cast<std::size_t>(std::clamp(std::floor(piece.from / period + 1e-6), 0.0, static_cast<double>(count)));
  const std::size_t to =
      static_cast<std::size_t>(std::clamp(std::ceil(piece.to / period - 1e-6), 0.0, static_cast<double>(count)));
  if (from >= to)
    return "has no pictures between " + std::to_string(piece.from) + " s and " + std::to_string(piece.to) + " s";
  if (to + 1 < std::ceil(piece.to / period - 1e-6))
    return "has no video after " + std::to_string(count * period) + " s; the span reaches " + std::to_string(piece.to) +
           " s";
  while (from > 0 && !IsKeyFrame(file, chunks[pictures[from]].pos + 8, chunks[pictures[from]].size)) --from;
  start = static_cast<double>(from) * period;
  seconds = static_cast<double>(to - from) * period;
  // The pictures, and the sound of their time wherever the camera put it.
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    const bool picture = chunks[i].video && i >= pictures[from] && i <= pictures[to - 1];
    const bool sound = !chunks[i].video && chunks[i].at >= start - 1e-6 && chunks[i].at < start + seconds - 1e-6;
    if (picture || sound) kept.push_back(i);
  }
  return {};
}

std::string MismatchOf(const AviSource& a, const AviSource& b) {
  if (a.usPerFrame != b.usPerFrame) return "has another frame rate";
  if (a.streams.size() != b.streams.size()) return "has other streams";
  for (std::size_t i = 0; i < a.streams.size(); ++i)
    if (a.streams[i].format != b.streams[i].format)
      return a.streams[i].video ? "has another codec or frame size" : "has another sound format";
  if (a.summary.gpsaValue != b.summary.gpsaValue || a.summary.gseaValue != b.summary.gseaValue)
    return "records its GPS or G-sensor at another rate";
  return {};
}

struct Share {
  AviSource* source;
  std::vector<std::size_t> kept;  // its chunks in the clip; the bytes from the first to the last are copied
  uint64_t Begin() const { return source->chunks[kept.front()].pos; }
  uint64_t End() const { return source->chunks[kept.back()].End(); }
};

void WriteChunk(NewFileWriter& out, const char* code, const std::vector<uint8_t>& payload) {
  uint8_t head[8];
  std::memcpy(head, code, 4);
  PutLe32(head + 4, static_cast<uint32_t>(payload.size()));
  out.Write(head, sizeof head);
  out.Write(payload);
  if (payload.size() & 1) out.Write("", 1);
}

}  // namespace

ClipResult WriteAviClip(const std::vector<ClipPiece>& pieces, const std::string& destination,
                        const ClipProgress& progress) {
  ClipResult result;
  std::vector<std::unique_ptr<AviSource>> sources;
  std::vector<Share> shares;
  ClipRecords records;
  double seconds = 0;
  uint64_t total = 0;
  for (const ClipPiece& piece : pieces) {
    auto source = std::make_unique<AviSource>();
    if (std::string why = source->Open(piece.path); !why.empty()) return ClipFailed(ClipFailure::SourceUnreadable, why);
    if (!sources.empty()) {
      if (std::string why = MismatchOf(*sources.front(), *source); !why.empty()) {
        result.notes.push_back(BoundaryNote(piece.path, why));
        break;
      }
    }
    Share share{source.get(), {}};
    double start = 0, length = 0;
    if (std::string why = source->Plan(piece, share.kept, start, length); !why.empty()) {
      if (shares.empty() && why.starts_with("has no pictures"))
        return ClipFailed(ClipFailure::EmptySpan, piece.path + " " + why);
      return ClipFailed(ClipFailure::SourceUnreadable, piece.path + " " + why);
    }
    if (shares.empty()) result.spanStart = start;
    AppendRecordsOfSpan(source->file, source->summary, start, start + length, records);
    seconds += length;
    total += share.End() - share.Begin();
    shares.push_back(std::move(share));
    sources.push_back(std::move(source));
  }
  if (shares.empty()) return ClipFailed(ClipFailure::EmptySpan, "the span holds no recording");
  result.spanEnd = result.spanStart + seconds;

  AviSource& head = *sources.front();
  std::vector<Stream> streams = head.streams;
  for (Stream& s : streams) s.chunks = s.bytes = 0;
  for (const Share& share : shares) {
    for (std::size_t i : share.kept) {
      Stream& s = streams[static_cast<std::size_t>(StreamOf(share.source->chunks[i].code))];
      s.chunks += 1;
      s.bytes += share.source->chunks[i].size;
    }
  }
  // The header list with the clip's lengths, its date text at the span's start.
  const Chunk& hdrl = head.top[head.hdrl];
  std::vector<uint8_t> header(static_cast<std::size_t>(hdrl.End() - hdrl.pos));
  if (head.file.ReadAt(hdrl.pos, header.data(), header.size()) != static_cast<int64_t>(header.size()))
    return ClipFailed(ClipFailure::SourceUnreadable, "cannot read " + head.path);
  uint64_t frames = 0;
  for (const Stream& s : streams) {
    uint64_t length = s.chunks;
    if (!s.video && s.sampleSize != 0)
      length = s.bytes / std::max<uint32_t>(1, s.blockAlign ? s.blockAlign : s.sampleSize);
    if (s.video) frames = std::max(frames, s.chunks);
    PutLe32(&header[s.lengthAt], static_cast<uint32_t>(std::min<uint64_t>(length, 0xFFFFFFFFu)));
  }
  PutLe32(&header[head.avihAt + 12], ReadLe32(&header[head.avihAt + 12]) | kAvifHasIndex);
  PutLe32(&header[head.avihAt + 16], static_cast<uint32_t>(frames));
  for (uint64_t at : head.dateTexts)
    MoveDateText(&header[at],
                 static_cast<std::size_t>(std::min<uint64_t>(ReadLe32(&header[at - 4]), header.size() - at)),
                 result.spanStart);

  ClipOutput output(progress, total);
  if (ClipResult failed = output.Create(destination); !failed.Ok()) return failed;
  NewFileWriter& out = output.Writer();
  out.Write("RIFF\0\0\0\0AVI ", 12);
  uint64_t moviAt = 0, moviEnd = 0;
  std::vector<uint8_t> index;
  bool indexed = false;
  for (std::size_t t = 0; t < head.top.size(); ++t) {
    const Chunk& c = head.top[t];
    if (t == head.hdrl) {
      out.Write(header);
    } else if (t == head.movi) {
      moviAt = out.Position();
      out.Write("LIST\0\0\0\0movi", 12);
      for (const Share& share : shares) {
        const auto& chunks = share.source->chunks;
        const uint64_t from = share.Begin();
        const uint64_t shift = out.Position() - from - (moviAt + 8);
        for (std::size_t i : share.kept) {
          uint8_t e[16];
          std::memcpy(e, chunks[i].code, 4);
          const bool key = !chunks[i].video || IsKeyFrame(share.source->file, chunks[i].pos + 8, chunks[i].size);
          PutLe32(e + 4, key ? kAviifKeyFrame : 0);
          PutLe32(e + 8, static_cast<uint32_t>(chunks[i].pos + shift));
          PutLe32(e + 12, chunks[i].size);
          index.insert(index.end(), e, e + 16);
        }
        if (!output.Copy(share.source->file, share.source->path, from, share.End() - from)) return output.Failure();
      }
      moviEnd = out.Position();
    } else if (HasCode(c.code, "idx1")) {
      WriteChunk(out, "idx1", index);
      indexed = true;
    } else if (HasCode(c.code, "gps0") || HasCode(c.code, "gsen")) {
      const std::vector<uint8_t>& block = HasCode(c.code, "gps0") ? records.gps : records.gsensor;
      if (!block.empty()) WriteChunk(out, HasCode(c.code, "gps0") ? "gps0" : "gsen", block);
    } else if (HasCode(c.code, "IDIT")) {
      std::vector<uint8_t> text(static_cast<std::size_t>(std::min<uint64_t>(c.payload, 256)));
      head.file.ReadAt(c.pos + 8, text.data(), text.size());
      MoveDateText(text.data(), text.size(), result.spanStart);
      WriteChunk(out, "IDIT", text);
    } else if (t < head.movi || HasCode(c.code, "gpsa") || HasCode(c.code, "gsea")) {
      if (!output.Copy(head.file, head.path, c.pos, c.End() - c.pos)) return output.Failure();
    }
  }
  if (!indexed) WriteChunk(out, "idx1", index);
  if (out.Position() - 8 > 0xFFFFFFFFu)
    return ClipFailed(ClipFailure::WriteFailed, "the clip is too large for one AVI file");
  uint8_t v[4];
  PutLe32(v, static_cast<uint32_t>(out.Position() - 8));
  out.PatchAt(4, v, 4);
  PutLe32(v, static_cast<uint32_t>(moviEnd - moviAt - 8));
  out.PatchAt(moviAt + 4, v, 4);
  return output.Finish(false, result);
}
