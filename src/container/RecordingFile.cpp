// The AVI chunk walk and the QuickTime atom walk and byte scan, each a table
// of steps by code for the container walk (WalkCodes in ContainerWalk.h).
//
// Whatever the bytes, a walk reads nothing outside the file, ends, and builds
// no value by overflow:
//  - reads past the end, and the byte scan's look-back before the start of
//    the file, give zero bytes;
//  - a date text longer than the 64-byte buffer is cut, and its chunk is
//    still stepped over whole;
//  - frame count x frame period is a 64-bit product; a length beyond what
//    32-bit milliseconds hold saturates;
//  - atom sizes below 8 are taken as a bare header (SteppedAtomSize);
//  - version-1 movie and track headers (64-bit times) are read with their
//    own layout instead of overflowing the version-0 header;
//  - a rate block shorter than its 4-byte value gives only its own bytes;
//  - every branch of a walk moves the position forward.
#include "container/RecordingFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "container/ContainerWalk.h"
#include "container/MovCodeSearch.h"

namespace {

// AVI codes.
constexpr uint32_t kRiff = FourCc("RIFF");
constexpr uint32_t kList = FourCc("LIST");
constexpr uint32_t kHdrl = FourCc("hdrl");
constexpr uint32_t kStrl = FourCc("strl");
constexpr uint32_t kAvih = FourCc("avih");
constexpr uint32_t kMovi = FourCc("movi");
constexpr uint32_t kStrh = FourCc("strh");
constexpr uint32_t kStrf = FourCc("strf");
constexpr uint32_t kVids = FourCc("vids");
constexpr uint32_t kAuds = FourCc("auds");
constexpr uint32_t kIdx1 = FourCc("idx1");
constexpr uint32_t kJunk = FourCc("JUNK");
constexpr uint32_t kIndx = FourCc("indx");
// Codes both containers share.
constexpr uint32_t kIdit = FourCc("IDIT");
constexpr uint32_t kGps0 = FourCc("gps0");
constexpr uint32_t kGpsa = FourCc("gpsa");
constexpr uint32_t kGsea = FourCc("gsea");
constexpr uint32_t kGsen = FourCc("gsen");
// QuickTime atom types.
constexpr uint32_t kFtyp = FourCc("ftyp");
constexpr uint32_t kSkip = FourCc("skip");
constexpr uint32_t kMdat = FourCc("mdat");
constexpr uint32_t kMoov = FourCc("moov");
constexpr uint32_t kMvhd = FourCc("mvhd");
constexpr uint32_t kTrak = FourCc("trak");
constexpr uint32_t kTkhd = FourCc("tkhd");

// Past this offset an unrecognised code is taken as the start of data the
// walks cannot make sense of, and they stop instead of stepping through it.
constexpr uint64_t kUnknownCodeLimit = 20932;
constexpr uint64_t k4G = uint64_t{1} << 32;

// The GPS records are looked at this many bytes at a time: the first window
// nearly always holds a clock, and the listing reads no more of the block.
constexpr std::size_t kGpsWindowBytes = 4 * 1024;

constexpr std::size_t kTextSize = 64;
constexpr std::size_t kMovTextSize = 20;
constexpr std::size_t kMainHeaderSize = 56;
constexpr std::size_t kStreamHeaderSize = 64;
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::size_t kMovieHeaderSize = 104;
constexpr std::size_t kTrackHeaderSize = 96;

uint32_t SaturatedMs(uint64_t ms) {
  return ms > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(ms);
}

// An atom cannot be shorter than its own 8-byte header. A size of 0 ("to the
// end of the file"), 1 ("a 64-bit size follows") or anything else below 8 is
// not interpreted: the atom is taken as its bare header, so the walk moves on
// right after it. The atom walk then meets what follows as unknown codes and
// the byte scan scans it byte by byte; either way every step advances and no
// payload size goes below zero.
uint64_t SteppedAtomSize(uint32_t size) { return size < 8 ? 8 : size; }

struct WalkFailure {
  const char* reason;
};

// Reading primitives and the working storage of one walk.
class Walker {
 public:
  Walker(ByteSource& source, RecordingSummary& state) : m_source(source), m_state(state), m_size(source.Size()) {}

  uint64_t Size() const { return m_size; }

  // n bytes at a (possibly negative) offset; what lies outside the file reads
  // as zero. Returns the number of bytes that came from the file.
  std::size_t ReadAt(int64_t offset, uint8_t* out, std::size_t n) {
    std::memset(out, 0, n);
    if (offset < 0) {
      const uint64_t before = static_cast<uint64_t>(-offset);
      if (before >= n) return 0;
      return ReadAt(0, out + before, n - static_cast<std::size_t>(before));
    }
    const uint64_t at = static_cast<uint64_t>(offset);
    if (at >= m_size) return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(n, m_size - at));
    const int64_t got = m_source.ReadAt(at, out, want);
    if (got < 0) throw WalkFailure{"read error"};
    return static_cast<std::size_t>(got);
  }

  uint32_t ReadFourcc(uint64_t& pos) {
    uint8_t b[4];
    ReadAt(static_cast<int64_t>(pos), b, 4);
    pos += 4;
    return ReadLe32(b);
  }
  uint32_t ReadSizeLE(uint64_t& pos) { return ReadFourcc(pos); }
  uint32_t ReadSizeBE(uint64_t& pos) {
    uint8_t b[4];
    ReadAt(static_cast<int64_t>(pos), b, 4);
    pos += 4;
    return ReadBe32(b);
  }
  uint32_t ReadChunkHeader(uint64_t& pos, uint32_t& size) {
    const uint32_t code = ReadFourcc(pos);
    size = ReadSizeLE(pos);
    return code;
  }
  uint32_t BigEndianSizeAt(int64_t offset) {
    uint8_t b[4];
    ReadAt(offset, b, 4);
    return ReadBe32(b);
  }
  // Up to 4 bytes at offset as a little-endian value (missing bytes are 0).
  uint32_t LittleEndianValueAt(int64_t offset, std::size_t bytes) {
    uint8_t b[4] = {0, 0, 0, 0};
    ReadAt(offset, b, std::min<std::size_t>(bytes, 4));
    return ReadLe32(b);
  }

  // The date text: n bytes at offset into the start of the text buffer.
  void ReadText(int64_t offset, std::size_t n) {
    ReadAt(offset, reinterpret_cast<uint8_t*>(m_text), std::min(n, kTextSize));
  }

  // Start time from the date text; for QuickTime files the file-time
  // fallback is moved back by the duration known so far.
  void TimeFromText(bool quickTime) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::sscanf(m_text, "%04d-%02d-%02d %02d:%02d:%02d", &year, &month, &day, &hour, &minute, &second);
    if (year >= 1900 &&
        IsValidClock(static_cast<unsigned>(month), static_cast<unsigned>(day), static_cast<unsigned>(hour),
                     static_cast<unsigned>(minute), static_cast<unsigned>(second))) {
      m_state.startTime = LocalTime(year, month, day, hour, minute, second);
      return;
    }
    int64_t modified = 0;
    if (!m_source.ModificationTime(&modified)) throw WalkFailure{"invalid date text and no file time"};
    int64_t base = modified;
    if (quickTime && __builtin_sub_overflow(modified, m_state.durationSeconds, &base))
      throw WalkFailure{"time out of range"};
    const std::time_t t = static_cast<std::time_t>(base);
    std::tm local{};
    if (static_cast<int64_t>(t) != base || !localtime_r(&t, &local)) throw WalkFailure{"time out of range"};
    m_state.startTime =
        LocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  }

  // While no start time is known, the first record with a valid clock gives
  // it, less the record's distance from the start.
  void ReadGpsRecords(uint64_t offset, uint64_t count) {
    const uint64_t rate = GpsRateOf(m_state.gpsaValue);
    uint64_t k = 0;
    while (k < count && !timeSet) {
      const uint64_t at = offset + kGpsRecordSize * k;
      if (at >= m_size) break;  // records past the end read as zero: no clock
      // Whole windows of records at a time: a block that claims gigabytes
      // costs one pass over what the file really holds.
      const uint8_t* data = nullptr;
      const int64_t got = m_source.Window(
          at, static_cast<std::size_t>(std::min<uint64_t>((count - k) * kGpsRecordSize, kGpsWindowBytes)), &data);
      if (got < 0) throw WalkFailure{"read error"};
      if (got == 0) break;
      for (std::size_t i = 0; i < static_cast<std::size_t>(got) && k < count; i += kGpsRecordSize, ++k) {
        uint8_t bytes[kGpsRecordSize] = {};  // a record cut off by the end of the file reads as zero beyond it
        std::memcpy(bytes, data + i, std::min<std::size_t>(kGpsRecordSize, static_cast<std::size_t>(got) - i));
        const GpsSample s = DecodeGpsSample(bytes);
        if (s.year != 0 && IsValidClock(s.month, s.day, s.hour, s.minute, s.second)) {
          m_state.startTime =
              LocalTime(2000 + s.year, s.month, s.day, s.hour, s.minute, s.second) - static_cast<int64_t>(k / rate);
          timeSet = true;
          return;
        }
      }
    }
  }

  ByteSource& Source() { return m_source; }
  RecordingSummary& State() { return m_state; }

  bool timeSet = false;
  bool truncated = false;
  bool scan = false;  // the QuickTime byte scan rather than the atom walk

 private:
  static int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    bool ok = false;
    const int64_t t = LocalCalendarToTime(year, month, day, hour, minute, second, &ok);
    if (!ok) throw WalkFailure{"time out of range"};
    return t;
  }

  ByteSource& m_source;
  RecordingSummary& m_state;
  uint64_t m_size;
  char m_text[kTextSize + 1] = {};  // one more for a terminator the camera may not write
};

// ---------------------------------------------------------------------------
// AVI chunk walk.

void ReadMainHeader(Walker& w, RecordingSummary& st, uint64_t& pos) {
  const uint32_t s = w.ReadSizeLE(pos);
  uint8_t header[kMainHeaderSize] = {};
  pos += w.ReadAt(static_cast<int64_t>(pos), header, std::min<std::size_t>(s, sizeof header));
  // Frame count x frame period in 64 bits: an hour and a quarter at 25 frames
  // a second already exceeds 32 bits of microseconds.
  const uint64_t microseconds = static_cast<uint64_t>(ReadLe32(header + 16)) * ReadLe32(header + 0);
  const uint64_t ms = microseconds / 1000;
  st.durationMs = SaturatedMs(ms);
  st.durationSeconds = static_cast<int64_t>(ms / 1000);
}

void ReadVideoFormat(Walker& w, RecordingSummary& st, uint64_t& pos) {
  const uint32_t s = w.ReadSizeLE(pos);
  uint8_t header[kBitmapHeaderSize] = {};
  pos += w.ReadAt(static_cast<int64_t>(pos), header, std::min<std::size_t>(s, sizeof header));
  st.width = ReadLe16(header + 4);
  st.height = ReadLe16(header + 8);
}

void ReadStreamHeader(Walker& w, RecordingSummary& st, uint64_t& pos) {
  const uint32_t s = w.ReadSizeLE(pos);
  uint8_t header[kStreamHeaderSize] = {};
  pos += w.ReadAt(static_cast<int64_t>(pos), header, std::min<std::size_t>(s, sizeof header));
  const uint32_t type = ReadLe32(header);
  if (type == kVids) {
    if (w.ReadFourcc(pos) == kStrf) ReadVideoFormat(w, st, pos);
  } else if (type == kAuds) {
    if (w.ReadFourcc(pos) == kStrf) {
      const uint32_t size = w.ReadSizeLE(pos);
      pos += size;
    }
  }
}

// The steps of the chunk walk; each gets pos right after the chunk's code.
uint64_t AviList(Walker& w, uint32_t, uint64_t pos) {
  const uint32_t s = w.ReadSizeLE(pos);
  const uint64_t end = pos + s;
  const uint32_t type = w.ReadFourcc(pos);
  if (type == kHdrl || type == kStrl || type == kAvih) return pos;  // walk its chunks
  if (type == kMovi && end > w.Size()) w.truncated = true;
  return end;
}

uint64_t AviMainHeader(Walker& w, uint32_t, uint64_t pos) {
  ReadMainHeader(w, w.State(), pos);
  return pos;
}

uint64_t AviStreamHeader(Walker& w, uint32_t, uint64_t pos) {
  ReadStreamHeader(w, w.State(), pos);
  return pos;
}

uint64_t AviStepOver(Walker& w, uint32_t, uint64_t pos) {
  const uint32_t s = w.ReadSizeLE(pos);
  return pos + s;
}

uint64_t AviDateText(Walker& w, uint32_t, uint64_t pos) {
  w.timeSet = true;
  const uint32_t s = w.ReadSizeLE(pos);
  // The text buffer holds 64 bytes; a longer payload is cut, but the walk
  // still steps over all of it.
  w.ReadText(static_cast<int64_t>(pos), s);
  w.TimeFromText(false);
  return pos + s;
}

uint64_t AviGpsRecords(Walker& w, uint32_t, uint64_t pos) {
  RecordingSummary& st = w.State();
  const uint32_t s = w.ReadSizeLE(pos);
  st.gpsOffset = pos;
  st.gpsSize = s;
  w.ReadGpsRecords(st.gpsOffset, s / kGpsRecordSize);
  return st.gpsOffset + kGpsRecordSize * (s / kGpsRecordSize);
}

uint64_t AviRate(Walker& w, uint32_t code, uint64_t pos) {
  const uint32_t s = w.ReadSizeLE(pos);
  // A block shorter than its 4-byte value gives only its own bytes.
  const uint32_t value = w.LittleEndianValueAt(static_cast<int64_t>(pos), s);
  (code == kGpsa ? w.State().gpsaValue : w.State().gseaValue) = value;
  return pos + s;
}

uint64_t AviGSensorRecords(Walker& w, uint32_t, uint64_t pos) {
  RecordingSummary& st = w.State();
  const uint32_t s = w.ReadSizeLE(pos);
  st.gsensorOffset = pos;
  st.gsensorSize = s;
  return pos + kGSensorRecordSize * (s / kGSensorRecordSize);
}

// Unknown codes early in the file are stepped over 4 bytes at a time.
uint64_t AviUnknown(Walker&, uint32_t, uint64_t pos) {
  return pos >= kUnknownCodeLimit || pos >= k4G ? kWalkEnds : pos;
}

constexpr std::array<CodeRule<Walker>, 11> kAviSteps = {{
    {kList, AviList},
    {kAvih, AviMainHeader},
    {kStrh, AviStreamHeader},
    {kIdx1, AviStepOver},
    {kJunk, AviStepOver},
    {kIndx, AviStepOver},
    {kIdit, AviDateText},
    {kGps0, AviGpsRecords},
    {kGpsa, AviRate},
    {kGsea, AviRate},
    {kGsen, AviGSensorRecords},
}};

void WalkAvi(Walker& w, RecordingSummary& st) {
  uint64_t pos = 0;
  uint32_t riffSize = 0;
  if (w.ReadChunkHeader(pos, riffSize) != kRiff) throw WalkFailure{"not a RIFF file"};
  st.fileSize = w.Size();
  // Every step moves pos forward by at least 4 bytes, so the walk ends.
  if (!WalkCodes(w.Source(), w, kAviSteps, AviUnknown, pos, w.Size())) throw WalkFailure{"read error"};
}

// ---------------------------------------------------------------------------
// QuickTime atom walk and byte scan. `atom` is an atom's start, its size
// field, 4 bytes before its type.

void ReadMovie(Walker& w, RecordingSummary& st, int64_t atom, uint64_t& pos) {
  const uint64_t next = static_cast<uint64_t>(atom + 4) + SteppedAtomSize(w.BigEndianSizeAt(atom));
  pos = static_cast<uint64_t>(atom + 12);
  const uint32_t first = w.ReadFourcc(pos);
  if (first == kMvhd) {
    // The header is read from its payload up to the next child's type field.
    const uint64_t span = SteppedAtomSize(w.BigEndianSizeAt(atom + 8)) - 4;
    uint8_t header[kMovieHeaderSize] = {};
    w.ReadAt(static_cast<int64_t>(pos), header, static_cast<std::size_t>(std::min<uint64_t>(span, sizeof header)));
    pos += span;
    uint64_t timeScale = 0, duration = 0;
    if (header[0] == 1) {  // version 1: 64-bit times
      timeScale = ReadBe32(header + 20);
      duration = ReadBe64(header + 24);
    } else {
      timeScale = ReadBe32(header + 12);
      duration = ReadBe32(header + 16);
    }
    if (timeScale != 0) {
      const uint64_t seconds = std::min<uint64_t>(duration / timeScale, std::numeric_limits<uint32_t>::max());
      st.durationSeconds = static_cast<int64_t>(seconds);
      st.durationMs = SaturatedMs(seconds * 1000);
    }
  }
  if (w.ReadFourcc(pos) == kTrak) {
    pos += 4;
    if (w.ReadFourcc(pos) == kTkhd) {
      uint8_t header[kTrackHeaderSize] = {};
      w.ReadAt(static_cast<int64_t>(pos), header, sizeof header);
      const std::size_t at = header[0] == 1 ? 88 : 76;  // version 1 has 64-bit times
      st.width = ReadBe16(header + at);
      st.height = ReadBe16(header + at + 4);
    }
  }
  pos = next;
}

// The steps of the atom walk and the byte scan; each gets pos right after the
// atom's type, 8 bytes past its start.
int64_t AtomAt(uint64_t pos) { return static_cast<int64_t>(pos) - 8; }

uint64_t MovStepOver(Walker& w, uint32_t, uint64_t pos) {
  const int64_t atom = AtomAt(pos);
  return static_cast<uint64_t>(atom + 4) + SteppedAtomSize(w.BigEndianSizeAt(atom));
}

uint64_t MovMovie(Walker& w, uint32_t, uint64_t pos) {
  ReadMovie(w, w.State(), AtomAt(pos), pos);
  return pos;
}

uint64_t MovDateText(Walker& w, uint32_t, uint64_t pos) {
  w.timeSet = true;
  w.ReadText(static_cast<int64_t>(pos), kMovTextSize);
  w.TimeFromText(true);
  return pos + 24;
}

uint64_t MovGpsRecords(Walker& w, uint32_t, uint64_t pos) {
  RecordingSummary& st = w.State();
  const int64_t atom = AtomAt(pos);
  const uint64_t payload = SteppedAtomSize(w.BigEndianSizeAt(atom)) - 8;
  st.gpsOffset = static_cast<uint64_t>(atom + 8);
  st.gpsSize = static_cast<uint32_t>(payload);
  w.ReadGpsRecords(st.gpsOffset, payload / kGpsRecordSize);
  return st.gpsOffset + kGpsRecordSize * (payload / kGpsRecordSize) + 4;
}

uint64_t MovGSensorRecords(Walker& w, uint32_t, uint64_t pos) {
  RecordingSummary& st = w.State();
  const int64_t atom = AtomAt(pos);
  const uint64_t payload = SteppedAtomSize(w.BigEndianSizeAt(atom)) - 8;
  st.gsensorOffset = static_cast<uint64_t>(atom + 8);
  st.gsensorSize = static_cast<uint32_t>(payload);
  return st.gsensorOffset + kGSensorRecordSize * (payload / kGSensorRecordSize) + 4;
}

uint64_t MovRate(Walker& w, uint32_t code, uint64_t pos) {
  const int64_t atom = AtomAt(pos);
  const uint64_t size = SteppedAtomSize(w.BigEndianSizeAt(atom));
  const int64_t end = atom + static_cast<int64_t>(size);
  const uint32_t value = w.LittleEndianValueAt(atom + 8, static_cast<std::size_t>(std::min<uint64_t>(size - 8, 4)));
  (code == kGpsa ? w.State().gpsaValue : w.State().gseaValue) = value;
  if (code == kGpsa && w.scan && !w.timeSet) {
    // A date text may sit right before the rate block; bytes before the
    // start of the file read as zero and make the text invalid.
    w.timeSet = true;
    w.ReadText(end - 32, kMovTextSize);
    w.TimeFromText(true);
  }
  return static_cast<uint64_t>(end + 4);
}

// The atom walk stops at an unknown code; the byte scan goes on.
uint64_t MovUnknown(Walker& w, uint32_t, uint64_t pos) {
  return w.scan || !(pos >= kUnknownCodeLimit || pos >= k4G) ? pos : kWalkEnds;
}

constexpr std::array<CodeRule<Walker>, 9> kMovSteps = {{
    {kFtyp, MovStepOver},
    {kSkip, MovStepOver},
    {kMdat, MovStepOver},
    {kMoov, MovMovie},
    {kIdit, MovDateText},
    {kGps0, MovGpsRecords},
    {kGsen, MovGSensorRecords},
    {kGpsa, MovRate},
    {kGsea, MovRate},
}};

// The scan moves back 3 bytes and tests every offset from there. Offsets
// whose 4 bytes are no known type only move it on by one, so it jumps
// straight to the next offset that holds one.
uint64_t NextKnownCode(Walker& w, uint64_t pos) {
  pos -= 3;
  const uint64_t size = w.Size();
  if (size < 4 || pos > size - 4) return kWalkEnds;
  const uint64_t found = FindKnownMovCode(w.Source(), pos, size - 4);
  return found == kNoMovCode ? kWalkEnds : found;
}

}  // namespace

// ---------------------------------------------------------------------------

RecordingFile::RecordingFile(RecordingSummary* target) : m_target(target) {}
RecordingFile::~RecordingFile() = default;

int RecordingFile::Deliver() {
  m_failure = nullptr;
  if (m_target) *m_target = m_state;
  return 0;
}

int RecordingFile::ParseAvi(const std::string& path) {
  m_state = RecordingSummary{};
  FileByteSource source;
  if (!source.Open(path)) {
    m_failure = "cannot open";
    return -1;
  }
  return ParseAvi(source);
}

int RecordingFile::ParseAvi(ByteSource& source) {
  m_state = RecordingSummary{};
  try {
    Walker w(source, m_state);
    WalkAvi(w, m_state);
    if (!w.timeSet) m_state.startTime = 0;
    if (m_state.width == 0 || m_state.height == 0) {
      m_failure = "no video frame size";
      return -1;
    }
    if (w.truncated) {
      m_failure = "movi list runs past the end of the file";
      return -1;
    }
  } catch (const WalkFailure& failure) {
    m_failure = failure.reason;
    return -1;
  } catch (const std::bad_alloc&) {
    m_failure = "out of memory";
    return -1;
  }
  return Deliver();
}

int RecordingFile::RunMovWalk(ByteSource& source, bool scan) {
  m_state = RecordingSummary{};
  try {
    Walker w(source, m_state);
    const uint64_t size = w.Size();
    m_state.fileSize = size;
    if (size == 0) {
      m_failure = "empty file";
      return -1;
    }
    w.scan = scan;
    if (!WalkCodes(source, w, kMovSteps, MovUnknown, 0, size, scan ? NextKnownCode : nullptr))
      throw WalkFailure{"read error"};
    if (!w.timeSet) m_state.startTime = 0;
  } catch (const WalkFailure& failure) {
    m_failure = failure.reason;
    return -1;
  } catch (const MovCodeSearchFailure&) {
    m_failure = "read error";
    return -1;
  } catch (const std::bad_alloc&) {
    m_failure = "out of memory";
    return -1;
  }
  return Deliver();
}

int RecordingFile::ParseMov(ByteSource& source) { return RunMovWalk(source, false); }
int RecordingFile::ScanMov(ByteSource& source) { return RunMovWalk(source, true); }

int RecordingFile::ParseMov(const std::string& path) {
  m_state = RecordingSummary{};
  FileByteSource source;
  if (!source.Open(path)) {
    m_failure = "cannot open";
    return -1;
  }
  return ParseMov(source);
}

int RecordingFile::ScanMov(const std::string& path) {
  m_state = RecordingSummary{};
  FileByteSource source;
  if (!source.Open(path)) {
    m_failure = "cannot open";
    return -1;
  }
  return ScanMov(source);
}
