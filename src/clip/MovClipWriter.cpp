// QuickTime clips: the first recording's atoms in their order, the media
// data of each piece's span copied as it lies, and a moov whose sample
// tables hold the span's samples where the clip has them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "clip/ClipWriters.h"
#include "clip/ClipWriting.h"
#include "container/RecordingFile.h"
#include "container/TopAtoms.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint64_t kMaxMoov = 64u << 20;
// Far more than hours of pictures or sound chunks: what is held of a track
// stays within a few hundred MB.
constexpr uint64_t kMaxSamples = 4u << 20;
constexpr uint64_t kMaxFixedSamples = 1u << 28;  // sound samples are counted, not held

// An atom inside the moov held in memory.
struct Box {
  std::size_t at = 0, size = 0, header = 8;
  const char* Type(const Bytes& b) const { return reinterpret_cast<const char*>(&b[at + 4]); }
  const uint8_t* Payload(const Bytes& b) const { return b.data() + at + header; }
  std::size_t PayloadSize() const { return size - header; }
};

std::vector<Box> Children(const Bytes& b, const Box& parent) {
  std::vector<Box> boxes;
  const std::size_t end = parent.at + parent.size;
  for (std::size_t pos = parent.at + parent.header; pos + 8 <= end;) {
    const std::size_t size = ReadBe32(&b[pos]);
    if (size < 8 || size > end - pos) break;
    boxes.push_back({pos, size, 8});
    pos += size;
  }
  return boxes;
}

std::optional<Box> Child(const Bytes& b, const Box& parent, const char (&type)[5]) {
  for (const Box& c : Children(b, parent))
    if (HasCode(c.Type(b), type)) return c;
  return std::nullopt;
}

Bytes Whole(const Bytes& b, const Box& box) {
  return Bytes(b.begin() + static_cast<long>(box.at), b.begin() + static_cast<long>(box.at + box.size));
}

Bytes Atom(const char* type, const Bytes& payload) {
  Bytes out;
  AppendBe32(out, static_cast<uint32_t>(8 + payload.size()));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The duration of an mvhd, mdhd (v0 at 16, v1 at 24 into the payload) or tkhd (20, 28).
void SetDuration(Bytes& atom, uint64_t duration, std::size_t v0, std::size_t v1) {
  if (atom.size() < 9) return;
  if (atom[8] == 1 && atom.size() >= 8 + v1 + 8)
    PutBe64(&atom[8 + v1], duration);
  else if (atom[8] != 1 && atom.size() >= 8 + v0 + 4)
    PutBe32(&atom[8 + v0], static_cast<uint32_t>(std::min<uint64_t>(duration, 0xFFFFFFFFu)));
}

uint32_t TimescaleOf(const Bytes& b, const Box& header) {
  const std::size_t at = header.PayloadSize() > 0 && header.Payload(b)[0] == 1 ? 20 : 12;
  return header.PayloadSize() >= at + 4 ? ReadBe32(header.Payload(b) + at) : 0;
}

// A sample, or for a track of fixed-size samples a chunk of `count` of them.
struct Unit {
  uint64_t offset = 0;
  uint64_t size = 0;
  uint32_t count = 1;
  uint32_t delta = 0;  // of each sample
  uint64_t dts = 0;
  int32_t cts = 0;
  bool key = true;
};

struct Track {
  Box trak;
  bool video = false;
  uint32_t timescale = 0;
  uint32_t sampleSize = 0;  // fixed size of every sample; 0: a table
  Bytes stsd;
  bool composition = false, syncTable = false;
  uint32_t cttsFlags = 0;
  std::vector<Unit> units;
};

// Table entries of a full box: (count, pointer to the first), bounded by its size.
std::pair<uint64_t, const uint8_t*> Entries(const Bytes& b, const std::optional<Box>& box, std::size_t skip,
                                            std::size_t entry) {
  if (!box || box->PayloadSize() < skip + 4) return {0, nullptr};
  const uint64_t claimed = ReadBe32(box->Payload(b) + skip);
  return {std::min<uint64_t>(claimed, (box->PayloadSize() - skip - 4) / entry), box->Payload(b) + skip + 4};
}

std::string ReadTrack(const Bytes& b, const Box& trak, Track& t) {
  t.trak = trak;
  const auto mdia = Child(b, trak, "mdia");
  const auto mdhd = mdia ? Child(b, *mdia, "mdhd") : std::nullopt;
  const auto hdlr = mdia ? Child(b, *mdia, "hdlr") : std::nullopt;
  const auto minf = mdia ? Child(b, *mdia, "minf") : std::nullopt;
  const auto stbl = minf ? Child(b, *minf, "stbl") : std::nullopt;
  if (!mdhd || !hdlr || !stbl || hdlr->PayloadSize() < 12) return "a track without its tables";
  t.video = HasCode(hdlr->Payload(b) + 8, "vide");
  t.timescale = TimescaleOf(b, *mdhd);
  const auto stsd = Child(b, *stbl, "stsd");
  if (!stsd || t.timescale == 0) return "a track without sample descriptions";
  t.stsd = Whole(b, *stsd);
  const auto stsz = Child(b, *stbl, "stsz");
  if (!stsz || stsz->PayloadSize() < 12) return "a track without sample sizes";
  t.sampleSize = ReadBe32(stsz->Payload(b) + 4);
  const uint64_t samples = ReadBe32(stsz->Payload(b) + 8);
  const auto sizes = Entries(b, stsz, 8, 4);
  if (t.sampleSize == 0 && sizes.first < samples) return "a sample size table shorter than its count";
  if ((t.sampleSize == 0 && samples > kMaxSamples) || samples > kMaxFixedSamples)
    return "more samples than a camera writes";
  const bool wide = !Child(b, *stbl, "stco");
  const auto chunks = Entries(b, Child(b, *stbl, wide ? "co64" : "stco"), 4, wide ? 8 : 4);
  if (chunks.first > kMaxSamples) return "more chunks than a camera writes";
  const auto runs = Entries(b, Child(b, *stbl, "stsc"), 4, 12);
  const auto times = Entries(b, Child(b, *stbl, "stts"), 4, 8);
  const auto ctts = Child(b, *stbl, "ctts");
  const auto shifts = Entries(b, ctts, 4, 8);
  const auto stss = Child(b, *stbl, "stss");
  const auto syncs = Entries(b, stss, 4, 4);
  t.composition = ctts.has_value();
  t.cttsFlags = ctts && ctts->PayloadSize() >= 4 ? ReadBe32(ctts->Payload(b)) : 0;
  t.syncTable = stss.has_value();

  // Cursors through the run tables, one sample at a time.
  uint64_t sample = 0, timeRun = 0, timeLeft = times.first ? ReadBe32(times.second) : 0;
  uint64_t shiftRun = 0, shiftLeft = shifts.first ? ReadBe32(shifts.second) : 0, sync = 0, dts = 0;
  std::size_t run = 0;
  auto next = [&](Unit& u) {
    while (timeLeft == 0 && timeRun + 1 < times.first) timeLeft = ReadBe32(times.second + 8 * ++timeRun);
    u.delta = times.first ? ReadBe32(times.second + 8 * timeRun + 4) : 0;
    if (timeLeft) --timeLeft;
    while (shiftLeft == 0 && shiftRun + 1 < shifts.first) shiftLeft = ReadBe32(shifts.second + 8 * ++shiftRun);
    u.cts = shifts.first ? static_cast<int32_t>(ReadBe32(shifts.second + 8 * shiftRun + 4)) : 0;
    if (shiftLeft) --shiftLeft;
    while (sync < syncs.first && ReadBe32(syncs.second + 4 * sync) < sample + 1) ++sync;
    u.key = !t.syncTable || (sync < syncs.first && ReadBe32(syncs.second + 4 * sync) == sample + 1);
    ++sample;
  };
  for (uint64_t c = 0; c < chunks.first && sample < samples; ++c) {
    while (run + 1 < runs.first && ReadBe32(runs.second + 12 * (run + 1)) <= c + 1) ++run;
    const uint64_t perChunk = runs.first ? ReadBe32(runs.second + 12 * run + 4) : 0;
    uint64_t offset = wide ? ReadBe64(chunks.second + 8 * c) : ReadBe32(chunks.second + 4 * c);
    if (t.sampleSize != 0) {  // the chunk as one unit
      Unit u;
      u.offset = offset;
      u.dts = dts;
      next(u);
      u.count = static_cast<uint32_t>(std::min<uint64_t>(perChunk, samples - sample + 1));
      for (uint32_t i = 1; i < u.count; ++i) {
        Unit skipped;
        next(skipped);
      }
      u.size = uint64_t{u.count} * t.sampleSize;
      dts += uint64_t{u.count} * u.delta;
      t.units.push_back(u);
      continue;
    }
    for (uint64_t i = 0; i < perChunk && sample < samples; ++i) {
      Unit u;
      u.offset = offset;
      u.size = ReadBe32(sizes.second + 4 * sample);
      u.dts = dts;
      next(u);
      dts += u.delta;
      offset += u.size;
      t.units.push_back(u);
    }
  }
  return t.units.empty() ? "a track without samples" : std::string();
}

struct MovSource {
  std::string path;
  FileByteSource file;
  RecordingSummary summary;
  std::vector<TopAtom> top;
  Bytes moov;
  Box movie;
  std::vector<Track> tracks;  // video first as the recording has it, then sound
  std::size_t video = 0;

  std::string Open(const std::string& name);
};

std::string MovSource::Open(const std::string& name) {
  path = name;
  if (!file.Open(path)) return "cannot open " + path + ": " + std::strerror(errno);
  RecordingFile reader(&summary);
  if (reader.ParseMov(file) != 0) return path + " is no readable QuickTime recording: " + reader.FailureReason();
  top = TopLevel(file);
  const auto m =
      std::find_if(top.begin(), top.end(), [](const TopAtom& a) { return HasCode(a.type, "moov") && a.complete; });
  if (m == top.end() || m->size > kMaxMoov) return path + " has no movie atom a camera would write";
  moov.resize(static_cast<std::size_t>(m->size));
  if (file.ReadAt(m->pos, moov.data(), moov.size()) != static_cast<int64_t>(moov.size())) return "cannot read " + path;
  movie = {0, moov.size(), m->header};
  for (const Box& c : Children(moov, movie)) {
    if (!HasCode(c.Type(moov), "trak")) continue;
    Track t;
    std::string why = ReadTrack(moov, c, t);
    // A track of pictures must be read; another that cannot be (an empty
    // sound track, a time code) is left out of the clip.
    if (!why.empty() && t.video) return path + " has " + why;
    if (why.empty()) tracks.push_back(std::move(t));
  }
  const auto v = std::find_if(tracks.begin(), tracks.end(), [](const Track& t) { return t.video; });
  if (v == tracks.end()) return path + " has no video track";
  video = static_cast<std::size_t>(v - tracks.begin());
  return {};
}

std::string MismatchOf(const MovSource& a, const MovSource& b) {
  if (a.tracks.size() != b.tracks.size()) return "has other tracks";
  for (std::size_t i = 0; i < a.tracks.size(); ++i) {
    if (a.tracks[i].stsd != b.tracks[i].stsd || a.tracks[i].timescale != b.tracks[i].timescale)
      return a.tracks[i].video ? "has another codec or frame size" : "has another sound format";
  }
  if (a.summary.gpsaValue != b.summary.gpsaValue || a.summary.gseaValue != b.summary.gseaValue)
    return "records its GPS or G-sensor at another rate";
  return {};
}

// One piece's units of each track, and the bytes of the media data they lie in.
struct Share {
  MovSource* source = nullptr;
  std::vector<std::pair<std::size_t, std::size_t>> units;  // [first, last) per track
  uint64_t begin = 0, end = 0;
  uint64_t at = 0;  // where `begin` lands in the clip
};

std::string Plan(MovSource& s, const ClipPiece& piece, Share& share, double& start, double& seconds) {
  share.source = &s;
  const Track& v = s.tracks[s.video];
  const double scale = v.timescale;
  const auto& units = v.units;
  auto before = [&](double t) {
    return static_cast<std::size_t>(
        std::partition_point(units.begin(), units.end(),
                             [&](const Unit& u) { return static_cast<double>(u.dts) < t * scale - 1e-6; }) -
        units.begin());
  };
  std::size_t from = before(piece.from);
  if (from < units.size() && static_cast<double>(units[from].dts) > piece.from * scale + 1e-6 && from > 0) --from;
  std::size_t to = before(piece.to);
  // Pictures decoded ahead of their showing: the span ends after the ones
  // shown before them, so that the clip shows no hole and a piece after it
  // no picture twice.
  int64_t shownLast = INT64_MIN;
  for (std::size_t i = to > 32 ? to - 32 : 0; i < to; ++i)
    shownLast = std::max(shownLast, static_cast<int64_t>(units[i].dts) + units[i].cts);
  while (to > from && to < units.size() && static_cast<int64_t>(units[to].dts) + units[to].cts < shownLast) ++to;
  if (from >= to)
    return "has no pictures between " + std::to_string(piece.from) + " s and " + std::to_string(piece.to) + " s";
  const double videoEnd = static_cast<double>(units.back().dts + units.back().delta) / scale;
  if (to == units.size() && videoEnd + 2.0 * units.back().delta / scale < piece.to)
    return "has no video after " + std::to_string(videoEnd) + " s; the span reaches " + std::to_string(piece.to) + " s";
  while (from > 0 && !units[from].key) --from;
  start = static_cast<double>(units[from].dts) / scale;
  const double end = to < units.size() ? static_cast<double>(units[to].dts) / scale : videoEnd;
  seconds = end - start;
  share.begin = UINT64_MAX;
  for (std::size_t t = 0; t < s.tracks.size(); ++t) {
    const auto& us = s.tracks[t].units;
    std::size_t first = from, last = to;
    if (t != s.video) {  // sound (or another camera) of the same time
      const double ts = s.tracks[t].timescale;
      auto at = [&](double when) {
        return static_cast<std::size_t>(
            std::partition_point(us.begin(), us.end(),
                                 [&](const Unit& u) { return static_cast<double>(u.dts) < when * ts - 1e-6; }) -
            us.begin());
      };
      first = at(start);
      last = at(end);
      // A second camera's pictures start at a key picture of their own.
      while (s.tracks[t].video && first > 0 && first < us.size() && !us[first].key) --first;
    }
    share.units.emplace_back(first, last);
    for (std::size_t i = first; i < last; ++i) {
      share.begin = std::min(share.begin, us[i].offset);
      share.end = std::max(share.end, us[i].offset + us[i].size);
    }
  }
  return {};
}

// Run-length entries (count, value) appended to a table.
void AddRun(Bytes& table, uint32_t& entries, uint32_t count, uint32_t value) {
  if (entries > 0 && ReadBe32(&table[table.size() - 4]) == value) {
    PutBe32(&table[table.size() - 8], ReadBe32(&table[table.size() - 8]) + count);
    return;
  }
  AppendBe32(table, count);
  AppendBe32(table, value);
  ++entries;
}

Bytes FullBox(uint32_t flags, uint32_t entries, const Bytes& table) {
  Bytes out;
  AppendBe32(out, flags);
  AppendBe32(out, entries);
  Append(out, table);
  return out;
}

// A track's samples in the clip: their table, and the media times they
// take decoded and shown (pictures decoded ahead of their showing).
struct TrackTimes {
  uint64_t duration = 0;
  int64_t shownFrom = INT64_MAX, shownTo = 0;
};

// The sample table of track `t` over the shares, the samples where the clip holds them.
Bytes SampleTable(const std::vector<Share>& shares, std::size_t t, bool wide, TrackTimes& times) {
  const Track& model = shares.front().source->tracks[t];
  Bytes stts, ctts, stss, stsc, sizes, offsets;
  uint32_t sttsN = 0, cttsN = 0, stssN = 0, stscN = 0, samples = 0, chunks = 0;
  uint64_t chunkEnd = UINT64_MAX;
  uint32_t inChunk = 0, lastPerChunk = 0;
  auto closeChunk = [&] {
    if (inChunk == 0) return;
    if (inChunk != lastPerChunk) {
      AppendBe32(stsc, chunks);
      AppendBe32(stsc, inChunk);
      AppendBe32(stsc, 1);
      ++stscN;
      lastPerChunk = inChunk;
    }
    inChunk = 0;
  };
  uint64_t& duration = times.duration;
  for (const Share& share : shares) {
    const auto& units = share.source->tracks[t].units;
    for (std::size_t i = share.units[t].first; i < share.units[t].second; ++i) {
      const Unit& u = units[i];
      const uint64_t at = u.offset - share.begin + share.at;
      if (at != chunkEnd) {
        closeChunk();
        ++chunks;
        if (wide)
          AppendBe64(offsets, at);
        else
          AppendBe32(offsets, static_cast<uint32_t>(at));
      }
      chunkEnd = at + u.size;
      inChunk += u.count;
      AddRun(stts, sttsN, u.count, u.delta);
      if (model.composition) AddRun(ctts, cttsN, 1, static_cast<uint32_t>(u.cts));
      if (u.key && model.syncTable) {
        AppendBe32(stss, samples + 1);
        ++stssN;
      }
      if (model.sampleSize == 0) AppendBe32(sizes, static_cast<uint32_t>(u.size));
      samples += u.count;
      const int64_t shown = static_cast<int64_t>(duration) + u.cts;
      times.shownFrom = std::min(times.shownFrom, shown);
      times.shownTo = std::max<int64_t>(times.shownTo, shown + int64_t{u.count} * u.delta);
      duration += uint64_t{u.count} * u.delta;
    }
  }
  closeChunk();
  Bytes stsz;
  AppendBe32(stsz, 0);
  AppendBe32(stsz, model.sampleSize);
  AppendBe32(stsz, samples);
  Append(stsz, sizes);
  Bytes out = model.stsd;
  Append(out, Atom("stts", FullBox(0, sttsN, stts)));
  if (model.composition) Append(out, Atom("ctts", FullBox(model.cttsFlags, cttsN, ctts)));
  if (model.syncTable) Append(out, Atom("stss", FullBox(0, stssN, stss)));
  Append(out, Atom("stsc", FullBox(0, stscN, stsc)));
  Append(out, Atom("stsz", stsz));
  Append(out, Atom(wide ? "co64" : "stco", FullBox(0, chunks, offsets)));
  return Atom("stbl", out);
}

// A container atom with each child as `rebuild` gives it: its own bytes,
// others, or none.
template <typename F>
Bytes Rebuilt(const Bytes& b, const Box& box, F rebuild) {
  Bytes payload;
  for (const Box& c : Children(b, box)) Append(payload, rebuild(c));
  return Atom(box.Type(b), payload);
}

Bytes Movie(const std::vector<Share>& shares, bool wide) {
  const MovSource& s = *shares.front().source;
  const Bytes& b = s.moov;
  const auto mvhd = Child(b, s.movie, "mvhd");
  const uint32_t movieScale = mvhd ? TimescaleOf(b, *mvhd) : 0;
  std::vector<TrackTimes> media(s.tracks.size());
  std::vector<uint64_t> shown(s.tracks.size());
  std::vector<Bytes> tables;
  for (std::size_t t = 0; t < s.tracks.size(); ++t) {
    tables.push_back(SampleTable(shares, t, wide, media[t]));
    const uint64_t length = static_cast<uint64_t>(std::max<int64_t>(media[t].shownTo - media[t].shownFrom, 0));
    shown[t] = movieScale
                   ? static_cast<uint64_t>(static_cast<unsigned __int128>(length) * movieScale / s.tracks[t].timescale)
                   : length;
  }
  const uint64_t movieDuration = *std::max_element(shown.begin(), shown.end());
  return Rebuilt(b, s.movie, [&](const Box& c) {
    const char* type = c.Type(b);
    Bytes out = Whole(b, c);
    if (HasCode(type, "mvhd")) SetDuration(out, movieDuration, 16, 24);
    if (!HasCode(type, "trak")) return out;
    const auto kept = std::find_if(s.tracks.begin(), s.tracks.end(), [&](const Track& k) { return k.trak.at == c.at; });
    if (kept == s.tracks.end()) return Bytes();
    const std::size_t t = static_cast<std::size_t>(kept - s.tracks.begin());
    return Rebuilt(b, c, [&](const Box& k) {
      Bytes part = Whole(b, k);
      if (HasCode(k.Type(b), "tkhd")) SetDuration(part, shown[t], 20, 28);
      if (HasCode(k.Type(b), "edts")) {
        // The one edit that starts the track at its first picture shown.
        const auto elst = Child(b, k, "elst");
        const auto edits = Entries(b, elst, 4, 12);
        if (!elst || edits.first != 1 || elst->Payload(b)[0] != 0) return Bytes();
        Bytes entry(edits.second, edits.second + 12);
        PutBe32(entry.data(), static_cast<uint32_t>(std::min<uint64_t>(shown[t], 0xFFFFFFFFu)));
        PutBe32(entry.data() + 4, static_cast<uint32_t>(std::clamp<int64_t>(media[t].shownFrom, 0, 0x7FFFFFFF)));
        return Atom("edts", Atom("elst", FullBox(0, 1, entry)));
      }
      if (!HasCode(k.Type(b), "mdia")) return part;
      return Rebuilt(b, k, [&](const Box& m) {
        Bytes inner = Whole(b, m);
        if (HasCode(m.Type(b), "mdhd")) SetDuration(inner, media[t].duration, 16, 24);
        if (!HasCode(m.Type(b), "minf")) return inner;
        return Rebuilt(b, m, [&](const Box& n) { return HasCode(n.Type(b), "stbl") ? tables[t] : Whole(b, n); });
      });
    });
  });
}

Bytes Head(const char* type, uint64_t payload) {
  Bytes out;
  if (payload + 8 > 0xFFFFFFFFu) {
    AppendBe32(out, 1);
    out.insert(out.end(), type, type + 4);
    AppendBe64(out, payload + 16);
  } else {
    AppendBe32(out, static_cast<uint32_t>(payload + 8));
    out.insert(out.end(), type, type + 4);
  }
  return out;
}

}  // namespace

ClipResult WriteMovClip(const std::vector<ClipPiece>& pieces, const std::string& destination,
                        const ClipProgress& progress) {
  ClipResult result;
  std::vector<std::unique_ptr<MovSource>> sources;
  std::vector<Share> shares;
  ClipRecords records;
  double seconds = 0;
  uint64_t data = 0;
  for (const ClipPiece& piece : pieces) {
    auto source = std::make_unique<MovSource>();
    if (std::string why = source->Open(piece.path); !why.empty()) return ClipFailed(ClipFailure::SourceUnreadable, why);
    if (!sources.empty()) {
      if (std::string why = MismatchOf(*sources.front(), *source); !why.empty()) {
        result.notes.push_back(BoundaryNote(piece.path, why));
        break;
      }
    }
    Share share;
    double start = 0, length = 0;
    if (std::string why = Plan(*source, piece, share, start, length); !why.empty()) {
      if (shares.empty() && why.starts_with("has no pictures"))
        return ClipFailed(ClipFailure::EmptySpan, piece.path + " " + why);
      return ClipFailed(ClipFailure::SourceUnreadable, piece.path + " " + why);
    }
    if (shares.empty()) result.spanStart = start;
    AppendRecordsOfSpan(source->file, source->summary, start, start + length, records);
    seconds += length;
    data += share.end - share.begin;
    shares.push_back(std::move(share));
    sources.push_back(std::move(source));
  }
  if (shares.empty()) return ClipFailed(ClipFailure::EmptySpan, "the span holds no recording");
  result.spanEnd = result.spanStart + seconds;

  // Where everything goes: the first recording's atoms in their order.
  MovSource& head = *sources.front();
  const bool wide = data > 0xFFFFFFFFu - (64u << 20);
  const uint64_t moovSize = Movie(shares, wide).size();
  const Bytes dataHead = Head("mdat", data);
  uint64_t position = 0, dataAt = 0;
  // The clip's media data and movie go where the recording has its first ones.
  const auto firstOf = [&](const char(&type)[5]) {
    return std::find_if(head.top.begin(), head.top.end(), [&](const TopAtom& a) { return HasCode(a.type, type); });
  };
  const auto mdat = firstOf("mdat"), movie = firstOf("moov");
  for (auto a = head.top.begin(); a != head.top.end(); ++a) {
    if ((HasCode(a->type, "mdat") && a != mdat) || (HasCode(a->type, "moov") && a != movie)) continue;
    if (HasCode(a->type, "mdat")) {
      dataAt = position + dataHead.size();
      position += dataHead.size() + data;
    } else if (HasCode(a->type, "moov")) {
      position += moovSize;
    } else if (HasCode(a->type, "gps0") || HasCode(a->type, "gsen")) {
      const uint64_t n = (HasCode(a->type, "gps0") ? records.gps : records.gsensor).size();
      position += n ? Head(a->type, n).size() + n : 0;
    } else if (a->complete) {
      position += a->size;
    }
  }
  for (Share& share : shares) {
    share.at = dataAt;
    dataAt += share.end - share.begin;
  }
  const Bytes moov = Movie(shares, wide);

  ClipOutput output(progress, data);
  if (ClipResult failed = output.Create(destination); !failed.Ok()) return failed;
  NewFileWriter& out = output.Writer();
  for (auto at = head.top.begin(); at != head.top.end(); ++at) {
    const TopAtom& a = *at;
    if ((HasCode(a.type, "mdat") && at != mdat) || (HasCode(a.type, "moov") && at != movie)) continue;
    if (HasCode(a.type, "mdat")) {
      out.Write(dataHead);
      for (const Share& share : shares)
        if (!output.Copy(share.source->file, share.source->path, share.begin, share.end - share.begin))
          return output.Failure();
    } else if (HasCode(a.type, "moov")) {
      out.Write(moov);
    } else if (HasCode(a.type, "gps0") || HasCode(a.type, "gsen")) {
      const Bytes& block = HasCode(a.type, "gps0") ? records.gps : records.gsensor;
      if (!block.empty()) out.Write(Head(a.type, block.size()));
      out.Write(block);
    } else if (HasCode(a.type, "IDIT") && a.complete && a.size <= 256) {
      Bytes atom(static_cast<std::size_t>(a.size));
      head.file.ReadAt(a.pos, atom.data(), atom.size());
      MoveDateText(atom.data() + a.header, atom.size() - a.header, result.spanStart);
      out.Write(atom);
    } else if (a.complete) {
      if (!output.Copy(head.file, head.path, a.pos, a.size)) return output.Failure();
    }
  }
  return output.Finish(true, result);
}
