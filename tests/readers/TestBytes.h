#pragma once
// Hand-built container bytes and a time-zone guard for the reader tests.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "RecordingTypes.h"

struct Bytes {
  std::vector<uint8_t> b;

  std::size_t size() const { return b.size(); }
  Bytes& raw(const void* p, std::size_t n) {
    const auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
    return *this;
  }
  Bytes& code(const char* c) { return raw(c, 4); }
  Bytes& text(const std::string& s) { return raw(s.data(), s.size()); }
  Bytes& zeros(std::size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
  Bytes& le16(uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
    return *this;
  }
  Bytes& le32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  Bytes& be32(uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  Bytes& be16(uint16_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
    return *this;
  }
  Bytes& append(const Bytes& o) { return raw(o.b.data(), o.b.size()); }
  void setLe32(std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  }
  void setBe32(std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * (3 - i)));
  }
};

// ---- AVI pieces ---------------------------------------------------------

inline Bytes AviChunk(const char* code, const Bytes& payload) {
  Bytes c;
  c.code(code).le32(static_cast<uint32_t>(payload.size())).append(payload);
  return c;
}

inline Bytes AviList(const char* type, const Bytes& content) {
  Bytes c;
  c.code("LIST").le32(static_cast<uint32_t>(content.size() + 4)).code(type).append(content);
  return c;
}

inline Bytes MainHeader(uint32_t usPerFrame, uint32_t frames, uint32_t width = 640, uint32_t height = 360) {
  Bytes h;
  h.le32(usPerFrame).le32(0).le32(0).le32(0x10).le32(frames).le32(0).le32(1).le32(0).le32(width).le32(height);
  h.zeros(16);
  return AviChunk("avih", h);
}

inline Bytes StreamHeader(const char* type) {
  Bytes h;
  h.code(type).code("FMP4").zeros(48);
  return AviChunk("strh", h);
}

inline Bytes VideoFormat(uint32_t width, uint32_t height) {
  Bytes h;
  h.le32(40).le32(width).le32(height).le16(1).le16(24).code("FMP4").zeros(20);
  return AviChunk("strf", h);
}

// RIFF AVI with a header list (25 fps) and whatever `body` holds after it.
inline Bytes AviFile(const Bytes& body, uint32_t frames = 250, uint32_t width = 640, uint32_t height = 360) {
  Bytes strl = StreamHeader("vids");
  strl.append(VideoFormat(width, height));
  Bytes hdrl = MainHeader(40000, frames, width, height);
  hdrl.append(AviList("strl", strl));
  Bytes content;
  content.code("AVI ").append(AviList("hdrl", hdrl)).append(body);
  Bytes file;
  file.code("RIFF").le32(static_cast<uint32_t>(content.size())).append(content);
  return file;
}

inline std::string DateText(const std::string& t) {
  std::string s = t;
  s.resize(20, '\0');
  return s;
}

// ---- QuickTime pieces ---------------------------------------------------

inline Bytes Atom(const char* type, const Bytes& payload) {
  Bytes a;
  a.be32(static_cast<uint32_t>(payload.size() + 8)).code(type).append(payload);
  return a;
}

inline Bytes MovieHeader(uint32_t timeScale, uint32_t duration) {
  Bytes p;
  p.le32(0).be32(0).be32(0).be32(timeScale).be32(duration).zeros(80);
  return Atom("mvhd", p);  // 108 bytes
}

inline Bytes TrackHeader(uint16_t width, uint16_t height) {
  Bytes p;
  p.zeros(76).be16(width).be16(0).be16(height).be16(0);
  return Atom("tkhd", p);
}

inline Bytes Moov(uint32_t timeScale, uint32_t duration, uint16_t width, uint16_t height) {
  Bytes trak = Atom("trak", TrackHeader(width, height));
  Bytes content = MovieHeader(timeScale, duration);
  content.append(trak);
  return Atom("moov", content);
}

inline Bytes RateAtom(const char* type, uint32_t value) {
  Bytes p;
  p.le32(value);
  return Atom(type, p);
}

inline Bytes IditAtom(const std::string& text) {
  Bytes p;
  p.text(DateText(text));
  return Atom("IDIT", p);  // 28 bytes
}

// ---- GPS records ----------------------------------------------------------

inline GpsSample ClockRecord(int year, int month, int day, int hour, int minute, int second) {
  GpsSample s;
  s.latitude = 3540.8720;
  s.longitude = 13946.0260;
  s.status = GpsStatusValid;
  s.year = static_cast<uint8_t>(year - 2000);
  s.month = static_cast<uint8_t>(month);
  s.day = static_cast<uint8_t>(day);
  s.hour = static_cast<uint8_t>(hour);
  s.minute = static_cast<uint8_t>(minute);
  s.second = static_cast<uint8_t>(second);
  return s;
}

inline Bytes GpsRecords(const std::vector<GpsSample>& records) {
  Bytes p;
  for (const GpsSample& s : records) {
    uint8_t buf[32];
    EncodeGpsSample(s, buf);
    p.raw(buf, 32);
  }
  return p;
}

// ---- Time zone --------------------------------------------------------------

class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTz() {
    if (m_old) ::setenv("TZ", m_old->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  std::optional<std::string> m_old;
};

// Seconds since 1970 of a UTC calendar time (independent of TZ).
inline int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<int64_t>(timegm(&t));
}
