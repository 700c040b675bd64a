// QuickTime/MP4: a new moov for the media data of a file whose camera never
// wrote one, modelled on a healthy recording of the same camera.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "container/AccessUnits.h"
#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "container/ContainerWalk.h"
#include "container/CutRecording.h"
#include "repair/CutRepairInternal.h"
#include "fileio/FileCopy.h"
#include "fileio/NewFileWriter.h"
#include "container/PictureOrder.h"
#include "container/RecordingFile.h"
#include "container/RecordingTypes.h"
#include "container/TopAtoms.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint64_t kMaxMoov = 64u << 20;
constexpr uint64_t kMinSampleBound = 64u << 10;
constexpr std::size_t kPicturesToCompare = 10;  // fewer say too little about the frame size

// An atom inside a moov held in memory.
struct Box {
  std::size_t at = 0, size = 0, header = 8;
  const uint8_t* Payload(const Bytes& b) const { return b.data() + at + header; }
  std::size_t PayloadSize() const { return size - header; }
};

// The first child of `type` (four characters), `skip` bytes into the payload;
// none past a child that runs out of its parent.
std::optional<Box> Child(const Bytes& b, const Box& parent, const char* type, std::size_t skip = 0) {
  MemoryByteSource bytes(b.data(), b.size());
  std::optional<Box> found;
  WalkBoxes(bytes, Container::QuickTime, parent.at + parent.header + skip, parent.at + parent.size,
            [&](const ContainerBox& box, int) {
              if (!box.complete) return WalkStep::Stop;
              if (box.code != CodeAt(type)) return WalkStep::Next;
              found = Box{static_cast<std::size_t>(box.at), static_cast<std::size_t>(box.span), box.header};
              return WalkStep::Stop;
            });
  return found;
}

Bytes Whole(const Bytes& b, const Box& box) {
  return Bytes(b.begin() + static_cast<long>(box.at), b.begin() + static_cast<long>(box.at + box.size));
}

Bytes MakeAtom(const char (&type)[5], const Bytes& payload) {
  Bytes out;
  AppendBe32(out, static_cast<uint32_t>(8 + payload.size()));
  AppendCode(out, type);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes Join(std::initializer_list<const Bytes*> parts) {
  Bytes out;
  for (const Bytes* p : parts) out.insert(out.end(), p->begin(), p->end());
  return out;
}

// The duration field of an mvhd, tkhd or mdhd atom, by its version.
void SetDuration(Bytes& atom, uint64_t duration, std::size_t v0Offset, std::size_t v1Offset) {
  if (atom.size() < 9) return;
  if (atom[8] == 1) {
    if (atom.size() >= v1Offset + 8) PutBe64(&atom[v1Offset], duration);
  } else if (atom.size() >= v0Offset + 4) {
    PutBe32(&atom[v0Offset], static_cast<uint32_t>(std::min<uint64_t>(duration, 0xFFFFFFFFu)));
  }
}

uint32_t Timescale(const Bytes& mdhdOrMvhd) {
  if (mdhdOrMvhd.size() < 9) return 0;
  const std::size_t at = mdhdOrMvhd[8] == 1 ? 8 + 4 + 16 : 8 + 4 + 8;
  return mdhdOrMvhd.size() >= at + 4 ? ReadBe32(&mdhdOrMvhd[at]) : 0;
}

struct TrackModel {
  Bytes tkhd, mdhd, hdlr, stsd;
  std::vector<Bytes> minfParts;  // vmhd / smhd, dinf
  uint32_t timescale = 0;
  uint32_t sampleDelta = 0;    // of the first stts entry
  uint64_t largestSample = 0;  // bytes, by stsz
  double meanSample = 0;
  // Video.
  VideoCodec codec = VideoCodec::H264;
  int lengthSize = 4;
  std::vector<Bytes> parameterSets;  // SPS from avcC / hvcC
  // Audio: fixed-size samples in chunks of one size can be found again.
  uint32_t sampleSize = 0;
  std::vector<std::pair<uint32_t, uint32_t>> chunkRuns;  // stsc: first chunk (1-based), samples per chunk
  uint32_t chunkBytes = 0;                               // the unit the reference's chunks are made of
  uint32_t samplesPerUnit = 0;                           // samples in one such unit
  std::vector<uint64_t> chunkOffsets;                    // where its chunks lie in the reference
};

struct Reference {
  std::string path;
  Bytes mvhd;
  std::optional<TrackModel> video;
  std::optional<TrackModel> audio;
  uint16_t width = 0, height = 0;
};

std::vector<uint64_t> ChunkOffsets(const Bytes& b, const Box& stbl) {
  std::vector<uint64_t> offsets;
  const bool wide = !Child(b, stbl, "stco").has_value();
  const auto table = wide ? Child(b, stbl, "co64") : Child(b, stbl, "stco");
  if (!table || table->PayloadSize() < 8) return offsets;
  const uint8_t* p = table->Payload(b);
  const uint64_t count = ReadBe32(p + 4);
  const std::size_t entry = wide ? 8 : 4;
  for (uint64_t i = 0; i < count && 8 + (i + 1) * entry <= table->PayloadSize(); ++i)
    offsets.push_back(wide ? ReadBe64(p + 8 + i * entry) : ReadBe32(p + 8 + i * entry));
  return offsets;
}

// The parameter sets of an avcC / hvcC record and its NAL length size.
void ReadDecoderConfig(const Bytes& b, const Box& entry, std::size_t entryHeader, TrackModel& t) {
  if (auto avcc = Child(b, entry, "avcC", entryHeader); avcc && avcc->PayloadSize() >= 7) {
    const uint8_t* p = avcc->Payload(b);
    t.codec = VideoCodec::H264;
    t.lengthSize = (p[4] & 3) + 1;
    std::size_t pos = 6;
    for (int i = 0; i < (p[5] & 0x1F) && pos + 2 <= avcc->PayloadSize(); ++i) {
      const std::size_t n = ReadBe16(p + pos);
      if (pos + 2 + n > avcc->PayloadSize()) break;
      t.parameterSets.emplace_back(p + pos + 2, p + pos + 2 + n);
      pos += 2 + n;
    }
  } else if (auto hvcc = Child(b, entry, "hvcC", entryHeader); hvcc && hvcc->PayloadSize() >= 23) {
    const uint8_t* p = hvcc->Payload(b);
    t.codec = VideoCodec::H265;
    t.lengthSize = (p[21] & 3) + 1;
    std::size_t pos = 23;
    for (int a = 0; a < p[22] && pos + 3 <= hvcc->PayloadSize(); ++a) {
      const int type = p[pos] & 0x3F;
      const int count = ReadBe16(p + pos + 1);
      pos += 3;
      for (int i = 0; i < count && pos + 2 <= hvcc->PayloadSize(); ++i) {
        const std::size_t n = ReadBe16(p + pos);
        if (pos + 2 + n > hvcc->PayloadSize()) return;
        if (type == 33) t.parameterSets.emplace_back(p + pos + 2, p + pos + 2 + n);
        pos += 2 + n;
      }
    }
  } else {
    t.lengthSize = 0;  // not a video format the data can be split by
  }
}

std::optional<TrackModel> ReadTrack(const Bytes& b, const Box& trak, bool& video) {
  const auto tkhd = Child(b, trak, "tkhd");
  const auto mdia = Child(b, trak, "mdia");
  if (!tkhd || !mdia) return std::nullopt;
  const auto mdhd = Child(b, *mdia, "mdhd");
  const auto hdlr = Child(b, *mdia, "hdlr");
  const auto minf = Child(b, *mdia, "minf");
  if (!mdhd || !hdlr || !minf || hdlr->PayloadSize() < 12) return std::nullopt;
  const auto stbl = Child(b, *minf, "stbl");
  if (!stbl) return std::nullopt;
  const auto stsd = Child(b, *stbl, "stsd");
  const auto stts = Child(b, *stbl, "stts");
  if (!stsd || !stts || stsd->PayloadSize() < 16 || stts->PayloadSize() < 16) return std::nullopt;
  TrackModel t;
  t.tkhd = Whole(b, *tkhd);
  t.mdhd = Whole(b, *mdhd);
  t.hdlr = Whole(b, *hdlr);
  t.stsd = Whole(b, *stsd);
  t.timescale = Timescale(t.mdhd);
  t.sampleDelta = ReadBe32(stts->Payload(b) + 12);
  for (const char* part : {"vmhd", "smhd", "dinf"})
    if (auto box = Child(b, *minf, part)) t.minfParts.push_back(Whole(b, *box));
  t.chunkOffsets = ChunkOffsets(b, *stbl);
  const uint8_t* handler = hdlr->Payload(b) + 8;
  video = HasCode(handler, "vide");
  if (const auto stsz = Child(b, *stbl, "stsz"); stsz && stsz->PayloadSize() >= 12) {
    const uint8_t* p = stsz->Payload(b);
    const uint64_t count = ReadBe32(p + 8);
    uint64_t total = 0, listed = 0;
    t.largestSample = ReadBe32(p + 4);
    const bool table = t.largestSample == 0;  // else every sample has that size
    for (; table && listed < count && 12 + (listed + 1) * 4 <= stsz->PayloadSize(); ++listed) {
      const uint32_t one = ReadBe32(p + 12 + listed * 4);
      total += one;
      t.largestSample = std::max<uint64_t>(t.largestSample, one);
    }
    t.meanSample =
        listed ? static_cast<double>(total) / static_cast<double>(listed) : static_cast<double>(t.largestSample);
  }
  const Box entry{stsd->at + 16, ReadBe32(stsd->Payload(b) + 8), 8};
  if (entry.at + entry.size > stsd->at + stsd->size || entry.size < 8) return std::nullopt;
  if (video) {
    ReadDecoderConfig(b, entry, 78, t);  // the visual sample entry's fields come first
  } else if (HasCode(handler, "soun")) {
    const auto stsz = Child(b, *stbl, "stsz");
    const auto stsc = Child(b, *stbl, "stsc");
    if (stsz && stsz->PayloadSize() >= 12) t.sampleSize = ReadBe32(stsz->Payload(b) + 4);
    if (stsc && stsc->PayloadSize() >= 8) {
      const uint8_t* p = stsc->Payload(b);
      const uint64_t count = ReadBe32(p + 4);
      for (uint64_t i = 0; i < count && 8 + (i + 1) * 12 <= stsc->PayloadSize(); ++i)
        t.chunkRuns.emplace_back(ReadBe32(p + 8 + i * 12), ReadBe32(p + 12 + i * 12));
    }
  } else {
    return std::nullopt;
  }
  return t;
}

// Audio can be found again when the reference stores fixed-size samples in
// chunks that are all made of one unit of bytes (one or more of it each, up
// to whatever follows the chunk), each unit holding a whole number of samples.
void MeasureAudioChunks(TrackModel& audio, std::vector<uint64_t> allOffsets, uint64_t mdatEnd) {
  if (audio.sampleSize == 0 || audio.chunkRuns.empty() || audio.chunkOffsets.size() < 2) return;
  std::sort(allOffsets.begin(), allOffsets.end());
  std::vector<uint64_t> spans;
  uint64_t samples = 0, bytes = 0;
  std::size_t run = 0;
  for (std::size_t i = 0; i + 1 < audio.chunkOffsets.size(); ++i) {
    const uint64_t at = audio.chunkOffsets[i];
    const auto after = std::upper_bound(allOffsets.begin(), allOffsets.end(), at);
    const uint64_t next = after == allOffsets.end() ? mdatEnd : std::min(mdatEnd, *after);
    if (next <= at) return;
    while (run + 1 < audio.chunkRuns.size() && audio.chunkRuns[run + 1].first <= i + 1) ++run;
    spans.push_back(next - at);
    bytes += next - at;
    samples += audio.chunkRuns[run].second;
  }
  const uint64_t unit = *std::min_element(spans.begin(), spans.end());
  if (unit == 0 || unit > 0xFFFFFFFFu || samples == 0) return;
  for (uint64_t span : spans)
    if (span % unit != 0) return;
  // samples / bytes per byte, times the unit, must come out whole.
  if ((samples * unit) % bytes != 0) return;
  const uint64_t perUnit = samples * unit / bytes;
  if (perUnit == 0 || perUnit > 0xFFFFFFFFu) return;
  audio.chunkBytes = static_cast<uint32_t>(unit);
  audio.samplesPerUnit = static_cast<uint32_t>(perUnit);
}

std::optional<Reference> LoadReference(const std::string& path, std::string& why) {
  FileByteSource source;
  if (!source.Open(path)) {
    why = "cannot open " + path;
    return std::nullopt;
  }
  const auto atoms = TopLevel(source);
  const auto moov = std::find_if(atoms.begin(), atoms.end(),
                                 [](const TopAtom& a) { return CodeAt(a.type) == FourCc("moov") && a.complete; });
  const auto mdat = std::find_if(atoms.begin(), atoms.end(),
                                 [](const TopAtom& a) { return CodeAt(a.type) == FourCc("mdat") && a.complete; });
  if (moov == atoms.end() || mdat == atoms.end() || moov->size > kMaxMoov) {
    why = path + " is no complete QuickTime recording";
    return std::nullopt;
  }
  Bytes b(static_cast<std::size_t>(moov->size));
  if (source.ReadAt(moov->pos, b.data(), b.size()) != static_cast<int64_t>(b.size())) {
    why = "cannot read " + path;
    return std::nullopt;
  }
  const Box root{0, b.size(), moov->header};
  Reference ref;
  ref.path = path;
  const auto mvhd = Child(b, root, "mvhd");
  if (!mvhd) {
    why = path + " has no movie header";
    return std::nullopt;
  }
  ref.mvhd = Whole(b, *mvhd);
  std::vector<uint64_t> allOffsets;
  for (std::size_t skip = 0;;) {
    const auto trak = Child(b, root, "trak", skip);
    if (!trak) break;
    skip = trak->at + trak->size - root.at - root.header;
    bool video = false;
    auto track = ReadTrack(b, *trak, video);
    if (!track) continue;
    allOffsets.insert(allOffsets.end(), track->chunkOffsets.begin(), track->chunkOffsets.end());
    if (video && !ref.video) {
      if (track->tkhd.size() >= 92) {
        const std::size_t at = track->tkhd[8] == 1 ? 8 + 88 : 8 + 76;
        if (track->tkhd.size() >= at + 6) {
          ref.width = ReadBe16(&track->tkhd[at]);
          ref.height = ReadBe16(&track->tkhd[at + 4]);
        }
      }
      ref.video = std::move(track);
    } else if (!video && !ref.audio) {
      ref.audio = std::move(track);
    }
  }
  if (!ref.video || ref.video->lengthSize == 0 || ref.video->timescale == 0 || ref.video->sampleDelta == 0) {
    why = path + " has no H.264 or H.265 video track to model on";
    return std::nullopt;
  }
  if (ref.audio) MeasureAudioChunks(*ref.audio, std::move(allOffsets), mdat->pos + mdat->size);
  return ref;
}

int64_t StartOf(const std::string& path) {
  RecordingSummary summary;
  RecordingFile file(&summary);
  if (file.ParseMov(path) == 0 && summary.startTime == 0) file.ScanMov(path);
  if (summary.startTime != 0) return summary.startTime;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : 0;
}

// The healthy QuickTime recordings of the cut file's folder: the nearest
// earlier first, then the later ones nearest first.
std::vector<std::string> ReferenceCandidates(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
  const std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : ".MOV";
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return {};
  const int64_t cutStart = StartOf(path);
  std::vector<std::pair<int64_t, std::string>> earlier, later;
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name.empty() || name[0] == '.' || name.size() < 4 || name.compare(name.size() - 4, 4, extension) != 0) continue;
    const std::string candidate = folder + name;
    if (candidate == path || IsSameFile(candidate, path)) continue;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (DetectCutRecording(candidate, ContainerKind::QuickTime, nullptr)) continue;
    const int64_t start = StartOf(candidate);
    (start <= cutStart ? earlier : later).emplace_back(start, candidate);
  }
  std::sort(earlier.begin(), earlier.end(), [](const auto& a, const auto& b) {
    return a.first > b.first || (a.first == b.first && a.second > b.second);
  });
  std::sort(later.begin(), later.end());
  std::vector<std::string> out;
  for (const auto& e : earlier) out.push_back(e.second);
  for (const auto& l : later) out.push_back(l.second);
  return out;
}

// The sample tables of one track; chunks are runs of samples that follow
// each other in the data.
struct TrackTables {
  std::vector<uint32_t> sizes;  // per sample (empty: all of `sampleSize`)
  uint32_t sampleSize = 0;
  uint32_t sampleCount = 0;
  std::vector<uint64_t> chunkOffsets;  // in the new file
  std::vector<uint32_t> samplesPerChunk;
  std::vector<uint32_t> keySamples;          // 1-based; empty: every sample is one
  std::vector<uint32_t> compositionOffsets;  // media units per sample; empty: none
  uint32_t presentationShift = 0;            // media units the edit list skips
};

Bytes FullBox(uint32_t versionFlags = 0) {
  Bytes b;
  AppendBe32(b, versionFlags);
  return b;
}

Bytes SampleTable(const TrackModel& t, const TrackTables& tables) {
  Bytes stts = FullBox();
  AppendBe32(stts, 1);
  AppendBe32(stts, tables.sampleCount);
  AppendBe32(stts, t.sampleDelta);

  Bytes stsc = FullBox();
  Bytes entries;
  uint32_t entryCount = 0;
  for (std::size_t i = 0; i < tables.samplesPerChunk.size(); ++i) {
    if (i > 0 && tables.samplesPerChunk[i] == tables.samplesPerChunk[i - 1]) continue;
    AppendBe32(entries, static_cast<uint32_t>(i + 1));
    AppendBe32(entries, tables.samplesPerChunk[i]);
    AppendBe32(entries, 1);
    ++entryCount;
  }
  AppendBe32(stsc, entryCount);
  stsc.insert(stsc.end(), entries.begin(), entries.end());

  Bytes stsz = FullBox();
  AppendBe32(stsz, tables.sampleSize);
  AppendBe32(stsz, tables.sampleCount);
  for (uint32_t s : tables.sizes) AppendBe32(stsz, s);

  const bool wide = !tables.chunkOffsets.empty() && tables.chunkOffsets.back() > 0xFFFFFFFFu;
  Bytes co = FullBox();
  AppendBe32(co, static_cast<uint32_t>(tables.chunkOffsets.size()));
  for (uint64_t o : tables.chunkOffsets) {
    if (wide)
      AppendBe64(co, o);
    else
      AppendBe32(co, static_cast<uint32_t>(o));
  }

  Bytes parts = Join({&t.stsd});
  const Bytes sttsAtom = MakeAtom("stts", stts);
  parts.insert(parts.end(), sttsAtom.begin(), sttsAtom.end());
  if (!tables.compositionOffsets.empty()) {
    Bytes runs;
    uint32_t count = 0;
    for (std::size_t i = 0; i < tables.compositionOffsets.size(); ++i) {
      if (i > 0 && tables.compositionOffsets[i] == tables.compositionOffsets[i - 1]) {
        PutBe32(&runs[runs.size() - 8], ReadBe32(&runs[runs.size() - 8]) + 1);
        continue;
      }
      AppendBe32(runs, 1);
      AppendBe32(runs, tables.compositionOffsets[i]);
      ++count;
    }
    Bytes ctts = FullBox();
    AppendBe32(ctts, count);
    ctts.insert(ctts.end(), runs.begin(), runs.end());
    const Bytes a = MakeAtom("ctts", ctts);
    parts.insert(parts.end(), a.begin(), a.end());
  }
  if (!tables.keySamples.empty() && tables.keySamples.size() < tables.sampleCount) {
    Bytes stss = FullBox();
    AppendBe32(stss, static_cast<uint32_t>(tables.keySamples.size()));
    for (uint32_t k : tables.keySamples) AppendBe32(stss, k);
    const Bytes a = MakeAtom("stss", stss);
    parts.insert(parts.end(), a.begin(), a.end());
  }
  for (const Bytes& a :
       {MakeAtom("stsc", stsc), MakeAtom("stsz", stsz), wide ? MakeAtom("co64", co) : MakeAtom("stco", co)})
    parts.insert(parts.end(), a.begin(), a.end());
  return MakeAtom("stbl", parts);
}

Bytes Track(const TrackModel& t, const TrackTables& tables, uint64_t mediaDuration, uint64_t movieDuration) {
  Bytes tkhd = t.tkhd;
  SetDuration(tkhd, movieDuration, 8 + 20, 8 + 28);
  Bytes mdhd = t.mdhd;
  SetDuration(mdhd, mediaDuration, 8 + 16, 8 + 24);
  Bytes minfParts;
  for (const Bytes& p : t.minfParts) minfParts.insert(minfParts.end(), p.begin(), p.end());
  const Bytes stbl = SampleTable(t, tables);
  minfParts.insert(minfParts.end(), stbl.begin(), stbl.end());
  const Bytes minf = MakeAtom("minf", minfParts);
  const Bytes mdia = MakeAtom("mdia", Join({&mdhd, &t.hdlr, &minf}));
  if (tables.presentationShift == 0) return MakeAtom("trak", Join({&tkhd, &mdia}));
  // Pictures shown after their decoding: the edit list starts the track
  // at its first picture shown.
  Bytes elst = FullBox();
  AppendBe32(elst, 1);
  AppendBe32(elst, static_cast<uint32_t>(std::min<uint64_t>(movieDuration, 0xFFFFFFFFu)));
  AppendBe32(elst, tables.presentationShift);
  AppendBe32(elst, 0x00010000);  // rate 1.0
  const Bytes edts = MakeAtom("edts", MakeAtom("elst", elst));
  return MakeAtom("trak", Join({&tkhd, &edts, &mdia}));
}

uint64_t Rescale(uint64_t value, uint32_t from, uint32_t to) {
  return from == 0 ? 0 : static_cast<uint64_t>(static_cast<unsigned __int128>(value) * to / from);
}

// Splits the media data by the reference; empty when the data does not fit it.
std::optional<AccessUnitSplit> SplitBy(ByteSource& source, uint64_t begin, uint64_t end, const Reference& ref,
                                       std::string& why) {
  SplitSettings settings;
  settings.codec = ref.video->codec;
  settings.lengthSize = ref.video->lengthSize;
  if (ref.audio) settings.audioChunkBytes = ref.audio->chunkBytes;
  // A picture of the same camera is not many times its largest one; random
  // bytes read as a length mostly are.
  if (ref.video->largestSample != 0) {
    settings.maxSampleBytes = std::max<uint64_t>(4 * ref.video->largestSample, kMinSampleBound);
    settings.maxGapBytes = std::max(settings.maxGapBytes, 8 * settings.maxSampleBytes);
  }
  AccessUnitSplit split = SplitAccessUnits(source, begin, end, settings);
  if (split.video.empty()) {
    why = "no complete video frame in the media data by " + ref.path;
    return std::nullopt;
  }
  // The media data begins with a key picture; a reference of another coding
  // finds none there.
  if (!split.video.front().key) {
    why = "the media data does not begin with a key picture by " + ref.path;
    return std::nullopt;
  }
  if (!split.firstParameterSet.empty() && !ref.video->parameterSets.empty() &&
      std::find(ref.video->parameterSets.begin(), ref.video->parameterSets.end(), split.firstParameterSet) ==
          ref.video->parameterSets.end()) {
    why = ref.path + " was recorded with other settings (frame size or coding)";
    return std::nullopt;
  }
  // Judged against all the data up to the cut, not just up to the last
  // picture kept: a split that keeps a few pictures by chance and steps
  // over the rest does not fit.
  if (split.coveredBytes * 2 < split.dataEnd - begin) {
    why = "the media data does not follow the layout of " + ref.path;
    return std::nullopt;
  }
  // Without parameter sets in the data, the frame size shows in the bytes a
  // picture takes: a quarter of the pixels takes a third of the bytes.
  double mean = 0;
  for (const VideoSample& v : split.video) mean += v.size;
  mean /= static_cast<double>(split.video.size());
  if (ref.video->meanSample > 0 && split.video.size() >= kPicturesToCompare &&
      (mean > 2 * ref.video->meanSample || 2 * mean < ref.video->meanSample)) {
    why = ref.path + " was recorded with other settings (its pictures take other sizes)";
    return std::nullopt;
  }
  return split;
}

// A top-level atom as the copy holds it: the camera's sample blocks cut
// down to their whole records of the kept span, each under a header that
// matches what it holds; other atoms as they were.
struct CopiedAtom {
  const TopAtom* atom = nullptr;
  bool rewritten = false;  // a new header, then `payload` bytes of the old payload
  uint64_t payload = 0;
  uint64_t Size() const { return !rewritten ? atom->size : payload + (payload + 8 > 0xFFFFFFFFu ? 16 : 8); }
};

// Before the media data every atom but a moov is copied; after it only the
// camera's, a sample block cut by the power loss down to its whole records.
std::optional<CopiedAtom> PlanCopy(const TopAtom& a, uint64_t fileSize, bool afterData, const SpanRates& rates,
                                   double seconds) {
  const bool gps = CodeAt(a.type) == FourCc("gps0");
  if (gps || CodeAt(a.type) == FourCc("gsen")) {
    const uint64_t have = std::min(a.size, fileSize - a.pos);
    if (have <= a.header) return std::nullopt;
    const uint64_t record = gps ? kGpsRecordSize : kGSensorRecordSize;
    const uint64_t records = RecordsInSpan(gps, gps ? rates.gpsa : rates.gsea, seconds, (have - a.header) / record);
    if (records == 0) return std::nullopt;
    return CopiedAtom{&a, true, records * record};
  }
  if (!afterData) return CodeAt(a.type) == FourCc("moov") ? std::nullopt : std::optional<CopiedAtom>(CopiedAtom{&a});
  if (!a.complete ||
      !(CodeAt(a.type) == FourCc("gpsa") || CodeAt(a.type) == FourCc("gsea") || CodeAt(a.type) == FourCc("IDIT")))
    return std::nullopt;
  return CopiedAtom{&a, true, a.size - a.header};
}

bool WriteCopied(NewFileWriter& out, ByteSource& source, const CopiedAtom& c) {
  if (!c.rewritten) return out.CopyFrom(source, c.atom->pos, c.atom->size);
  Bytes head;
  if (c.Size() - c.payload == 16) {
    AppendBe32(head, 1);
    head.insert(head.end(), c.atom->type, c.atom->type + 4);
    AppendBe64(head, c.payload + 16);
  } else {
    AppendBe32(head, static_cast<uint32_t>(c.payload + 8));
    head.insert(head.end(), c.atom->type, c.atom->type + 4);
  }
  return out.Write(head) && out.CopyFrom(source, c.atom->pos + c.atom->header, c.payload);
}

}  // namespace

RepairResult RepairQuickTime(ByteSource& source, const std::string& path, const std::string& reference,
                             const std::string& destination) {
  const uint64_t size = source.Size();
  const auto atoms = TopLevel(source);
  const auto mdat =
      std::find_if(atoms.begin(), atoms.end(), [](const TopAtom& a) { return CodeAt(a.type) == FourCc("mdat"); });
  if (mdat == atoms.end()) return Failure(RepairFailure::NothingPlayable, "no media data before the cut");
  const uint64_t dataBegin = mdat->pos + mdat->header;
  // A size past the end (up to 2^64 - 1) ends at the end of the file.
  const uint64_t dataEnd = mdat->size > size - mdat->pos ? size : mdat->pos + mdat->size;

  // The reference: the one given, or the nearest fitting one in the folder.
  std::vector<std::string> candidates;
  if (!reference.empty())
    candidates.push_back(reference);
  else
    candidates = ReferenceCandidates(path);
  std::optional<Reference> ref;
  std::optional<AccessUnitSplit> split;
  std::string why = "no healthy QuickTime recording of the same camera in the folder";
  for (const std::string& candidate : candidates) {
    split.reset();
    if (IsSameFile(candidate, path)) {
      why = candidate + " is the recording itself";
      continue;
    }
    ref = LoadReference(candidate, why);
    if (ref) split = SplitBy(source, dataBegin, dataEnd, *ref, why);
    if (split) break;
  }
  if (!split) return Failure(RepairFailure::NoReference, why);

  const TrackModel& video = *ref->video;
  const bool audioKept = ref->audio && ref->audio->chunkBytes != 0 && !split->audio.empty();
  RepairResult result;
  result.reference = ref->path;
  result.frames = static_cast<uint32_t>(split->video.size());
  result.seconds = static_cast<double>(split->video.size()) * video.sampleDelta / video.timescale;
  result.hadAudio = ref->audio.has_value();
  result.audioKept = audioKept;
  if (result.hadAudio && !audioKept) result.detail = "audio left out: its chunks cannot be told from the video";
  result.output = destination;

  // Where the media data goes in the new file: everything before it stays
  // as it was, but an old moov.
  SpanRates rates;
  for (const TopAtom& a : atoms) {
    if (a.complete && (CodeAt(a.type) == FourCc("gpsa") || CodeAt(a.type) == FourCc("gsea")))
      (CodeAt(a.type) == FourCc("gpsa") ? rates.gpsa : rates.gsea) =
          RateValue(source, a.pos + a.header, a.size - a.header);
  }
  std::vector<CopiedAtom> head, tail;
  uint64_t before = 0;
  for (auto a = atoms.begin(); a != atoms.end(); ++a) {
    if (a == mdat || (a > mdat && !mdat->complete)) continue;
    if (auto c = PlanCopy(*a, size, a > mdat, rates, result.seconds)) {
      (a < mdat ? head : tail).push_back(*c);
      if (a < mdat) before += c->Size();
    }
  }
  const uint64_t kept = split->end - dataBegin;
  const uint32_t header = kept + 8 > 0xFFFFFFFFu ? 16 : 8;
  const uint64_t newData = before + header;
  auto moved = [&](uint64_t offset) { return offset - dataBegin + newData; };

  TrackTables vt;
  vt.sampleCount = static_cast<uint32_t>(split->video.size());
  for (std::size_t i = 0; i < split->video.size(); ++i) {
    const VideoSample& s = split->video[i];
    vt.sizes.push_back(s.size);
    if (s.key) vt.keySamples.push_back(static_cast<uint32_t>(i + 1));
    if (i > 0 && split->video[i - 1].offset + split->video[i - 1].size == s.offset) {
      vt.samplesPerChunk.back() += 1;
    } else {
      vt.chunkOffsets.push_back(moved(s.offset));
      vt.samplesPerChunk.push_back(1);
    }
  }
  if (video.codec == VideoCodec::H264 && (!split->firstParameterSet.empty() || !video.parameterSets.empty())) {
    const std::vector<uint8_t>& sps =
        split->firstParameterSet.empty() ? video.parameterSets.front() : split->firstParameterSet;
    const PictureOrder order = ReadPictureOrder(source, split->video, sps, video.lengthSize);
    for (uint32_t frames : order.offsets) vt.compositionOffsets.push_back(frames * video.sampleDelta);
    vt.presentationShift = order.shift * video.sampleDelta;
  }
  const uint32_t movieScale = Timescale(ref->mvhd);
  const uint64_t videoDuration = uint64_t{vt.sampleCount} * video.sampleDelta;
  uint64_t movieDuration = Rescale(videoDuration, video.timescale, movieScale);
  Bytes tracks = Track(video, vt, videoDuration, movieDuration);
  if (audioKept) {
    const TrackModel& audio = *ref->audio;
    TrackTables at;
    at.sampleSize = audio.sampleSize;
    for (const AudioChunk& c : split->audio) {
      at.chunkOffsets.push_back(moved(c.offset));
      at.samplesPerChunk.push_back(audio.samplesPerUnit);
      at.sampleCount += audio.samplesPerUnit;
    }
    const uint64_t audioDuration = uint64_t{at.sampleCount} * audio.sampleDelta;
    const uint64_t audioMovie = Rescale(audioDuration, audio.timescale, movieScale);
    movieDuration = std::max(movieDuration, audioMovie);
    const Bytes a = Track(audio, at, audioDuration, audioMovie);
    tracks.insert(tracks.end(), a.begin(), a.end());
  }
  Bytes mvhd = ref->mvhd;
  SetDuration(mvhd, movieDuration, 8 + 16, 8 + 24);
  const Bytes moov = MakeAtom("moov", Join({&mvhd, &tracks}));

  NewFileWriter out;
  out.Create(destination);
  for (const CopiedAtom& c : head) WriteCopied(out, source, c);
  Bytes mdatHead;
  if (header == 16) {
    AppendBe32(mdatHead, 1);
    AppendCode(mdatHead, "mdat");
    AppendBe64(mdatHead, kept + 16);
  } else {
    AppendBe32(mdatHead, static_cast<uint32_t>(kept + 8));
    AppendCode(mdatHead, "mdat");
  }
  out.Write(mdatHead);
  out.CopyFrom(source, dataBegin, kept);
  // The camera's own atoms after the media data, when it was whole.
  for (const CopiedAtom& c : tail) WriteCopied(out, source, c);
  out.Write(moov);
  return CommitChecked(result, out, true);
}
