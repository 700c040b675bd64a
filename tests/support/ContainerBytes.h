#pragma once
// Byte-exact builders for AVI (RIFF) and QuickTime files, including the broken
// layouts a camera, a bad card or a hostile file can produce: the one byte
// builder of the reader, repair and reliability tests and of the fuzz seed
// generator. Standard library and ByteOrder.h only.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "container/ByteOrder.h"

using Bytes = std::vector<uint8_t>;

// A growing byte string. It converts to and from Bytes, so that a piece built
// here can be passed on, and a piece returned by a builder below extended.
class ByteWriter {
 public:
  ByteWriter() = default;
  ByteWriter(Bytes bytes) : m_bytes(std::move(bytes)) {}  // NOLINT: converts on purpose
  operator const Bytes&() const { return m_bytes; }       // NOLINT: converts on purpose

  ByteWriter& Raw(std::string_view text) {
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    return *this;
  }
  ByteWriter& Raw(const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + n);
    return *this;
  }
  ByteWriter& Append(const Bytes& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  ByteWriter& Append(const ByteWriter& other) { return Append(other.m_bytes); }
  ByteWriter& U8(uint8_t v) {
    m_bytes.push_back(v);
    return *this;
  }
  ByteWriter& U16LE(uint16_t v) { return Then(AppendLe16, v); }
  ByteWriter& U32LE(uint32_t v) { return Then(AppendLe32, v); }
  ByteWriter& U64LE(uint64_t v) { return Then(AppendLe64, v); }
  ByteWriter& U16BE(uint16_t v) { return Then(AppendBe16, v); }
  ByteWriter& U32BE(uint32_t v) { return Then(AppendBe32, v); }
  ByteWriter& U64BE(uint64_t v) { return Then(AppendBe64, v); }
  ByteWriter& Zeros(std::size_t n) { return Fill(n, 0); }
  ByteWriter& Fill(std::size_t n, uint8_t value) {
    m_bytes.insert(m_bytes.end(), n, value);
    return *this;
  }
  // `text` followed by zeros up to exactly n bytes (cut when longer).
  ByteWriter& Text(std::string_view text, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    return *this;
  }
  void PatchU32LE(std::size_t at, uint32_t v) { PutLe32(&m_bytes.at(at + 3) - 3, v); }
  void PatchU32BE(std::size_t at, uint32_t v) { PutBe32(&m_bytes.at(at + 3) - 3, v); }
  std::size_t Size() const { return m_bytes.size(); }
  const Bytes& Get() const { return m_bytes; }
  Bytes Take() { return std::move(m_bytes); }

 private:
  template <typename T>
  ByteWriter& Then(void (*append)(Bytes&, T), T v) {
    append(m_bytes, v);
    return *this;
  }

  Bytes m_bytes;
};

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  ByteWriter w;
  for (const Bytes& p : parts) w.Append(p);
  return w.Take();
}

// One 32-byte GPS record: little-endian doubles and integers at fixed offsets.
struct GpsRecordSpec {
  double latitude = 2502.5;
  double longitude = 12130.25;
  int32_t altitude = 12;
  uint16_t speed = 50;
  uint8_t year = 19, month = 5, day = 1, hour = 8, minute = 30, second = 0;
  uint8_t heading = 45;
  uint8_t status = 1;
};

inline Bytes GpsRecord(const GpsRecordSpec& r) {
  ByteWriter w;
  uint64_t bits = 0;
  std::memcpy(&bits, &r.latitude, 8);
  w.U64LE(bits);
  std::memcpy(&bits, &r.longitude, 8);
  w.U64LE(bits);
  w.U32LE(static_cast<uint32_t>(r.altitude)).U16LE(r.speed);
  w.U8(r.year).U8(r.month).U8(r.day).U8(r.hour).U8(r.minute).U8(r.second);
  w.U8(r.heading).U8(r.status).U16LE(0);
  return w.Take();
}

// `count` records one second apart, all with a valid clock and fix.
inline Bytes GpsRecords(std::size_t count, uint8_t firstSecond = 0) {
  ByteWriter w;
  for (std::size_t i = 0; i < count; ++i) {
    GpsRecordSpec r;
    r.second = static_cast<uint8_t>((firstSecond + i) % 60);
    r.latitude += static_cast<double>(i) * 0.01;
    w.Append(GpsRecord(r));
  }
  return w.Take();
}

inline Bytes GSensorRecords(std::size_t count) {
  ByteWriter w;
  for (std::size_t i = 0; i < count; ++i)
    w.U8(static_cast<uint8_t>(i)).U8(static_cast<uint8_t>(-static_cast<int>(i))).U8(64);
  return w.Take();
}

// ---------------------------------------------------------------------------
// AVI

// code, little-endian size (the payload's, unless `statedSize` overrides it),
// payload. No pad byte: callers add one where a layout needs it.
inline Bytes AviChunk(std::string_view code, const Bytes& payload, int64_t statedSize = -1) {
  ByteWriter w;
  w.Raw(code).U32LE(statedSize < 0 ? static_cast<uint32_t>(payload.size()) : static_cast<uint32_t>(statedSize));
  w.Append(payload);
  return w.Take();
}

inline Bytes AviList(std::string_view type, const Bytes& children, int64_t statedSize = -1) {
  ByteWriter w;
  w.Raw(type).Append(children);
  return AviChunk("LIST", w.Get(), statedSize);
}

inline Bytes AviMainHeader(uint32_t microsecondsPerFrame, uint32_t frames) {
  ByteWriter w;
  w.U32LE(microsecondsPerFrame).U32LE(0).U32LE(0).U32LE(0).U32LE(frames);
  w.Zeros(56 - w.Size());
  return w.Take();
}

inline Bytes AviStreamHeader(std::string_view type) {
  ByteWriter w;
  w.Raw(type).Raw("H264");
  w.Zeros(56 - w.Size());
  return w.Take();
}

inline Bytes AviBitmapHeader(uint16_t width, uint16_t height) {
  ByteWriter w;
  w.U32LE(40).U32LE(width).U32LE(height).U16LE(1).U16LE(24).Raw("H264");
  w.Zeros(40 - w.Size());
  return w.Take();
}

// The header list of a recording: main header, one video stream.
inline Bytes AviHeaderList(uint16_t width = 1920, uint16_t height = 1080, uint32_t microsecondsPerFrame = 33333,
                           uint32_t frames = 1800) {
  ByteWriter strl;
  strl.Append(AviChunk("strh", AviStreamHeader("vids"))).Append(AviChunk("strf", AviBitmapHeader(width, height)));
  ByteWriter hdrl;
  hdrl.Append(AviChunk("avih", AviMainHeader(microsecondsPerFrame, frames))).Append(AviList("strl", strl.Get()));
  return AviList("hdrl", hdrl.Get());
}

inline Bytes U32LEBytes(uint32_t v) {
  ByteWriter w;
  w.U32LE(v);
  return w.Take();
}

// "RIFF", a size (the body's unless given), "AVI " and the body.
inline Bytes AviFile(const Bytes& body, int64_t riffSize = -1) {
  ByteWriter w;
  w.Raw("AVI ").Append(body);
  return AviChunk("RIFF", w.Get(), riffSize);
}

// A complete small recording as the camera lays it out.
struct AviLayout {
  uint16_t width = 1920, height = 1080;
  std::string dateText = "2019-05-01 08:30:00";  // empty: no IDIT chunk
  std::size_t gpsRecords = 4;
  std::size_t gsensorRecords = 10;
  uint32_t gpsa = 1, gsea = 0x0A08;
  std::size_t moviBytes = 64;
};

inline Bytes MakeAvi(const AviLayout& l) {
  ByteWriter body;
  body.Append(AviHeaderList(l.width, l.height));
  if (!l.dateText.empty()) body.Append(AviChunk("IDIT", ByteWriter().Text(l.dateText, 20).Get()));
  body.Append(AviChunk("gpsa", U32LEBytes(l.gpsa))).Append(AviChunk("gsea", U32LEBytes(l.gsea)));
  body.Append(AviChunk("gps0", GpsRecords(l.gpsRecords)));
  body.Append(AviChunk("gsen", GSensorRecords(l.gsensorRecords)));
  body.Append(
      AviList("movi", ByteWriter().Raw("00dc").U32LE(static_cast<uint32_t>(l.moviBytes)).Zeros(l.moviBytes).Get()));
  body.Append(AviChunk("idx1", Bytes(16, 0)));
  return AviFile(body.Get());
}

// ---------------------------------------------------------------------------
// QuickTime

// Big-endian size (header included, unless `statedSize` overrides it), type, payload.
inline Bytes Atom(std::string_view type, const Bytes& payload, int64_t statedSize = -1) {
  ByteWriter w;
  w.U32BE(statedSize < 0 ? static_cast<uint32_t>(payload.size() + 8) : static_cast<uint32_t>(statedSize));
  w.Raw(type).Append(payload);
  return w.Take();
}

// Version-0 movie header: 100 payload bytes.
inline Bytes MovieHeader(uint32_t timeScale, uint32_t duration) {
  ByteWriter w;
  w.U32BE(0).U32BE(0).U32BE(0).U32BE(timeScale).U32BE(duration);
  w.Zeros(100 - w.Size());
  return w.Take();
}

// Version-0 track header: 84 payload bytes, 16.16 frame size at 76 and 80.
inline Bytes TrackHeader(uint16_t width, uint16_t height) {
  ByteWriter w;
  w.Zeros(76).U32BE(static_cast<uint32_t>(width) << 16).U32BE(static_cast<uint32_t>(height) << 16);
  return w.Take();
}

inline Bytes Moov(uint32_t timeScale = 600, uint32_t duration = 36000, uint16_t width = 1920, uint16_t height = 1080) {
  ByteWriter children;
  children.Append(Atom("mvhd", MovieHeader(timeScale, duration)));
  children.Append(Atom("trak", Atom("tkhd", TrackHeader(width, height))));
  return Atom("moov", children.Get());
}

// The 28-byte date atom: 20 bytes of text (zero-padded or cut).
inline Bytes IditAtom(std::string_view text) { return Atom("IDIT", ByteWriter().Text(text, 20).Get()); }

inline Bytes ValueAtom(std::string_view type, uint32_t value) { return Atom(type, U32LEBytes(value)); }

struct MovLayout {
  std::string dateText = "2019-05-01 08:30:00";  // empty: no IDIT atom
  std::size_t gpsRecords = 4;
  std::size_t gsensorRecords = 10;
  uint32_t gpsa = 1, gsea = 0x0A08;
  std::size_t mdatBytes = 64;
  bool moov = true;
};

// ftyp, IDIT, gpsa, gsea, gps0, gsen, mdat, moov: the camera's order.
inline Bytes MakeMov(const MovLayout& l) {
  ByteWriter w;
  w.Append(Atom("ftyp", ByteWriter().Raw("qt  ").U32BE(0).Raw("qt  ").Get()));
  if (!l.dateText.empty()) w.Append(IditAtom(l.dateText));
  w.Append(ValueAtom("gpsa", l.gpsa)).Append(ValueAtom("gsea", l.gsea));
  w.Append(Atom("gps0", GpsRecords(l.gpsRecords)));
  w.Append(Atom("gsen", GSensorRecords(l.gsensorRecords)));
  w.Append(Atom("mdat", Bytes(l.mdatBytes, 0)));
  if (l.moov) w.Append(Moov());
  return w.Take();
}
